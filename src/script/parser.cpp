#include "script/parser.h"

namespace kelmo::script {

namespace {

struct Abort {};

// Deeper nesting than this is refused so that no later stage can run out of stack.
constexpr int kMaxNesting = 256;

class Parser {
 public:
  Parser(const std::vector<Token>& tokens, SyntaxError& error) : t_(tokens), error_(error) {}

  // program = ["program" ident ";"] ["uses" ident {"," ident} ";"] block "."
  std::unique_ptr<ProgramSyntax> program() {
    auto prog = std::make_unique<ProgramSyntax>();
    prog_ = prog.get();
    if (accept(Tok::Program)) {
      expect(Tok::Identifier);
      expect(Tok::Semicolon);
    }
    if (accept(Tok::Uses)) {
      do expect(Tok::Identifier);
      while (accept(Tok::Comma));
      expect(Tok::Semicolon);
    }
    prog->main = block();
    expect(Tok::Dot);
    return prog;
  }

  // heading = ("procedure"|"function"|"constructor") ident [params] [":" type] [";"]
  std::unique_ptr<RoutineDecl> headingText() {
    auto r = heading();
    accept(Tok::Semicolon);
    if (cur().kind != Tok::EndOfText) fail("end of declaration expected but " + describe(cur()) + " found");
    return r;
  }

  // declarations = {"type" {type decl} | "const" {const decl} | "var" {var decl}}
  Block* declarationsText() {
    auto owned = std::make_unique<Block>();
    Block* b = owned.get();
    for (;;) {
      if (accept(Tok::Var)) {
        do varDecl(b);
        while (at(Tok::Identifier));
      } else if (accept(Tok::Const)) {
        do constDecl(b);
        while (at(Tok::Identifier));
      } else if (accept(Tok::Type)) {
        do typeDecl(b);
        while (at(Tok::Identifier));
      } else {
        break;
      }
    }
    if (cur().kind != Tok::EndOfText) fail("'type', 'const' or 'var' expected but " + describe(cur()) + " found");
    declarations_ = std::move(owned);
    return b;
  }
  std::unique_ptr<Block> declarations_;

  // property = ["property"] ident ["[" param group {";" param group} "]"] ":" type [";"] ["default" [";"]]
  std::unique_ptr<RoutineDecl> propertyText(bool& isDefault) {
    auto r = std::make_unique<RoutineDecl>();
    r->kind = RoutineKind::Function;
    if (at(Tok::Identifier) && sameName(cur().text, "property")) take();
    const Token& name = expect(Tok::Identifier);
    r->name = name.text;
    r->row = name.row;
    r->col = name.col;
    if (accept(Tok::LBracket)) {
      do r->params.push_back(paramGroup());
      while (accept(Tok::Semicolon));
      expect(Tok::RBracket);
    }
    expect(Tok::Colon);
    r->result = typeSpec();
    accept(Tok::Semicolon);
    isDefault = at(Tok::Identifier) && sameName(cur().text, "default");
    if (isDefault) {
      take();
      accept(Tok::Semicolon);
    }
    if (cur().kind != Tok::EndOfText) fail("end of declaration expected but " + describe(cur()) + " found");
    return r;
  }

  std::unique_ptr<TypeSpec> typeText() {
    auto t = typeSpec();
    if (cur().kind != Tok::EndOfText) fail("end of type expected but " + describe(cur()) + " found");
    return t;
  }

 private:
  const Token& cur() const { return t_[pos_]; }
  const Token& next() const { return t_[pos_ + 1 < t_.size() ? pos_ + 1 : pos_]; }
  bool at(Tok k) const { return cur().kind == k; }
  const Token& take() {
    const Token& t = t_[pos_];
    if (pos_ + 1 < t_.size()) ++pos_;
    return t;
  }
  bool accept(Tok k) {
    if (!at(k)) return false;
    take();
    return true;
  }
  [[noreturn]] void fail(std::string text) { failAt(cur(), std::move(text)); }
  [[noreturn]] void failAt(const Token& t, std::string text) {
    error_ = {t.row, t.col, std::move(text)};
    throw Abort{};
  }
  const Token& expect(Tok k) {
    if (!at(k)) {
      if (k == Tok::Semicolon) missingSemicolon();
      fail(spelling(k) + " expected but " + describe(cur()) + " found");
    }
    return take();
  }

  // A ';' missing before a token on a later line is reported at the end of the line that
  // lacks it, where an editor's cursor should go.
  void missingSemicolon() {
    if (pos_ == 0) return;
    const Token& prev = t_[pos_ - 1];
    if (prev.endRow >= cur().row) return;
    error_ = {prev.endRow, prev.endCol, "';' expected but " + describe(cur()) + " found"};
    throw Abort{};
  }

  // The closing keyword of a construct; when it is missing, the message names the opener
  // and its line: "'end' expected (to close 'begin' at line 3) but end of file found".
  const Token& expectClose(Tok k, const Token& opener) {
    if (at(k)) return take();
    if (opener.row == cur().row) fail(spelling(k) + " expected but " + describe(cur()) + " found");
    fail(spelling(k) + " expected (to close " + spelling(opener.kind) + " at line " + std::to_string(opener.row) +
         ") but " + describe(cur()) + " found");
  }

  struct Nest {
    Parser& p;
    explicit Nest(Parser& parser) : p(parser) {
      if (++p.depth_ > kMaxNesting) p.fail("Nesting too deep");
    }
    ~Nest() { --p.depth_; }
  };

  // block = {declaration section} compound
  Block* block() {
    auto b = std::make_unique<Block>();
    Block* raw = b.get();
    prog_->blocks.push_back(std::move(b));
    for (;;) {
      if (accept(Tok::Var)) {
        do varDecl(raw);
        while (at(Tok::Identifier));
      } else if (accept(Tok::Const)) {
        do constDecl(raw);
        while (at(Tok::Identifier));
      } else if (accept(Tok::Type)) {
        do typeDecl(raw);
        while (at(Tok::Identifier));
      } else if (at(Tok::Procedure) || at(Tok::Function) || at(Tok::Constructor)) {
        routineDecl(raw);
      } else {
        break;
      }
    }
    if (!at(Tok::Begin)) fail("'begin' expected but " + describe(cur()) + " found");
    raw->body = compound();
    return raw;
  }

  // var declaration = ident {"," ident} ":" type ["=" expr] ";"
  void varDecl(Block* b) {
    auto v = std::make_unique<VarDecl>();
    do {
      const Token& name = expect(Tok::Identifier);
      v->names.push_back(name.text);
      v->positions.emplace_back(name.row, name.col);
    } while (accept(Tok::Comma));
    expect(Tok::Colon);
    v->type = typeSpec();
    if (accept(Tok::Equal)) v->init = constValue();
    expect(Tok::Semicolon);
    Decl d;
    d.kind = Decl::Var;
    d.var = std::move(v);
    b->decls.push_back(std::move(d));
  }

  // const declaration = ident [":" type] "=" expr ";"
  void constDecl(Block* b) {
    auto c = std::make_unique<ConstDecl>();
    const Token& name = expect(Tok::Identifier);
    c->name = name.text;
    c->row = name.row;
    c->col = name.col;
    if (accept(Tok::Colon)) c->type = typeSpec();
    expect(Tok::Equal);
    c->value = c->type ? constValue() : expression();
    expect(Tok::Semicolon);
    Decl d;
    d.kind = Decl::Const;
    d.constant = std::move(c);
    b->decls.push_back(std::move(d));
  }

  // type declaration = ident "=" type ";"
  void typeDecl(Block* b) {
    auto t = std::make_unique<TypeDecl>();
    const Token& name = expect(Tok::Identifier);
    t->name = name.text;
    t->row = name.row;
    t->col = name.col;
    expect(Tok::Equal);
    t->type = typeSpec();
    expect(Tok::Semicolon);
    Decl d;
    d.kind = Decl::Type;
    d.type = std::move(t);
    b->decls.push_back(std::move(d));
  }

  // type = ident | subrange | "(" ident {"," ident} ")" | "set" "of" type
  //      | "array" ["[" index {"," index} "]"] "of" (type | "const")
  //      | "record" {ident {"," ident} ":" type ";"} "end"
  //      | routine type
  // index = subrange | ident;  subrange = constant ".." constant
  std::unique_ptr<TypeSpec> typeSpec() {
    Nest nest(*this);
    auto t = std::make_unique<TypeSpec>();
    t->row = cur().row;
    t->col = cur().col;
    if (at(Tok::Procedure) || at(Tok::Function)) return routineType(std::move(t));
    if (at(Tok::Identifier) && sameName(cur().text, "packed") &&
        (next().kind == Tok::Array || next().kind == Tok::Record))
      take();
    if (accept(Tok::Array)) {
      t->form = TypeSpec::Array;
      if (accept(Tok::LBracket)) {
        do {
          ExprPtr low = simpleExpression();
          if (accept(Tok::DotDot)) {
            t->bounds.emplace_back(std::move(low), simpleExpression());
          } else {
            t->bounds.emplace_back(std::move(low), nullptr);
          }
        } while (accept(Tok::Comma));
        expect(Tok::RBracket);
      } else {
        t->dynamic = true;
      }
      expect(Tok::Of);
      if (t->dynamic && accept(Tok::Const)) {
        t->ofConst = true;
        return t;
      }
      t->element = typeSpec();
      return t;
    }
    if (accept(Tok::Set)) {
      t->form = TypeSpec::Set;
      expect(Tok::Of);
      t->element = typeSpec();
      return t;
    }
    if (at(Tok::Record)) {
      const Token& open = take();
      t->form = TypeSpec::Record;
      while (at(Tok::Identifier)) {
        FieldDecl f;
        do {
          const Token& name = expect(Tok::Identifier);
          f.names.push_back(name.text);
          f.positions.emplace_back(name.row, name.col);
        } while (accept(Tok::Comma));
        expect(Tok::Colon);
        f.type = typeSpec();
        t->fields.push_back(std::move(f));
        if (!accept(Tok::Semicolon)) break;
      }
      expectClose(Tok::End, open);
      return t;
    }
    if (accept(Tok::LParen)) {
      t->form = TypeSpec::Enum;
      do {
        const Token& name = expect(Tok::Identifier);
        t->names.push_back(name.text);
        t->positions.emplace_back(name.row, name.col);
      } while (accept(Tok::Comma));
      expect(Tok::RParen);
      return t;
    }
    if (at(Tok::Identifier) && sameName(cur().text, "class"))
      fail("Scripts cannot declare classes: use the classes the system declares, such as Exception and its "
           "descendants");
    if (at(Tok::Identifier) && next().kind != Tok::DotDot && next().kind != Tok::LParen &&
        next().kind != Tok::Plus && next().kind != Tok::Minus && next().kind != Tok::Star) {
      t->name = take().text;
      return t;
    }
    if (!at(Tok::Identifier) && !at(Tok::Integer) && !at(Tok::String) && !at(Tok::Minus) && !at(Tok::Plus) &&
        !at(Tok::LParen))
      fail("type expected but " + describe(cur()) + " found");
    t->form = TypeSpec::Subrange;
    ExprPtr low = simpleExpression();
    expect(Tok::DotDot);
    t->bounds.emplace_back(std::move(low), simpleExpression());
    return t;
  }

  // routine type = "procedure" [params] ["of" "object"] | "function" [params] ":" type ["of" "object"]
  // params = "(" [param group {";" param group}] ")"
  // formal-parameters = [ "(" [ param-group { ";" param-group } ] ")" ]
  void formalParameters(RoutineDecl& r) {
    if (!accept(Tok::LParen)) return;
    if (!at(Tok::RParen)) {
      do r.params.push_back(paramGroup());
      while (accept(Tok::Semicolon));
    }
    expect(Tok::RParen);
  }

  std::unique_ptr<TypeSpec> routineType(std::unique_ptr<TypeSpec> t) {
    t->form = TypeSpec::Routine;
    auto r = std::make_unique<RoutineDecl>();
    r->row = t->row;
    r->col = t->col;
    r->kind = take().kind == Tok::Function ? RoutineKind::Function : RoutineKind::Procedure;
    formalParameters(*r);
    if (r->kind == RoutineKind::Function) {
      expect(Tok::Colon);
      r->result = typeSpec();
    } else if (at(Tok::Colon)) {
      fail("A procedure type has no result type");
    }
    if (accept(Tok::Of)) {
      if (!at(Tok::Identifier) || !sameName(cur().text, "object"))
        fail("'object' expected but " + describe(cur()) + " found");
      take();
      t->ofObject = true;
    }
    t->signature = std::move(r);
    return t;
  }

  // constant value = expression | "(" value {"," value} ")" | "(" ident ":" value {";" ident ":" value} ")"
  ExprPtr constValue() {
    Nest nest(*this);
    if (!at(Tok::LParen)) return expression();
    std::size_t start = pos_;
    const Token& open = take();
    auto agg = exprNode(Op::Aggregate, open);
    if (at(Tok::Identifier) && next().kind == Tok::Colon) {
      do {
        if (at(Tok::RParen)) break;
        const Token& name = expect(Tok::Identifier);
        auto n = exprNode(Op::Name, name);
        n->text = name.text;
        expect(Tok::Colon);
        agg->kids.push_back(std::move(n));
        agg->kids.push_back(constValue());
      } while (accept(Tok::Semicolon));
      expect(Tok::RParen);
      return agg;
    }
    do agg->kids.push_back(constValue());
    while (accept(Tok::Comma));
    expect(Tok::RParen);
    if (agg->kids.size() == 1 && !at(Tok::Semicolon) && !at(Tok::Comma) && !at(Tok::RParen) && !at(Tok::EndOfText)) {
      pos_ = start;  // "(1 + 2) * 3": a parenthesised expression, not an aggregate
      return expression();
    }
    return agg;
  }

  // routine = heading ";" ("forward" ";" | block ";")
  void routineDecl(Block* b) {
    auto r = heading();
    expect(Tok::Semicolon);
    // Scripts run on the rig's computer: they call no code outside the engine.
    if (at(Tok::Identifier) && sameName(cur().text, "external"))
      fail("Routines declared external (calls into libraries) are not offered to scripts");
    if (accept(Tok::Forward)) {
      r->isForward = true;
      expect(Tok::Semicolon);
    } else {
      r->block = block();
      expect(Tok::Semicolon);
    }
    Decl d;
    d.kind = Decl::Routine;
    d.routine = std::move(r);
    b->decls.push_back(std::move(d));
  }

  // heading = ("procedure"|"function"|"constructor") ident ["." ident] [params] [":" type]
  std::unique_ptr<RoutineDecl> heading() {
    auto r = std::make_unique<RoutineDecl>();
    const Token& kw = cur();
    if (accept(Tok::Procedure)) {
      r->kind = RoutineKind::Procedure;
    } else if (accept(Tok::Function)) {
      r->kind = RoutineKind::Function;
    } else if (accept(Tok::Constructor)) {
      r->kind = RoutineKind::Constructor;
    } else {
      fail("'procedure' or 'function' expected but " + describe(cur()) + " found");
    }
    const Token& name = expect(Tok::Identifier);
    r->row = name.row;
    r->col = name.col;
    r->name = name.text;
    if (accept(Tok::Dot)) {
      r->className = r->name;
      r->name = expect(Tok::Identifier).text;
    }
    formalParameters(*r);
    if (r->kind == RoutineKind::Function) {
      if (!at(Tok::Colon)) fail("':' expected but " + describe(cur()) + " found");
      take();
      r->result = typeSpec();
    } else if (at(Tok::Colon)) {
      failAt(kw, "A " + lowerName(kw.text) + " has no result type");
    }
    return r;
  }

  // param group = ["var"|"const"|"out"] ident {"," ident} [":" type] ["=" expr]
  ParamDecl paramGroup() {
    ParamDecl p;
    if (accept(Tok::Var) || accept(Tok::Out)) {
      p.mode = ParamMode::Var;
    } else if (accept(Tok::Const)) {
      p.mode = ParamMode::Const;
    }
    do {
      const Token& name = expect(Tok::Identifier);
      p.names.push_back(name.text);
      p.positions.emplace_back(name.row, name.col);
    } while (accept(Tok::Comma));
    if (accept(Tok::Colon)) p.type = typeSpec();
    if (accept(Tok::Equal)) p.defaultValue = expression();
    return p;
  }

  // compound = "begin" statement {";" statement} "end"
  StmtPtr compound() {
    auto s = node(StmtKind::Compound);
    const Token& open = expect(Tok::Begin);
    statementList(s->body, Tok::End);
    expectClose(Tok::End, open);
    return s;
  }

  // statement list = statement {";" statement}, up to `stop`
  void statementList(std::vector<StmtPtr>& out, Tok stop, Tok stop2 = Tok::EndOfText) {
    for (;;) {
      out.push_back(statement());
      if (accept(Tok::Semicolon)) continue;
      if (at(stop) || (stop2 != Tok::EndOfText && at(stop2))) return;
      // A closer of another construct or the end of the text: the expected closer reports
      // what is missing and what it closes.
      if (at(Tok::EndOfText) || at(Tok::Dot) || at(Tok::End) || at(Tok::Until) || at(Tok::Except) || at(Tok::Finally))
        return;
      missingSemicolon();
      fail(spelling(Tok::Semicolon) + " expected but " + describe(cur()) + " found");
    }
  }

  StmtPtr node(StmtKind kind) {
    auto s = std::make_unique<Stmt>();
    s->kind = kind;
    s->row = cur().row;
    s->col = cur().col;
    return s;
  }

  // statement = compound | if | case | for | while | repeat | with | try | raise
  //           | designator [":=" expr] | (empty)
  StmtPtr statement() {
    Nest nest(*this);
    switch (cur().kind) {
      case Tok::Begin: return compound();
      case Tok::If: return ifStatement();
      case Tok::Case: return caseStatement();
      case Tok::For: return forStatement();
      case Tok::While: return whileStatement();
      case Tok::Repeat: return repeatStatement();
      case Tok::With: return withStatement();
      case Tok::Try: return tryStatement();
      case Tok::Raise: return raiseStatement();
      case Tok::Semicolon:
      case Tok::End:
      case Tok::Until:
      case Tok::Except:
      case Tok::Finally:
      case Tok::Else: return node(StmtKind::Empty);
      default: break;
    }
    if (!at(Tok::Identifier) && !at(Tok::LParen))
      fail("statement expected but " + describe(cur()) + " found");
    auto s = node(StmtKind::Call);
    ExprPtr target = designator();
    if (at(Tok::Assign)) {
      s->row = cur().row;
      s->col = cur().col;
      take();
      s->kind = StmtKind::Assign;
      s->exprs.push_back(std::move(target));
      s->exprs.push_back(expression());
      return s;
    }
    if (at(Tok::Equal)) fail("':=' expected but '=' found");
    s->exprs.push_back(std::move(target));
    return s;
  }

  // if = "if" expr "then" statement ["else" statement]
  StmtPtr ifStatement() {
    auto s = node(StmtKind::If);
    take();
    s->exprs.push_back(expression());
    expect(Tok::Then);
    s->thenPart = statement();
    if (accept(Tok::Else)) s->elsePart = statement();
    return s;
  }

  // case = "case" expr "of" branch {";" branch} [";"] ["else" statement list] "end"
  // branch = label {"," label} ":" statement;  label = expr [".." expr]
  StmtPtr caseStatement() {
    auto s = node(StmtKind::Case);
    const Token& open = take();
    s->exprs.push_back(expression());
    expect(Tok::Of);
    while (!at(Tok::Else) && !at(Tok::End)) {
      CaseBranch b;
      do {
        ExprPtr low = expression();
        ExprPtr high;
        if (accept(Tok::DotDot)) high = expression();
        b.labels.emplace_back(std::move(low), std::move(high));
      } while (accept(Tok::Comma));
      expect(Tok::Colon);
      b.body = statement();
      s->branches.push_back(std::move(b));
      if (!accept(Tok::Semicolon)) break;
    }
    if (accept(Tok::Else)) {
      s->hasElse = true;
      statementList(s->elseList, Tok::End);
    }
    expectClose(Tok::End, open);
    return s;
  }

  // for = "for" ident ":=" expr ("to"|"downto") expr "do" statement
  StmtPtr forStatement() {
    auto s = node(StmtKind::For);
    take();
    const Token& name = expect(Tok::Identifier);
    auto var = std::make_unique<Expr>();
    var->op = Op::Name;
    var->text = name.text;
    var->row = name.row;
    var->col = name.col;
    s->exprs.push_back(std::move(var));
    expect(Tok::Assign);
    s->exprs.push_back(expression());
    if (accept(Tok::Downto)) {
      s->downto = true;
    } else if (!accept(Tok::To)) {
      fail("'to' or 'downto' expected but " + describe(cur()) + " found");
    }
    s->exprs.push_back(expression());
    expect(Tok::Do);
    s->doPart = statement();
    return s;
  }

  // while = "while" expr "do" statement
  StmtPtr whileStatement() {
    auto s = node(StmtKind::While);
    take();
    s->exprs.push_back(expression());
    expect(Tok::Do);
    s->doPart = statement();
    return s;
  }

  // repeat = "repeat" statement list "until" expr
  StmtPtr repeatStatement() {
    auto s = node(StmtKind::Repeat);
    const Token& open = take();
    statementList(s->body, Tok::Until);
    expectClose(Tok::Until, open);
    s->exprs.push_back(expression());
    return s;
  }

  // with = "with" expr {"," expr} "do" statement
  StmtPtr withStatement() {
    auto s = node(StmtKind::With);
    take();
    do s->exprs.push_back(expression());
    while (accept(Tok::Comma));
    expect(Tok::Do);
    s->doPart = statement();
    return s;
  }

  // try = "try" statement list ("except" handlers | "finally" statement list) "end"
  // handlers = statement list | "on" [ident ":"] ident "do" statement {";" ...} ["else" list]
  StmtPtr tryStatement() {
    auto s = node(StmtKind::TryExcept);
    const Token& open = take();
    statementList(s->body, Tok::Except, Tok::Finally);
    if (accept(Tok::Finally)) {
      s->kind = StmtKind::TryFinally;
      statementList(s->finallyPart, Tok::End);
      expectClose(Tok::End, open);
      return s;
    }
    expect(Tok::Except);
    if (at(Tok::Identifier) && sameName(cur().text, "on")) {
      while (at(Tok::Identifier) && sameName(cur().text, "on")) {
        take();
        ExceptHandler h;
        h.row = cur().row;
        h.col = cur().col;
        const Token& first = expect(Tok::Identifier);
        if (accept(Tok::Colon)) {
          h.varName = first.text;
          h.row = cur().row;
          h.col = cur().col;
          h.className = expect(Tok::Identifier).text;
        } else {
          h.className = first.text;
        }
        expect(Tok::Do);
        h.body = statement();
        s->handlers.push_back(std::move(h));
        if (!accept(Tok::Semicolon)) break;
      }
      if (accept(Tok::Else)) {
        s->hasElse = true;
        statementList(s->elseList, Tok::End);
      }
    } else {
      statementList(s->plainHandler, Tok::End);
    }
    expectClose(Tok::End, open);
    return s;
  }

  // raise = "raise" [expr]
  StmtPtr raiseStatement() {
    auto s = node(StmtKind::Raise);
    take();
    if (!at(Tok::Semicolon) && !at(Tok::End) && !at(Tok::Else) && !at(Tok::Until) &&
        !at(Tok::Except) && !at(Tok::Finally))
      s->exprs.push_back(expression());
    return s;
  }

  ExprPtr exprNode(Op op, const Token& at) {
    auto e = std::make_unique<Expr>();
    e->op = op;
    e->row = at.row;
    e->col = at.col;
    return e;
  }

  // expression = simple [("=" | "<>" | "<" | "<=" | ">" | ">=" | "in" | "is") simple]
  ExprPtr expression() {
    Nest nest(*this);
    ExprPtr left = simpleExpression();
    switch (cur().kind) {
      case Tok::Equal: case Tok::NotEqual: case Tok::Less: case Tok::LessEqual:
      case Tok::Greater: case Tok::GreaterEqual: case Tok::In: case Tok::Is: {
        const Token& op = take();
        auto e = exprNode(Op::Binary, op);
        e->syntaxOp = static_cast<int>(op.kind);
        e->kids.push_back(std::move(left));
        e->kids.push_back(simpleExpression());
        return e;
      }
      default: return left;
    }
  }

  // simple = term {("+" | "-" | "or" | "xor") term}
  ExprPtr simpleExpression() {
    Nest nest(*this);
    ExprPtr left = term();
    int chain = depth_;  // a chain of operators nests the tree as deep as parentheses would
    while (at(Tok::Plus) || at(Tok::Minus) || at(Tok::Or) || at(Tok::Xor)) {
      if (++depth_ > kMaxNesting) fail("Nesting too deep");
      const Token& op = take();
      auto e = exprNode(Op::Binary, op);
      e->syntaxOp = static_cast<int>(op.kind);
      e->kids.push_back(std::move(left));
      e->kids.push_back(term());
      left = std::move(e);
    }
    depth_ = chain;
    return left;
  }

  // term = factor {("*" | "/" | "div" | "mod" | "and" | "shl" | "shr" | "as") factor}
  ExprPtr term() {
    ExprPtr left = factor();
    int chain = depth_;
    while (at(Tok::Star) || at(Tok::Slash) || at(Tok::Div) || at(Tok::Mod) || at(Tok::And) ||
           at(Tok::Shl) || at(Tok::Shr) || at(Tok::As)) {
      if (++depth_ > kMaxNesting) fail("Nesting too deep");
      const Token& op = take();
      auto e = exprNode(Op::Binary, op);
      e->syntaxOp = static_cast<int>(op.kind);
      e->kids.push_back(std::move(left));
      e->kids.push_back(factor());
      left = std::move(e);
    }
    depth_ = chain;
    return left;
  }

  // factor = "not" factor | "-" factor | "+" factor | "@" factor | "(" expr ")" | number
  //        | string | "nil" | "[" [element {"," element}] "]" | designator
  ExprPtr factor() {
    Nest nest(*this);
    const Token& t = cur();
    switch (t.kind) {
      case Tok::Not:
      case Tok::Minus:
      case Tok::Plus:
      case Tok::At: {
        take();
        auto e = exprNode(Op::Unary, t);
        e->syntaxOp = static_cast<int>(t.kind);
        e->kids.push_back(factor());
        return e;
      }
      case Tok::LParen: {
        take();
        ExprPtr inner = expression();
        expect(Tok::RParen);
        return postfix(std::move(inner));
      }
      case Tok::Integer: {
        take();
        auto e = exprNode(Op::ConstInt, t);
        e->intValue = t.intValue;
        return e;
      }
      case Tok::Real: {
        take();
        auto e = exprNode(Op::ConstReal, t);
        e->realValue = t.realValue;
        return e;
      }
      case Tok::String: {
        take();
        auto e = exprNode(Op::ConstString, t);
        e->text = t.text;
        return postfix(std::move(e));
      }
      case Tok::Nil: take(); return exprNode(Op::ConstNil, t);
      case Tok::LBracket: {
        take();
        auto e = exprNode(Op::SetLiteral, t);
        if (!at(Tok::RBracket)) {
          do {
            ExprPtr low = expression();
            if (at(Tok::DotDot)) {
              const Token& dots = take();
              auto range = exprNode(Op::SetRange, dots);
              range->kids.push_back(std::move(low));
              range->kids.push_back(expression());
              e->kids.push_back(std::move(range));
            } else {
              e->kids.push_back(std::move(low));
            }
          } while (accept(Tok::Comma));
        }
        expect(Tok::RBracket);
        return e;
      }
      case Tok::Identifier: return designator();
      default: fail("expression expected but " + describe(t) + " found");
    }
  }

  // designator = ident {"." ident | "(" [expr {"," expr}] ")" | "[" expr {"," expr} "]"}
  ExprPtr designator() {
    if (at(Tok::LParen)) return factor();
    const Token& name = expect(Tok::Identifier);
    auto e = exprNode(Op::Name, name);
    e->text = name.text;
    return postfix(std::move(e));
  }

  ExprPtr postfix(ExprPtr e) {
    for (;;) {
      if (at(Tok::Dot)) {
        take();
        const Token& name = expect(Tok::Identifier);
        auto m = exprNode(Op::Member, name);
        m->text = name.text;
        m->kids.push_back(std::move(e));
        e = std::move(m);
      } else if (at(Tok::LParen)) {
        const Token& open = take();
        auto call = exprNode(Op::Apply, open);
        call->row = e->row;
        call->col = e->col;
        call->kids.push_back(std::move(e));
        if (!at(Tok::RParen)) {
          do call->kids.push_back(expression());
          while (accept(Tok::Comma));
        }
        expect(Tok::RParen);
        e = std::move(call);
      } else if (at(Tok::LBracket)) {
        const Token& open = take();
        auto index = exprNode(Op::IndexOf, open);
        index->kids.push_back(std::move(e));
        do index->kids.push_back(expression());
        while (accept(Tok::Comma));
        expect(Tok::RBracket);
        e = std::move(index);
      } else {
        return e;
      }
    }
  }

  const std::vector<Token>& t_;
  SyntaxError& error_;
  std::size_t pos_ = 0;
  int depth_ = 0;
  ProgramSyntax* prog_ = nullptr;
};

}  // namespace

std::unique_ptr<ProgramSyntax> parseProgram(const std::vector<Token>& tokens, SyntaxError& error) {
  try {
    return Parser(tokens, error).program();
  } catch (const Abort&) {
    return nullptr;
  }
}

std::unique_ptr<RoutineDecl> parseHeading(const std::vector<Token>& tokens, SyntaxError& error) {
  try {
    return Parser(tokens, error).headingText();
  } catch (const Abort&) {
    return nullptr;
  }
}

std::unique_ptr<Block> parseDeclarationsText(const std::vector<Token>& tokens, SyntaxError& error) {
  try {
    Parser parser(tokens, error);
    parser.declarationsText();
    return std::move(parser.declarations_);
  } catch (const Abort&) {
    return nullptr;
  }
}

std::unique_ptr<RoutineDecl> parsePropertyText(const std::vector<Token>& tokens, bool& isDefault, SyntaxError& error) {
  try {
    return Parser(tokens, error).propertyText(isDefault);
  } catch (const Abort&) {
    return nullptr;
  }
}

std::unique_ptr<TypeSpec> parseTypeText(const std::vector<Token>& tokens, SyntaxError& error) {
  try {
    return Parser(tokens, error).typeText();
  } catch (const Abort&) {
    return nullptr;
  }
}

}  // namespace kelmo::script
