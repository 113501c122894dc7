#include "script/checker.h"

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "script/lexer.h"
#include "script/parser.h"

namespace kelmo::script {

namespace {

// Arrays beyond this many elements are refused at compile time.
constexpr std::int64_t kMaxArrayElements = 1 << 24;

struct Symbol {
  enum Kind { Variable, RefParam, Constant, TypeName, RoutineName, BuiltinName } kind = Variable;
  const Type* type = nullptr;
  int slot = 0;
  bool global = false;
  bool readOnly = false;   // const parameters
  Value constValue;
  Routine* routine = nullptr;
  Builtin builtin = Builtin::Length;
  int row = 0, col = 0;
  bool used = false;
  bool isLocalVariable = false;  // declared in a var section of a routine (unused hint)
  std::string name;              // as declared
};

struct WithEntry {
  const ClassInfo* cls;
  int slot;
  bool global;
};

Tok tok(int syntaxOp) { return static_cast<Tok>(syntaxOp); }

}  // namespace

struct Checker::Impl {
  Program& p;
  std::vector<CompilerMessage>& messages;
  std::string module;

  std::unordered_map<std::string, Symbol> globals;
  std::unordered_map<std::string, Symbol>* locals = nullptr;
  Routine* routine = nullptr;   // being checked, null in the main block
  std::vector<WithEntry> withs;
  int loopDepth = 0;
  int exceptDepth = 0;

  Impl(Program& program, std::vector<CompilerMessage>& m) : p(program), messages(m) { declareBasics(); }

  // ---- messages ----

  void error(int row, int col, std::string text) {
    messages.push_back({MessageKind::Error, module, row, col, std::move(text)});
  }
  void warning(int row, int col, std::string text) {
    messages.push_back({MessageKind::Warning, module, row, col, std::move(text)});
  }
  void hint(int row, int col, std::string text) {
    messages.push_back({MessageKind::Hint, module, row, col, std::move(text)});
  }
  void error(const Expr& e, std::string text) { error(e.row, e.col, std::move(text)); }

  // ---- built-in types ----

  const Type* makeType(TypeKind kind, std::string name, std::int64_t low = 0, std::int64_t high = 0,
                       int bits = 64, bool isSigned = true) {
    Type t;
    t.kind = kind;
    t.name = std::move(name);
    t.low = low;
    t.high = high;
    t.bits = bits;
    t.isSigned = isSigned;
    p.types.push_back(std::move(t));
    return &p.types.back();
  }

  void addTypeName(const std::string& name, const Type* t) {
    Symbol s;
    s.kind = Symbol::TypeName;
    s.type = t;
    globals[lowerName(name)] = s;
    p.typeNames[lowerName(name)] = t;
  }

  void declareBasics() {
    p.tInteger = makeType(TypeKind::Ordinal, "integer", INT32_MIN, INT32_MAX, 32, true);
    p.tCardinal = makeType(TypeKind::Ordinal, "cardinal", 0, UINT32_MAX, 32, false);
    p.tInt64 = makeType(TypeKind::Ordinal, "int64", INT64_MIN, INT64_MAX, 64, true);
    const Type* word = makeType(TypeKind::Ordinal, "word", 0, 65535, 16, false);
    const Type* byte = makeType(TypeKind::Ordinal, "byte", 0, 255, 8, false);
    const Type* smallint = makeType(TypeKind::Ordinal, "smallint", -32768, 32767, 16, true);
    const Type* shortint = makeType(TypeKind::Ordinal, "shortint", -128, 127, 8, true);
    p.tBoolean = makeType(TypeKind::Boolean, "boolean", 0, 1, 64, false);
    p.tChar = makeType(TypeKind::Char, "char", 0, 255, 64, false);
    p.tReal = makeType(TypeKind::Real, "double");
    p.tString = makeType(TypeKind::String, "string");
    p.tNil = makeType(TypeKind::Nil, "nil");
    p.tVoid = makeType(TypeKind::Void, "untyped");
    for (const char* n : {"integer", "longint"}) addTypeName(n, p.tInteger);
    for (const char* n : {"cardinal", "longword", "dword"}) addTypeName(n, p.tCardinal);
    addTypeName("int64", p.tInt64);
    addTypeName("word", word);
    addTypeName("byte", byte);
    addTypeName("smallint", smallint);
    addTypeName("shortint", shortint);
    addTypeName("boolean", p.tBoolean);
    for (const char* n : {"char", "ansichar"}) addTypeName(n, p.tChar);
    for (const char* n : {"double", "single", "real", "extended", "currency", "tdatetime"})
      addTypeName(n, p.tReal);
    for (const char* n : {"string", "ansistring", "shortstring"}) addTypeName(n, p.tString);
    Symbol t;
    t.kind = Symbol::Constant;
    t.type = p.tBoolean;
    t.constValue = Value(true);
    globals["true"] = t;
    t.constValue = Value(false);
    globals["false"] = t;
    static const std::pair<const char*, Builtin> builtins[] = {
        {"length", Builtin::Length}, {"ord", Builtin::Ord}, {"chr", Builtin::Chr},
        {"abs", Builtin::Abs}, {"sqr", Builtin::Sqr}, {"high", Builtin::High},
        {"low", Builtin::Low}, {"assigned", Builtin::Assigned}, {"random", Builtin::Random},
        {"odd", Builtin::Odd}, {"succ", Builtin::Succ}, {"pred", Builtin::Pred},
        {"format", Builtin::Format}, {"exceptionmessage", Builtin::ExceptionMessage},
        {"setlength", Builtin::SetLength}, {"inc", Builtin::Inc}, {"dec", Builtin::Dec},
        {"exit", Builtin::Exit}, {"break", Builtin::Break}, {"continue", Builtin::Continue},
    };
    for (const auto& [name, b] : builtins) {
      Symbol s;
      s.kind = Symbol::BuiltinName;
      s.builtin = b;
      globals[name] = s;
    }
  }

  // ---- declarations by text ----

  std::vector<Token> lex(std::string_view text) {
    std::vector<LexError> errors;
    auto tokens = tokenize(text, errors);
    for (const auto& e : errors) error(e.row, e.col, e.text);
    if (!errors.empty()) tokens.clear();
    return tokens;
  }

  ClassInfo* findClass(std::string_view name) const {
    auto it = globals.find(lowerName(name));
    if (it == globals.end() || it->second.kind != Symbol::TypeName) return nullptr;
    const Type* t = it->second.type;
    return t->kind == TypeKind::Class ? const_cast<ClassInfo*>(t->cls) : nullptr;
  }

  ClassInfo* declareClass(std::string_view name, std::string_view parent) {
    ClassInfo* parentInfo = nullptr;
    if (!parent.empty()) {
      parentInfo = findClass(parent);
      if (parentInfo == nullptr) {
        error(1, 1, "Unknown parent class '" + std::string(parent) + "' of class '" + std::string(name) + "'");
        return nullptr;
      }
    }
    if (ClassInfo* existing = findClass(name)) return existing;
    if (globals.count(lowerName(name)) != 0) {
      error(1, 1, "Duplicate identifier '" + std::string(name) + "'");
      return nullptr;
    }
    p.classes.emplace_back();
    ClassInfo* c = &p.classes.back();
    c->name = std::string(name);
    c->parent = parentInfo;
    const Type* t = makeType(TypeKind::Class, c->name);
    const_cast<Type*>(t)->cls = c;
    c->type = t;
    addTypeName(c->name, t);
    return c;
  }

  const Type* typeByName(std::string_view text, int row, int col) {
    auto it = globals.find(lowerName(text));
    if (it == globals.end() || it->second.kind != Symbol::TypeName) {
      if (locals != nullptr) {
        auto lt = locals->find(lowerName(text));
        if (lt != locals->end() && lt->second.kind == Symbol::TypeName) return lt->second.type;
      }
      error(row, col, "Unknown type '" + std::string(text) + "'");
      return nullptr;
    }
    return it->second.type;
  }

  void declareProperty(std::string_view className, std::string_view name, std::string_view typeName,
                       PropertyAccess access) {
    ClassInfo* c = findClass(className);
    if (c == nullptr) return error(1, 1, "Unknown class '" + std::string(className) + "'");
    auto tokens = lex(typeName);
    if (tokens.empty()) return;
    SyntaxError se;
    auto typeSpec = parseTypeText(tokens, se);
    if (!typeSpec) return error(se.row, se.col, se.text);
    const Type* t = resolveType(*typeSpec);
    if (t == nullptr) return;
    p.properties.emplace_back();
    Property* prop = &p.properties.back();
    prop->name = std::string(name);
    prop->type = t;
    prop->owner = c;
    prop->readable = access != PropertyAccess::WriteOnly;
    prop->writable = access != PropertyAccess::ReadOnly;
    c->properties[lowerName(name)] = prop;
  }

  Routine* routineFromText(std::string_view declaration, ClassInfo* owner) {
    auto tokens = lex(declaration);
    if (tokens.empty()) return nullptr;
    SyntaxError se;
    auto decl = parseHeading(tokens, se);
    if (!decl) {
      error(se.row, se.col, se.text);
      return nullptr;
    }
    if (!decl->className.empty()) {
      error(decl->row, decl->col, "A qualified name is not allowed in a declaration");
      return nullptr;
    }
    if (decl->kind == RoutineKind::Constructor && owner == nullptr) {
      error(decl->row, decl->col, "A constructor must belong to a class");
      return nullptr;
    }
    Routine* r = buildRoutine(*decl, owner);
    if (r == nullptr) return nullptr;
    r->isNative = true;
    return r;
  }

  Routine* declareMethod(std::string_view className, std::string_view declaration) {
    ClassInfo* c = findClass(className);
    if (c == nullptr) {
      error(1, 1, "Unknown class '" + std::string(className) + "'");
      return nullptr;
    }
    Routine* r = routineFromText(declaration, c);
    if (r != nullptr) c->methods[lowerName(r->name)] = r;
    return r;
  }

  Routine* declareRoutine(std::string_view declaration) {
    Routine* r = routineFromText(declaration, nullptr);
    if (r == nullptr) return nullptr;
    std::string key = lowerName(r->name);
    auto it = globals.find(key);
    if (it != globals.end() && it->second.kind != Symbol::RoutineName) {
      error(r->row, r->col, "Duplicate identifier '" + r->name + "'");
      return nullptr;
    }
    Symbol s;
    s.kind = Symbol::RoutineName;
    s.routine = r;
    globals[key] = s;  // a later declaration replaces an earlier one of the same name
    return r;
  }

  void declareType(std::string_view name, std::string_view typeName) {
    auto tokens = lex(typeName);
    if (tokens.empty()) return;
    SyntaxError se;
    auto typeSpec = parseTypeText(tokens, se);
    if (!typeSpec) return error(se.row, se.col, se.text);
    if (const Type* t = resolveType(*typeSpec)) addTypeName(std::string(name), t);
  }

  void declareConstant(std::string_view name, const Value& v) {
    Symbol s;
    s.kind = Symbol::Constant;
    s.constValue = v;
    switch (v.kind()) {
      case Value::Kind::Ordinal: s.type = p.tInteger; break;
      case Value::Kind::Real: s.type = p.tReal; break;
      case Value::Kind::String: s.type = p.tString; break;
      default: return error(1, 1, "Constant '" + std::string(name) + "' must be a number or a string");
    }
    if (v.kind() == Value::Kind::Ordinal && (v.asInt() < INT32_MIN || v.asInt() > INT32_MAX))
      s.type = p.tInt64;
    globals[lowerName(name)] = s;
  }

  Routine* findRoutine(std::string_view name) const {
    auto it = globals.find(lowerName(name));
    return it != globals.end() && it->second.kind == Symbol::RoutineName ? it->second.routine : nullptr;
  }

  // ---- types and routine headings ----

  bool constantInt(ExprPtr& e, std::int64_t& out) {
    expression(e);
    if (e->type == nullptr) return false;
    Value v;
    std::string err;
    if (!e->type->isOrdinal() || !evaluateConstant(*e, v, err)) {
      error(*e, err.empty() ? "Constant ordinal expression expected" : err);
      return false;
    }
    out = v.asInt();
    return true;
  }

  // type = name | array[low..high, ...] of type
  const Type* resolveType(TypeSpec& typeSpec) {
    if (!typeSpec.isArray) return typeByName(typeSpec.name, typeSpec.row, typeSpec.col);
    const Type* element = resolveType(*typeSpec.element);
    if (element == nullptr) return nullptr;
    for (std::size_t i = typeSpec.bounds.size(); i-- > 0;) {
      std::int64_t low = 0, high = 0;
      if (!constantInt(typeSpec.bounds[i].first, low) || !constantInt(typeSpec.bounds[i].second, high)) return nullptr;
      if (high < low) {
        error(typeSpec.bounds[i].second->row, typeSpec.bounds[i].second->col, "High bound is lower than low bound");
        return nullptr;
      }
      std::int64_t total = high - low + 1;
      for (const Type* e = element; e->kind == TypeKind::Array; e = e->element) {
        if (total > kMaxArrayElements) break;
        total *= e->count();
      }
      if (high - low >= kMaxArrayElements || total > kMaxArrayElements) {
        error(typeSpec.row, typeSpec.col, "Array too large (at most " + std::to_string(kMaxArrayElements) + " elements)");
        return nullptr;
      }
      Type t;
      t.kind = TypeKind::Array;
      t.low = low;
      t.high = high;
      t.element = element;
      t.name = "array[" + std::to_string(low) + ".." + std::to_string(high) + "] of " + element->name;
      p.types.push_back(std::move(t));
      element = &p.types.back();
    }
    return element;
  }

  Routine* buildRoutine(RoutineDecl& decl, ClassInfo* owner) {
    p.routines.emplace_back();
    Routine* r = &p.routines.back();
    r->name = decl.name;
    r->kind = decl.kind;
    r->owner = owner;
    r->module = module;
    r->row = decl.row;
    r->col = decl.col;
    std::unordered_set<std::string> seen;
    for (auto& group : decl.params) {
      const Type* t = nullptr;
      if (!group.type) {
        error(group.positions[0].first, group.positions[0].second,
              "Untyped parameters are not supported: type expected for '" + group.names[0] + "'");
        return nullptr;
      }
      t = resolveType(*group.type);
      if (t == nullptr) return nullptr;
      for (std::size_t i = 0; i < group.names.size(); ++i) {
        if (!seen.insert(lowerName(group.names[i])).second) {
          error(group.positions[i].first, group.positions[i].second, "Duplicate identifier '" + group.names[i] + "'");
          return nullptr;
        }
        Param prm;
        prm.name = group.names[i];
        prm.type = t;
        prm.mode = group.mode;
        if (group.defaultValue) {
          if (group.mode == ParamMode::Var) {
            error(*group.defaultValue, "A var parameter cannot have a default value");
            return nullptr;
          }
          expression(group.defaultValue);
          if (!group.defaultValue->type) return nullptr;
          Value v;
          std::string err;
          coerce(group.defaultValue, t);
          if (!group.defaultValue->type || !evaluateConstant(*group.defaultValue, v, err)) {
            error(*group.defaultValue, err.empty() ? "Constant expression expected" : err);
            return nullptr;
          }
          prm.defaultValue = constantNode(v, t, group.defaultValue->row, group.defaultValue->col);
        } else if (!r->params.empty() && r->params.back().defaultValue) {
          error(group.positions[i].first, group.positions[i].second,
                "Default value required for '" + group.names[i] + "'");
          return nullptr;
        }
        r->params.push_back(std::move(prm));
      }
    }
    if (decl.kind == RoutineKind::Function) {
      r->result = resolveType(*decl.result);
      if (r->result == nullptr) return nullptr;
    } else if (decl.kind == RoutineKind::Constructor) {
      r->result = owner->type;
    }
    return r;
  }

  ExprPtr constantNode(const Value& v, const Type* t, int row, int col) {
    auto e = std::make_unique<Expr>();
    e->row = row;
    e->col = col;
    e->type = t;
    if (t->isOrdinal()) {
      e->op = Op::ConstInt;
      e->intValue = v.asInt();
    } else if (t->kind == TypeKind::Real) {
      e->op = Op::ConstReal;
      e->realValue = v.asDouble();
    } else if (t->kind == TypeKind::String) {
      e->op = Op::ConstString;
      e->text = std::string(v.text());
    } else {
      e->op = Op::ConstNil;
    }
    return e;
  }

  // ---- name lookup ----

  Symbol* lookup(const std::string& lower) {
    if (locals != nullptr) {
      auto it = locals->find(lower);
      if (it != locals->end()) return &it->second;
    }
    auto it = globals.find(lower);
    return it != globals.end() ? &it->second : nullptr;
  }

  ExprPtr withObject(const WithEntry& w, int row, int col) {
    auto e = std::make_unique<Expr>();
    e->op = w.global ? Op::Global : Op::Local;
    e->slot = w.slot;
    e->type = w.cls->type;
    e->row = row;
    e->col = col;
    return e;
  }

  int newSlot() {
    if (routine != nullptr) return routine->frameSize++;
    return p.globalCount++;
  }

  // ---- expressions ----

  static bool isLvalue(const Expr& e) {
    switch (e.op) {
      case Op::Local:
      case Op::Global:
      case Op::RefParam: return true;
      case Op::Element: return isLvalue(*e.kid(0));
      default: return false;
    }
  }

  bool failed(const ExprPtr& e) const { return e->type == nullptr; }

  void setType(Expr& e, Op op, const Type* t) {
    e.op = op;
    e.type = t;
  }

  ExprPtr convert(ExprPtr e, Op op, const Type* t) {
    auto c = std::make_unique<Expr>();
    c->op = op;
    c->type = t;
    c->row = e->row;
    c->col = e->col;
    c->kids.push_back(std::move(e));
    return c;
  }

  bool sameArray(const Type* a, const Type* b) const {
    if (a == b) return true;
    if (a->kind != TypeKind::Array || b->kind != TypeKind::Array) return false;
    return a->low == b->low && a->high == b->high && sameArray(a->element, b->element);
  }

  // Whether a value of `from` may be stored into `to`, and how.
  bool assignable(const Type* to, const Type* from) const {
    if (to == from) return true;
    switch (to->kind) {
      case TypeKind::Ordinal: return from->kind == TypeKind::Ordinal;
      case TypeKind::Real: return from->kind == TypeKind::Real || from->kind == TypeKind::Ordinal;
      case TypeKind::String: return from->kind == TypeKind::String || from->kind == TypeKind::Char;
      case TypeKind::Char: return from->kind == TypeKind::Char;
      case TypeKind::Boolean: return from->kind == TypeKind::Boolean;
      case TypeKind::Class:
        return from->kind == TypeKind::Nil || (from->kind == TypeKind::Class && from->cls->derivesFrom(to->cls));
      case TypeKind::Array: return sameArray(to, from);
      default: return false;
    }
  }

  // Converts a checked expression for a store into `to`, or reports the mismatch.
  bool coerce(ExprPtr& e, const Type* to) {
    if (failed(e)) return false;
    const Type* from = e->type;
    if (!assignable(to, from)) {
      error(*e, "Incompatible types: '" + to->name + "' and '" + from->name + "'");
      e->type = nullptr;
      return false;
    }
    if (to->kind == TypeKind::Real && from->kind == TypeKind::Ordinal) {
      if (e->op == Op::ConstInt) {
        e->op = Op::ConstReal;
        e->realValue = static_cast<double>(e->intValue);
        e->type = p.tReal;
      } else {
        e = convert(std::move(e), Op::IntToReal, p.tReal);
      }
    } else if (to->kind == TypeKind::String && from->kind == TypeKind::Char) {
      if (e->op == Op::ConstInt) {
        e->op = Op::ConstString;
        e->text = std::string(1, static_cast<char>(e->intValue));
        e->type = p.tString;
      } else {
        e = convert(std::move(e), Op::CharToStr, p.tString);
      }
    }
    return true;
  }

  void expression(ExprPtr& e) {
    switch (e->op) {
      case Op::ConstInt:
        e->type = (e->intValue >= INT32_MIN && e->intValue <= INT32_MAX) ? p.tInteger : p.tInt64;
        return;
      case Op::ConstReal: e->type = p.tReal; return;
      case Op::ConstString:
        if (e->text.size() == 1) {
          e->op = Op::ConstInt;
          e->intValue = static_cast<unsigned char>(e->text[0]);
          e->type = p.tChar;
        } else {
          e->type = p.tString;
        }
        return;
      case Op::ConstNil: e->type = p.tNil; return;
      case Op::Name: return name(e, false);
      case Op::Member: return member(e, {}, false, false);
      case Op::Apply: return apply(e, false);
      case Op::IndexOf: return index(e);
      case Op::Binary: return binary(e);
      case Op::Unary: return unary(e);
      case Op::SetLiteral: return error(*e, "Sets are supported only after 'in'");
      case Op::SetRange: return error(*e, "Unexpected '..'");
      default: return;  // already resolved
    }
  }

  void expectValue(ExprPtr& e) {
    expression(e);
    if (!failed(e) && e->type->kind == TypeKind::Void) {
      error(*e, "Expression expected: '" + e->text + "' has no value");
      e->type = nullptr;
    }
  }

  // identifier
  void name(ExprPtr& e, bool statement) {
    std::string lower = lowerName(e->text);
    for (auto w = withs.rbegin(); w != withs.rend(); ++w) {
      if (const Property* prop = w->cls->findProperty(lower)) {
        if (!prop->readable) return error(*e, "Property '" + prop->name + "' is write-only");
        int row = e->row, col = e->col;
        e->op = Op::ReadProperty;
        e->property = prop;
        e->type = prop->type;
        e->kids.push_back(withObject(*w, row, col));
        return;
      }
      if (Routine* m = w->cls->findMethod(lower); m != nullptr && m->kind != RoutineKind::Constructor) {
        std::vector<ExprPtr> args;
        auto object = withObject(*w, e->row, e->col);
        return callMethod(e, m, std::move(object), std::move(args), statement);
      }
    }
    Symbol* s = lookup(lower);
    if (s == nullptr) return error(*e, "Unknown identifier '" + e->text + "'");
    s->used = true;
    switch (s->kind) {
      case Symbol::Variable:
        setType(*e, s->global ? Op::Global : Op::Local, s->type);
        e->slot = s->slot;
        return;
      case Symbol::RefParam:
        setType(*e, Op::RefParam, s->type);
        e->slot = s->slot;
        return;
      case Symbol::Constant: {
        auto c = constantNode(s->constValue, s->type, e->row, e->col);
        e = std::move(c);
        return;
      }
      case Symbol::TypeName: return error(*e, "Expression expected but type '" + e->text + "' found");
      case Symbol::RoutineName: return callRoutine(e, s->routine, {}, statement);
      case Symbol::BuiltinName: return builtin(e, s->builtin, {}, statement);
    }
  }

  // base "." name, with the arguments of an enclosing call
  void member(ExprPtr& e, std::vector<ExprPtr> args, bool hasArgs, bool statement) {
    Expr* base = e->kid(0);
    std::string lower = lowerName(e->text);
    if (base->op == Op::Name) {
      Symbol* s = lookup(lowerName(base->text));
      bool shadowed = false;
      for (const auto& w : withs)
        if (w.cls->findProperty(lowerName(base->text)) || w.cls->findMethod(lowerName(base->text))) shadowed = true;
      if (!shadowed && s != nullptr && s->kind == Symbol::TypeName) {
        if (s->type->kind != TypeKind::Class) return error(*e, "'" + base->text + "' is not a class");
        Routine* ctor = s->type->cls->findMethod(lower);
        if (ctor == nullptr || ctor->kind != RoutineKind::Constructor)
          return error(*e, "Unknown constructor '" + e->text + "' of class '" + s->type->cls->name + "'");
        e->op = Op::CallConstructor;
        e->routine = ctor;
        e->cls = s->type->cls;
        e->kids.clear();
        if (!arguments(*e, ctor, args)) return;
        e->type = s->type;
        return;
      }
    }
    expectValue(e->kids[0]);
    if (failed(e->kids[0])) return;
    const Type* bt = e->kids[0]->type;
    if (bt->kind != TypeKind::Class)
      return error(*e, "'" + e->text + "' is not a member: a class is required before '.', not '" + bt->name + "'");
    if (const Property* prop = bt->cls->findProperty(lower)) {
      if (hasArgs) return error(*e, "Property '" + prop->name + "' takes no arguments");
      if (!prop->readable) return error(*e, "Property '" + prop->name + "' is write-only");
      e->op = Op::ReadProperty;
      e->property = prop;
      e->type = prop->type;
      return;
    }
    Routine* m = bt->cls->findMethod(lower);
    if (m == nullptr) return error(*e, "Unknown member '" + e->text + "' of class '" + bt->cls->name + "'");
    if (m->kind == RoutineKind::Constructor)
      return error(*e, "Constructor '" + m->name + "' must be called on the class, not on an object");
    ExprPtr object = std::move(e->kids[0]);
    e->kids.clear();
    callMethod(e, m, std::move(object), std::move(args), statement);
  }

  void callMethod(ExprPtr& e, Routine* m, ExprPtr object, std::vector<ExprPtr> args, bool statement) {
    e->op = Op::CallMethod;
    e->routine = m;
    e->kids.clear();
    e->kids.push_back(std::move(object));
    if (!arguments(*e, m, args)) return;
    finishCall(*e, m, statement);
  }

  void callRoutine(ExprPtr& e, Routine* r, std::vector<ExprPtr> args, bool statement) {
    e->op = r->isNative ? Op::CallNative : Op::CallScript;
    e->routine = r;
    e->kids.clear();
    if (!arguments(*e, r, args)) return;
    finishCall(*e, r, statement);
  }

  void finishCall(Expr& e, Routine* r, bool statement) {
    if (r->result != nullptr) {
      e.type = r->result;
    } else {
      e.type = p.tVoid;
      e.text = r->name;
      if (!statement) {
        error(e, "Procedure '" + r->name + "' has no value and cannot be used in an expression");
        e.type = nullptr;
      }
    }
  }

  // Checks the arguments against the parameters and appends them to e.kids.
  bool arguments(Expr& e, Routine* r, std::vector<ExprPtr>& args) {
    std::size_t required = 0;
    for (const auto& prm : r->params)
      if (!prm.defaultValue) ++required;
    if (args.size() < required) {
      error(e, "Not enough actual parameters for '" + r->name + "'");
      return false;
    }
    if (args.size() > r->params.size()) {
      error(*args[r->params.size()], "Too many actual parameters for '" + r->name + "'");
      return false;
    }
    bool ok = true;
    for (std::size_t i = 0; i < r->params.size(); ++i) {
      const Param& prm = r->params[i];
      if (i >= args.size()) {
        e.kids.push_back(constantNode(Value(), prm.type, e.row, e.col));
        auto& d = e.kids.back();
        const Expr& dv = *prm.defaultValue;
        d->op = dv.op;
        d->intValue = dv.intValue;
        d->realValue = dv.realValue;
        d->text = dv.text;
        e.isVarArg.push_back(false);
        continue;
      }
      ExprPtr& a = args[i];
      if (prm.mode == ParamMode::Var) {
        expectValue(a);
        if (failed(a)) {
          ok = false;
        } else if (!isLvalue(*a) || isReadOnly(*a)) {
          error(*a, isLvalue(*a) ? "Constant object cannot be passed as var parameter"
                                 : "Variable required for var parameter '" + prm.name + "'");
          ok = false;
        } else if (a->op == Op::Element && !r->isNative) {
          // A script routine could outlive the element's storage (arrays copy on write).
          error(*a, "An array element cannot be passed as var parameter to a script routine");
          ok = false;
        } else if (a->type != prm.type &&
                   !(a->type->kind == TypeKind::Ordinal && prm.type->kind == TypeKind::Ordinal) &&
                   !sameArray(a->type, prm.type) &&
                   !(a->type->kind == TypeKind::Class && prm.type->kind == TypeKind::Class &&
                     a->type->cls == prm.type->cls)) {
          error(*a, "Types of actual and formal var parameters must be identical: '" + prm.type->name +
                        "' and '" + a->type->name + "'");
          ok = false;
        }
        e.isVarArg.push_back(true);
      } else {
        expectValue(a);
        if (!coerce(a, prm.type)) ok = false;
        e.isVarArg.push_back(false);
      }
      e.kids.push_back(std::move(a));
    }
    return ok;
  }

  bool isReadOnly(const Expr& e) {
    const Expr* base = &e;
    while (base->op == Op::Element) base = base->kid(0);
    if (base->op != Op::Local && base->op != Op::Global) return false;
    if (locals != nullptr)
      for (const auto& [k, s] : *locals)
        if (s.kind == Symbol::Variable && !s.global && base->op == Op::Local && s.slot == base->slot)
          return s.readOnly;
    return false;
  }

  // callee "(" args ")"
  void apply(ExprPtr& e, bool statement) {
    std::vector<ExprPtr> args;
    for (std::size_t i = 1; i < e->kids.size(); ++i) args.push_back(std::move(e->kids[i]));
    ExprPtr callee = std::move(e->kids[0]);
    e->kids.clear();
    if (callee->op == Op::Member) {
      callee->row = e->row;
      callee->col = e->col;
      member(callee, std::move(args), true, statement);
      e = std::move(callee);
      return;
    }
    if (callee->op != Op::Name) return error(*callee, "Procedure or function expected before '('");
    std::string lower = lowerName(callee->text);
    for (auto w = withs.rbegin(); w != withs.rend(); ++w) {
      if (Routine* m = w->cls->findMethod(lower); m != nullptr && m->kind != RoutineKind::Constructor) {
        e->text = callee->text;
        return callMethod(e, m, withObject(*w, e->row, e->col), std::move(args), statement);
      }
      if (w->cls->findProperty(lower)) return error(*callee, "Property '" + callee->text + "' takes no arguments");
    }
    Symbol* s = lookup(lower);
    if (s == nullptr) return error(*callee, "Unknown identifier '" + callee->text + "'");
    s->used = true;
    e->text = callee->text;
    switch (s->kind) {
      case Symbol::RoutineName: return callRoutine(e, s->routine, std::move(args), statement);
      case Symbol::BuiltinName: return builtin(e, s->builtin, std::move(args), statement);
      case Symbol::TypeName: return typeCast(e, s->type, std::move(args));
      default: return error(*callee, "'" + callee->text + "' is not a procedure or function");
    }
  }

  // type "(" expr ")": ordinal and class casts
  void typeCast(ExprPtr& e, const Type* t, std::vector<ExprPtr> args) {
    if (args.size() != 1) return error(*e, "A type cast takes one argument");
    expectValue(args[0]);
    if (failed(args[0])) return;
    const Type* from = args[0]->type;
    if (t->isOrdinal() && from->isOrdinal()) {
      e = convert(std::move(args[0]), Op::NegI, t);  // placeholder op replaced below
      e->op = Op::Builtin;
      e->builtin = Builtin::Ord;
      e->slot = 1;  // wrap into the target type
      return;
    }
    if (t->kind == TypeKind::Real && from->isNumeric()) {
      e = std::move(args[0]);
      coerce(e, p.tReal);
      return;
    }
    if (t->kind == TypeKind::Class && from->kind == TypeKind::Class) {
      e = convert(std::move(args[0]), Op::AsClass, t);
      e->cls = t->cls;
      return;
    }
    if (t->kind == TypeKind::String && (from->kind == TypeKind::String || from->kind == TypeKind::Char)) {
      e = std::move(args[0]);
      coerce(e, p.tString);
      return;
    }
    error(*e, "Invalid type cast from '" + from->name + "' to '" + t->name + "'");
  }

  // base "[" index {"," index} "]"
  void index(ExprPtr& e) {
    expectValue(e->kids[0]);
    if (failed(e->kids[0])) return;
    ExprPtr base = std::move(e->kids[0]);
    for (std::size_t i = 1; i < e->kids.size(); ++i) {
      ExprPtr idx = std::move(e->kids[i]);
      expectValue(idx);
      if (failed(idx)) return;
      if (base->type->kind == TypeKind::Array) {
        if (!idx->type->isOrdinal())
          return error(*idx, "Incompatible types: 'integer' and '" + idx->type->name + "'");
        auto el = std::make_unique<Expr>();
        el->op = Op::Element;
        el->type = base->type->element;
        el->row = idx->row;
        el->col = idx->col;
        el->kids.push_back(std::move(base));
        el->kids.push_back(std::move(idx));
        base = std::move(el);
      } else if (base->type->kind == TypeKind::String) {
        if (idx->type->kind != TypeKind::Ordinal)
          return error(*idx, "Incompatible types: 'integer' and '" + idx->type->name + "'");
        auto ch = std::make_unique<Expr>();
        ch->op = Op::StrChar;
        ch->type = p.tChar;
        ch->row = idx->row;
        ch->col = idx->col;
        ch->kids.push_back(std::move(base));
        ch->kids.push_back(std::move(idx));
        base = std::move(ch);
      } else {
        return error(*e, "Array type required but '" + base->type->name + "' found");
      }
    }
    e = std::move(base);
  }

  const Type* integerResult(const Type* a, const Type* b) const {
    auto wide = [&](const Type* t) { return t->bits == 64 || (t->bits == 32 && !t->isSigned); };
    return wide(a) || wide(b) ? p.tInt64 : p.tInteger;
  }

  void binaryMismatch(Expr& e, const Type* a, const Type* b) {
    error(e, "Incompatible types: '" + a->name + "' and '" + b->name + "'" +
                 " for operator " + spelling(tok(e.syntaxOp)));
    e.type = nullptr;
  }

  void binary(ExprPtr& e) {
    Tok opTok = tok(e->syntaxOp);
    if (opTok == Tok::In) return inSet(e);
    if (opTok == Tok::Is || opTok == Tok::As) return classTest(e, opTok);
    expectValue(e->kids[0]);
    expectValue(e->kids[1]);
    if (failed(e->kids[0]) || failed(e->kids[1])) return;
    const Type* a = e->kids[0]->type;
    const Type* b = e->kids[1]->type;
    auto both = [&](TypeKind k) { return a->kind == k && b->kind == k; };
    bool ints = both(TypeKind::Ordinal);
    bool nums = a->isNumeric() && b->isNumeric();
    bool texts = (a->kind == TypeKind::String || a->kind == TypeKind::Char) &&
                 (b->kind == TypeKind::String || b->kind == TypeKind::Char);
    auto toReal = [&]() {
      coerce(e->kids[0], p.tReal);
      coerce(e->kids[1], p.tReal);
    };
    auto toString = [&]() {
      coerce(e->kids[0], p.tString);
      coerce(e->kids[1], p.tString);
    };
    switch (opTok) {
      case Tok::Plus:
        if (ints) return intOp(*e, Op::AddI, a, b);
        if (nums) return toReal(), setType(*e, Op::AddR, p.tReal);
        if (texts) return toString(), setType(*e, Op::Concat, p.tString);
        return binaryMismatch(*e, a, b);
      case Tok::Minus:
        if (ints) return intOp(*e, Op::SubI, a, b);
        if (nums) return toReal(), setType(*e, Op::SubR, p.tReal);
        return binaryMismatch(*e, a, b);
      case Tok::Star:
        if (ints) return intOp(*e, Op::MulI, a, b);
        if (nums) return toReal(), setType(*e, Op::MulR, p.tReal);
        return binaryMismatch(*e, a, b);
      case Tok::Slash:
        if (nums) return toReal(), setType(*e, Op::DivR, p.tReal);
        return binaryMismatch(*e, a, b);
      case Tok::Div:
        if (ints) return intOp(*e, Op::DivI, a, b);
        return binaryMismatch(*e, a, b);
      case Tok::Mod:
        if (ints) return intOp(*e, Op::ModI, a, b);
        return binaryMismatch(*e, a, b);
      case Tok::Shl:
      case Tok::Shr:
        if (ints) {
          intOp(*e, opTok == Tok::Shl ? Op::ShlI : Op::ShrI, a, b);
          e->type = a->bits == 64 ? p.tInt64 : p.tInteger;
          e->slot = e->type == p.tInteger;
          return;
        }
        return binaryMismatch(*e, a, b);
      case Tok::And:
      case Tok::Or:
      case Tok::Xor: {
        Op op = opTok == Tok::And ? Op::AndI : opTok == Tok::Or ? Op::OrI : Op::XorI;
        if (both(TypeKind::Boolean)) return setType(*e, op, p.tBoolean);
        if (ints) return intOp(*e, op, a, b);
        return binaryMismatch(*e, a, b);
      }
      case Tok::Equal: case Tok::NotEqual: case Tok::Less: case Tok::LessEqual:
      case Tok::Greater: case Tok::GreaterEqual: return comparison(e, opTok, a, b);
      default: return binaryMismatch(*e, a, b);
    }
  }

  void intOp(Expr& e, Op op, const Type* a, const Type* b) {
    e.op = op;
    e.type = integerResult(a, b);
    e.slot = e.type == p.tInteger ? 1 : 0;  // wrap the result to 32 bits
  }

  void comparison(ExprPtr& e, Tok opTok, const Type* a, const Type* b) {
    int k = opTok == Tok::Equal ? 0 : opTok == Tok::NotEqual ? 1 : opTok == Tok::Less ? 2
          : opTok == Tok::LessEqual ? 3 : opTok == Tok::Greater ? 4 : 5;
    static const Op intOps[] = {Op::EqI, Op::NeI, Op::LtI, Op::LeI, Op::GtI, Op::GeI};
    static const Op realOps[] = {Op::EqR, Op::NeR, Op::LtR, Op::LeR, Op::GtR, Op::GeR};
    static const Op strOps[] = {Op::EqS, Op::NeS, Op::LtS, Op::LeS, Op::GtS, Op::GeS};
    bool same = a->kind == b->kind;
    if ((a->isOrdinal() && same) || (a->kind == TypeKind::Ordinal && b->kind == TypeKind::Ordinal))
      return setType(*e, intOps[k], p.tBoolean);
    if (a->isNumeric() && b->isNumeric()) {
      coerce(e->kids[0], p.tReal);
      coerce(e->kids[1], p.tReal);
      return setType(*e, realOps[k], p.tBoolean);
    }
    bool textA = a->kind == TypeKind::String || a->kind == TypeKind::Char;
    bool textB = b->kind == TypeKind::String || b->kind == TypeKind::Char;
    if (textA && textB) {
      coerce(e->kids[0], p.tString);
      coerce(e->kids[1], p.tString);
      return setType(*e, strOps[k], p.tBoolean);
    }
    bool objA = a->kind == TypeKind::Class || a->kind == TypeKind::Nil;
    bool objB = b->kind == TypeKind::Class || b->kind == TypeKind::Nil;
    if (objA && objB && k <= 1) return setType(*e, k == 0 ? Op::EqO : Op::NeO, p.tBoolean);
    binaryMismatch(*e, a, b);
  }

  // value "in" "[" element {"," element} "]"
  void inSet(ExprPtr& e) {
    expectValue(e->kids[0]);
    if (failed(e->kids[0])) return;
    const Type* t = e->kids[0]->type;
    if (!t->isOrdinal()) return error(*e->kids[0], "Ordinal type required before 'in'");
    if (e->kids[1]->op != Op::SetLiteral) return error(*e->kids[1], "Set constructor '[...]' expected after 'in'");
    std::vector<ExprPtr> flat;
    flat.push_back(std::move(e->kids[0]));
    for (auto& el : e->kids[1]->kids) {
      std::vector<ExprPtr> bounds;
      if (el->op == Op::SetRange) {
        bounds.push_back(std::move(el->kids[0]));
        bounds.push_back(std::move(el->kids[1]));
      } else {
        bounds.push_back(std::move(el));
      }
      for (auto& bnd : bounds) {
        expectValue(bnd);
        if (failed(bnd)) return;
        bool ok = bnd->type->isOrdinal() && (bnd->type->kind == t->kind);
        if (!ok) return error(*bnd, "Incompatible types: '" + t->name + "' and '" + bnd->type->name + "'");
      }
      if (bounds.size() == 1) {
        auto copy = std::make_unique<Expr>();
        copy->op = Op::ConstInt;
        flat.push_back(std::move(bounds[0]));
        flat.push_back(nullptr);  // single value: no upper bound
      } else {
        flat.push_back(std::move(bounds[0]));
        flat.push_back(std::move(bounds[1]));
      }
    }
    e->kids = std::move(flat);
    setType(*e, Op::InSet, p.tBoolean);
  }

  void classTest(ExprPtr& e, Tok opTok) {
    expectValue(e->kids[0]);
    if (failed(e->kids[0])) return;
    if (e->kids[0]->type->kind != TypeKind::Class && e->kids[0]->type->kind != TypeKind::Nil)
      return error(*e->kids[0], "Object expected before '" + std::string(opTok == Tok::Is ? "is" : "as") + "'");
    Expr* c = e->kid(1);
    ClassInfo* cls = c->op == Op::Name ? findClass(c->text) : nullptr;
    if (cls == nullptr) return error(*c, "Class name expected");
    e->cls = cls;
    e->kids.resize(1);
    if (opTok == Tok::Is) return setType(*e, Op::IsClass, p.tBoolean);
    setType(*e, Op::AsClass, cls->type);
  }

  void unary(ExprPtr& e) {
    expectValue(e->kids[0]);
    if (failed(e->kids[0])) return;
    const Type* t = e->kids[0]->type;
    Tok opTok = tok(e->syntaxOp);
    if (opTok == Tok::Not) {
      if (t->kind == TypeKind::Boolean) return setType(*e, Op::NotB, p.tBoolean);
      if (t->kind == TypeKind::Ordinal) return setType(*e, Op::NotI, t->bits == 64 ? p.tInt64 : p.tInteger);
    } else if (opTok == Tok::Minus) {
      if (t->kind == TypeKind::Ordinal) {
        if (e->kids[0]->op == Op::ConstInt) {
          auto k = std::move(e->kids[0]);
          k->intValue = static_cast<std::int64_t>(0ull - static_cast<std::uint64_t>(k->intValue));
          k->row = e->row;
          k->col = e->col;
          e = std::move(k);
          e->type = nullptr;
          return expression(e);
        }
        e->slot = 1;
        return setType(*e, Op::NegI, t->bits == 64 || !t->isSigned ? p.tInt64 : p.tInteger);
      }
      if (t->kind == TypeKind::Real) return setType(*e, Op::NegR, p.tReal);
    } else if (opTok == Tok::Plus) {
      if (t->isNumeric()) {
        auto k = std::move(e->kids[0]);
        e = std::move(k);
        return;
      }
    }
    error(*e, "Operator " + spelling(opTok) + " cannot be applied to '" + t->name + "'");
    e->type = nullptr;
  }

  // ---- built-in routines ----

  void builtin(ExprPtr& e, Builtin b, std::vector<ExprPtr> args, bool statement) {
    e->op = Op::Builtin;
    e->builtin = b;
    e->kids.clear();
    auto argc = [&](std::size_t lo, std::size_t hi) {
      if (args.size() < lo) {
        error(*e, "Not enough actual parameters for '" + e->text + "'");
        return false;
      }
      if (args.size() > hi) {
        error(*args[hi], "Too many actual parameters for '" + e->text + "'");
        return false;
      }
      for (auto& a : args) {
        if (b == Builtin::Format && &a == &args.back()) continue;
        expectValue(a);
        if (failed(a)) return false;
      }
      return true;
    };
    auto take = [&]() {
      for (auto& a : args) e->kids.push_back(std::move(a));
    };
    auto notStatement = [&]() {
      if (statement) {
        error(*e, "Statement expected, but the value of '" + e->text + "' is unused");
        e->type = nullptr;
      }
    };
    switch (b) {
      case Builtin::Length:
        if (!argc(1, 1)) return;
        if (args[0]->type->kind == TypeKind::Char) coerce(args[0], p.tString);
        if (args[0]->type->kind != TypeKind::String && args[0]->type->kind != TypeKind::Array)
          return error(*args[0], "String or array expected for 'Length'");
        take();
        e->type = p.tInteger;
        return notStatement();
      case Builtin::High:
      case Builtin::Low: {
        const Type* named = nullptr;  // High(integer), Low(TRow): a type instead of a value
        if (args.size() == 1 && args[0]->op == Op::Name)
          if (Symbol* sym = lookup(lowerName(args[0]->text)); sym != nullptr && sym->kind == Symbol::TypeName)
            named = sym->type;
        if (named == nullptr && !argc(1, 1)) return;
        const Type* t = named != nullptr ? named : args[0]->type;
        if (t->kind != TypeKind::Array && !t->isOrdinal())
          return error(*args[0], "Array or ordinal type expected for '" + e->text + "'");
        std::int64_t v = b == Builtin::High ? t->high : t->low;
        e = constantNode(Value(v), t->kind == TypeKind::Array ? p.tInteger : t, e->row, e->col);
        if (t->kind == TypeKind::Array) e->type = p.tInteger;
        return;
      }
      case Builtin::Ord:
        if (!argc(1, 1)) return;
        if (!args[0]->type->isOrdinal()) return error(*args[0], "Ordinal type required for 'Ord'");
        take();
        e->type = args[0] ? p.tInt64 : p.tInt64;
        e->type = e->kids[0]->type->bits == 64 && e->kids[0]->type->kind == TypeKind::Ordinal ? p.tInt64 : p.tInteger;
        return notStatement();
      case Builtin::Chr:
        if (!argc(1, 1)) return;
        if (args[0]->type->kind != TypeKind::Ordinal) return error(*args[0], "Integer expected for 'Chr'");
        take();
        e->slot = 1;
        e->builtin = Builtin::Ord;
        e->type = p.tChar;
        return notStatement();
      case Builtin::Succ:
      case Builtin::Pred:
      case Builtin::Odd:
        if (!argc(1, 1)) return;
        if (!args[0]->type->isOrdinal()) return error(*args[0], "Ordinal type required for '" + e->text + "'");
        e->type = b == Builtin::Odd ? p.tBoolean : args[0]->type;
        take();
        return notStatement();
      case Builtin::Abs:
      case Builtin::Sqr:
        if (!argc(1, 1)) return;
        if (!args[0]->type->isNumeric()) return error(*args[0], "Number expected for '" + e->text + "'");
        e->type = args[0]->type->kind == TypeKind::Real ? p.tReal : integerResult(args[0]->type, args[0]->type);
        take();
        return notStatement();
      case Builtin::Assigned:
        if (!argc(1, 1)) return;
        if (args[0]->type->kind != TypeKind::Class && args[0]->type->kind != TypeKind::Nil)
          return error(*args[0], "Object expected for 'Assigned'");
        take();
        e->type = p.tBoolean;
        return notStatement();
      case Builtin::Random:
        if (!argc(0, 1)) return;
        if (!args.empty() && !coerce(args[0], p.tInt64)) return;
        e->type = args.empty() ? p.tReal : p.tInteger;
        take();
        return notStatement();
      case Builtin::ExceptionMessage:
        if (!argc(0, 0)) return;
        e->type = p.tString;
        return notStatement();
      case Builtin::Format: {
        if (!argc(2, 2)) return;
        if (!coerce(args[0], p.tString)) return;
        ExprPtr list = std::move(args[1]);
        if (list->op != Op::SetLiteral) return error(*list, "'[' expected: Format takes its arguments as [a, b, ...]");
        e->kids.push_back(std::move(args[0]));
        for (auto& item : list->kids) {
          expectValue(item);
          if (failed(item)) return;
          TypeKind k = item->type->kind;
          if (k == TypeKind::Char) coerce(item, p.tString);
          else if (k != TypeKind::Ordinal && k != TypeKind::Real && k != TypeKind::String)
            return error(*item, "Format cannot show a value of type '" + item->type->name + "'");
          e->kids.push_back(std::move(item));
        }
        e->type = p.tString;
        return notStatement();
      }
      case Builtin::SetLength:
        return error(*e, "SetLength is not supported: strings grow as they are assigned");
      case Builtin::Inc:
      case Builtin::Dec:
      case Builtin::Exit:
      case Builtin::Break:
      case Builtin::Continue:
        return error(*e, "'" + e->text + "' is a statement and has no value");
    }
  }

  // ---- statements ----

  void statement(StmtPtr& s) {
    if (!s) return;
    switch (s->kind) {
      case StmtKind::Empty: return;
      case StmtKind::Compound:
        for (auto& st : s->body) statement(st);
        if (s->body.size() == 1) {
          StmtPtr only = std::move(s->body[0]);  // one statement needs no block around it
          s = std::move(only);
        }
        return;
      case StmtKind::Assign: return assignment(*s);
      case StmtKind::Call: return callStatement(*s);
      case StmtKind::If:
        condition(s->exprs[0]);
        statement(s->thenPart);
        statement(s->elsePart);
        return;
      case StmtKind::While:
        condition(s->exprs[0]);
        ++loopDepth;
        statement(s->thenPart);
        --loopDepth;
        return;
      case StmtKind::Repeat:
        ++loopDepth;
        for (auto& st : s->body) statement(st);
        --loopDepth;
        condition(s->exprs[0]);
        return;
      case StmtKind::For: return forStatement(*s);
      case StmtKind::Case: return caseStatement(*s);
      case StmtKind::With: return withStatement(*s);
      case StmtKind::TryFinally:
        for (auto& st : s->body) statement(st);
        for (auto& st : s->finallyPart) statement(st);
        return;
      case StmtKind::TryExcept: return tryExcept(*s);
      case StmtKind::Raise:
        if (s->exprs.empty()) {
          if (exceptDepth == 0) error(s->row, s->col, "'raise' without an exception is allowed only in an exception handler");
          return;
        }
        expectValue(s->exprs[0]);
        if (!failed(s->exprs[0]) && s->exprs[0]->type->kind != TypeKind::Class)
          error(*s->exprs[0], "Exception object expected after 'raise'");
        return;
      default: return;
    }
  }

  void condition(ExprPtr& e) {
    expectValue(e);
    if (!failed(e) && e->type->kind != TypeKind::Boolean)
      error(*e, "Type of expression must be boolean, not '" + e->type->name + "'");
  }

  void callStatement(Stmt& s) {
    ExprPtr& e = s.exprs[0];
    Builtin b{};
    bool isBuiltin = false;
    std::vector<ExprPtr> args;
    int row = e->row, col = e->col;
    std::string text;
    if (e->op == Op::Name || (e->op == Op::Apply && e->kid(0)->op == Op::Name)) {
      Expr* n = e->op == Op::Name ? e.get() : e->kid(0);
      text = n->text;
      bool shadowed = false;
      for (const auto& w : withs)
        if (w.cls->findProperty(lowerName(n->text)) || w.cls->findMethod(lowerName(n->text))) shadowed = true;
      Symbol* sym = shadowed ? nullptr : lookup(lowerName(n->text));
      if (sym != nullptr && sym->kind == Symbol::BuiltinName &&
          (sym->builtin == Builtin::Inc || sym->builtin == Builtin::Dec || sym->builtin == Builtin::Exit ||
           sym->builtin == Builtin::Break || sym->builtin == Builtin::Continue)) {
        isBuiltin = true;
        b = sym->builtin;
        if (e->op == Op::Apply)
          for (std::size_t i = 1; i < e->kids.size(); ++i) args.push_back(std::move(e->kids[i]));
      }
    }
    if (isBuiltin) return statementBuiltin(s, b, std::move(args), row, col, text);
    switch (e->op) {
      case Op::Name: name(e, true); break;
      case Op::Member: member(e, {}, false, true); break;
      case Op::Apply: apply(e, true); break;
      default:
        expression(e);
        if (!failed(e)) error(*e, "Statement expected, but expression of type '" + e->type->name + "' found");
        return;
    }
    if (failed(e)) return;
    switch (e->op) {
      case Op::CallScript: case Op::CallNative: case Op::CallMethod: case Op::CallConstructor: return;
      default: error(row, col, "Statement expected, but expression of type '" + e->type->name + "' found");
    }
  }

  void statementBuiltin(Stmt& s, Builtin b, std::vector<ExprPtr> args, int row, int col, const std::string& text) {
    s.exprs.clear();
    switch (b) {
      case Builtin::Break:
      case Builtin::Continue:
        if (!args.empty()) return error(*args[0], "Too many actual parameters for '" + text + "'");
        if (loopDepth == 0) return error(row, col, "BREAK or CONTINUE outside of loop");
        s.kind = b == Builtin::Break ? StmtKind::Break : StmtKind::Continue;
        return;
      case Builtin::Exit:
        s.kind = StmtKind::Exit;
        if (args.size() > 1) return error(*args[1], "Too many actual parameters for 'Exit'");
        if (!args.empty()) {
          if (routine == nullptr || routine->result == nullptr)
            return error(*args[0], "Exit with a value is allowed only in a function");
          expectValue(args[0]);
          if (!coerce(args[0], routine->result)) return;
          routine->resultAssigned = true;
          s.exprs.push_back(std::move(args[0]));
        }
        return;
      case Builtin::Inc:
      case Builtin::Dec: {
        if (args.empty()) return error(row, col, "Not enough actual parameters for '" + text + "'");
        if (args.size() > 2) return error(*args[2], "Too many actual parameters for '" + text + "'");
        expectValue(args[0]);
        if (failed(args[0])) return;
        if (!isLvalue(*args[0]) || isReadOnly(*args[0])) return error(*args[0], "Variable required");
        if (!args[0]->type->isOrdinal()) return error(*args[0], "Ordinal type required for '" + text + "'");
        s.kind = StmtKind::Inc;
        s.step = b == Builtin::Inc ? 1 : -1;
        s.type = args[0]->type;
        s.exprs.push_back(std::move(args[0]));
        if (args.size() == 2) {
          expectValue(args[1]);
          if (failed(args[1])) return;
          if (args[1]->type->kind != TypeKind::Ordinal) return error(*args[1], "Integer expected");
          s.exprs.push_back(std::move(args[1]));
        }
        return;
      }
      default: return;
    }
  }

  bool targetIsResult(const Expr& t) const {
    return routine != nullptr && routine->result != nullptr && t.op == Op::Name &&
           routine->kind == RoutineKind::Function && sameName(t.text, routine->name) &&
           (locals == nullptr || locals->count(lowerName(t.text)) == 0);
  }

  void assignment(Stmt& s) {
    ExprPtr& target = s.exprs[0];
    ExprPtr& value = s.exprs[1];
    if (targetIsResult(*target)) {
      target->op = Op::Local;
      target->slot = 0;
      target->type = routine->result;
    } else if (target->op == Op::Member) {
      Expr* base = target->kid(0);
      (void)base;
      expectValue(target->kids[0]);
      if (failed(target->kids[0])) return;
      const Type* bt = target->kids[0]->type;
      if (bt->kind != TypeKind::Class)
        return error(*target, "'" + target->text + "' is not a member: a class is required before '.', not '" + bt->name + "'");
      const Property* prop = bt->cls->findProperty(lowerName(target->text));
      if (prop == nullptr) {
        if (bt->cls->findMethod(lowerName(target->text)))
          return error(*target, "Left side cannot be assigned to: '" + target->text + "' is a method");
        return error(*target, "Unknown member '" + target->text + "' of class '" + bt->cls->name + "'");
      }
      return propertyAssignment(s, prop);
    } else if (target->op == Op::Name) {
      std::string lower = lowerName(target->text);
      for (auto w = withs.rbegin(); w != withs.rend(); ++w) {
        if (const Property* prop = w->cls->findProperty(lower)) {
          target->kids.push_back(withObject(*w, target->row, target->col));
          return propertyAssignment(s, prop);
        }
        if (w->cls->findMethod(lower)) return error(*target, "Left side cannot be assigned to: '" + target->text + "' is a method");
      }
      Symbol* sym = lookup(lower);
      if (sym == nullptr) return error(*target, "Unknown identifier '" + target->text + "'");
      if (sym->kind != Symbol::Variable && sym->kind != Symbol::RefParam)
        return error(*target, "Left side cannot be assigned to");
      if (sym->readOnly) return error(*target, "Left side cannot be assigned to: '" + target->text + "' is a constant parameter");
      if (locals != nullptr && routine != nullptr && sym->slot == 0 && !sym->global &&
          sym->kind == Symbol::Variable && routine->result != nullptr)
        routine->resultAssigned = true;
      expression(target);
    } else {
      expression(target);
    }
    if (failed(target)) return;
    if (target->op == Op::Local && target->slot == 0 && routine != nullptr && routine->result != nullptr)
      routine->resultAssigned = true;
    if (target->op == Op::StrChar) {
      if (!isLvalue(*target->kid(0)) || isReadOnly(*target->kid(0))) return error(*target, "Left side cannot be assigned to");
      expectValue(value);
      if (!coerce(value, p.tChar)) return;
      s.kind = StmtKind::AssignStrChar;
      return;
    }
    if (!isLvalue(*target)) return error(*target, "Left side cannot be assigned to");
    if (isReadOnly(*target)) return error(*target, "Left side cannot be assigned to: constant parameter");
    expectValue(value);
    if (!coerce(value, target->type)) return;
    s.type = target->type;
    bool simple = target->op == Op::Local || target->op == Op::Global || target->op == Op::RefParam;
    if (simple && target->type->isOrdinal()) {
      s.kind = StmtKind::AssignInt;
    } else if (simple && target->type->kind == TypeKind::Real) {
      s.kind = StmtKind::AssignReal;
    } else if (target->type->kind == TypeKind::String && value->op == Op::Concat &&
               value->kid(0)->op == target->op && value->kid(0)->slot == target->slot &&
               (target->op == Op::Local || target->op == Op::Global || target->op == Op::RefParam)) {
      // s := s + tail appends in place.
      s.kind = StmtKind::AppendString;
      ExprPtr tail = std::move(value->kids[1]);
      value = std::move(tail);
    } else {
      s.kind = StmtKind::AssignValue;
    }
  }

  void propertyAssignment(Stmt& s, const Property* prop) {
    ExprPtr& target = s.exprs[0];
    if (!prop->writable) return error(*target, "Property '" + prop->name + "' is read-only");
    target->op = Op::ReadProperty;
    target->property = prop;
    target->type = prop->type;
    expectValue(s.exprs[1]);
    if (!coerce(s.exprs[1], prop->type)) return;
    s.kind = StmtKind::AssignProperty;
  }

  void forStatement(Stmt& s) {
    ExprPtr& var = s.exprs[0];
    expression(var);
    if (failed(var)) return;
    if ((var->op != Op::Local && var->op != Op::Global) || !var->type->isOrdinal() || isReadOnly(*var))
      return error(*var, "For loop control variable must be a simple variable of ordinal type");
    s.global = var->op == Op::Global;
    s.slot = var->slot;
    s.type = var->type;
    expectValue(s.exprs[1]);
    expectValue(s.exprs[2]);
    coerce(s.exprs[1], var->type);
    coerce(s.exprs[2], var->type);
    ++loopDepth;
    statement(s.thenPart);
    --loopDepth;
  }

  void caseStatement(Stmt& s) {
    expectValue(s.exprs[0]);
    if (failed(s.exprs[0])) {
      for (auto& br : s.branches) statement(br.body);
      return;
    }
    const Type* t = s.exprs[0]->type;
    if (!t->isOrdinal()) return error(*s.exprs[0], "Ordinal type required for 'case'");
    std::vector<std::pair<std::int64_t, std::int64_t>> all;
    for (auto& br : s.branches) {
      for (auto& [lowE, highE] : br.labels) {
        std::int64_t low = 0, high = 0;
        if (!constantLabel(lowE, t, low)) continue;
        high = low;
        if (highE && !constantLabel(highE, t, high)) continue;
        if (high < low) {
          error(*highE, "High bound is lower than low bound");
          continue;
        }
        for (const auto& [a, b] : all)
          if (low <= b && a <= high) {
            error(*lowE, "Duplicate case label");
            break;
          }
        all.emplace_back(low, high);
        br.ranges.emplace_back(low, high);
      }
      statement(br.body);
    }
    for (auto& st : s.finallyPart) statement(st);
  }

  bool constantLabel(ExprPtr& e, const Type* t, std::int64_t& out) {
    expectValue(e);
    if (failed(e)) return false;
    if (!(e->type->kind == t->kind)) {
      error(*e, "Incompatible types: '" + t->name + "' and '" + e->type->name + "'");
      return false;
    }
    Value v;
    std::string err;
    if (!evaluateConstant(*e, v, err)) {
      error(*e, err.empty() ? "Constant expression expected" : err);
      return false;
    }
    out = v.asInt();
    return true;
  }

  void withStatement(Stmt& s) {
    std::size_t pushed = 0;
    for (auto& obj : s.exprs) {
      expectValue(obj);
      if (failed(obj)) continue;
      if (obj->type->kind != TypeKind::Class) {
        error(*obj, "Object expected in 'with', not '" + obj->type->name + "'");
        continue;
      }
      int slot = newSlot();
      s.withSlots.push_back(slot);
      s.withGlobal.push_back(routine == nullptr);
      withs.push_back({obj->type->cls, slot, routine == nullptr});
      ++pushed;
    }
    statement(s.thenPart);
    withs.resize(withs.size() - pushed);
  }

  void tryExcept(Stmt& s) {
    for (auto& st : s.body) statement(st);
    ++exceptDepth;
    for (auto& h : s.handlers) {
      h.cls = findClass(h.className);
      if (h.cls == nullptr) {
        error(h.row, h.col, "Unknown exception class '" + h.className + "'");
        continue;
      }
      if (!h.varName.empty()) {
        auto& scope = locals != nullptr ? *locals : globals;
        std::string key = lowerName(h.varName);
        std::optional<Symbol> saved;
        if (auto it = scope.find(key); it != scope.end()) saved = it->second;
        Symbol v;
        v.kind = Symbol::Variable;
        v.type = h.cls->type;
        v.slot = newSlot();
        v.global = routine == nullptr;
        v.used = true;
        h.slot = v.slot;
        h.global = v.global;
        scope[key] = v;
        statement(h.body);
        if (saved) scope[key] = *saved;
        else scope.erase(key);
      } else {
        statement(h.body);
      }
    }
    for (auto& st : s.finallyPart) statement(st);
    --exceptDepth;
  }

  // ---- declarations of the script ----

  bool declareName(std::unordered_map<std::string, Symbol>& scope, const std::string& name, int row, int col,
                   Symbol s) {
    std::string key = lowerName(name);
    auto it = scope.find(key);
    bool clash = it != scope.end();
    // A script may reuse a name that only the system or a plug-in declared.
    if (clash && &scope == &globals && it->second.row == 0) clash = false;
    if (clash) {
      error(row, col, "Duplicate identifier '" + name + "'");
      return false;
    }
    s.row = row;
    s.col = col;
    s.name = name;
    scope[key] = std::move(s);
    return true;
  }

  void variables(VarDecl& v, bool global) {
    const Type* t = resolveType(*v.type);
    if (t == nullptr) return;
    Value init;
    if (v.init) {
      if (!global) {
        error(*v.init, "Local variables cannot be initialised");
      } else if (v.names.size() != 1) {
        error(*v.init, "Only one variable can be initialised at a time");
      } else {
        expectValue(v.init);
        std::string err;
        if (coerce(v.init, t) && !evaluateConstant(*v.init, init, err))
          error(*v.init, err.empty() ? "Constant expression expected" : err);
      }
    }
    for (std::size_t i = 0; i < v.names.size(); ++i) {
      Symbol s;
      s.kind = Symbol::Variable;
      s.type = t;
      s.global = global;
      s.isLocalVariable = !global;
      s.slot = newSlot();
      if (!declareName(global ? globals : *locals, v.names[i], v.positions[i].first, v.positions[i].second, s))
        continue;
      auto& types = global ? p.globalTypes : routine->slotTypes;
      if (t->kind == TypeKind::Array) types.emplace_back(s.slot, t);
      if (v.init && global && init.kind() != Value::Kind::Nil) p.globalInits.emplace_back(s.slot, init);
    }
  }

  void constant(ConstDecl& c, std::unordered_map<std::string, Symbol>& scope) {
    expectValue(c.value);
    if (failed(c.value)) return;
    const Type* t = c.value->type;
    if (c.type) {
      t = resolveType(*c.type);
      if (t == nullptr || !coerce(c.value, t)) return;
    }
    Value v;
    std::string err;
    if (!evaluateConstant(*c.value, v, err)) return error(*c.value, err.empty() ? "Constant expression expected" : err);
    if (t->kind == TypeKind::Class || t->kind == TypeKind::Array)
      return error(*c.value, "Constants of type '" + t->name + "' are not supported");
    Symbol s;
    s.kind = Symbol::Constant;
    s.type = t;
    s.constValue = v;
    declareName(scope, c.name, c.row, c.col, s);
  }

  void typeDeclaration(TypeDecl& td, std::unordered_map<std::string, Symbol>& scope) {
    const Type* t = resolveType(*td.type);
    if (t == nullptr) return;
    Symbol s;
    s.kind = Symbol::TypeName;
    s.type = t;
    declareName(scope, td.name, td.row, td.col, s);
  }

  struct PendingBody {
    RoutineDecl* decl;
    Routine* routine;
  };

  void routineHeading(RoutineDecl& d, std::vector<PendingBody>& bodies) {
    if (!d.className.empty()) return error(d.row, d.col, "Methods of script classes are not supported");
    if (d.kind == RoutineKind::Constructor) return error(d.row, d.col, "A constructor must belong to a class");
    std::string key = lowerName(d.name);
    auto it = globals.find(key);
    if (it != globals.end() && it->second.kind == Symbol::RoutineName && it->second.row != 0) {
      Routine* earlier = it->second.routine;
      if (!earlier->hasBody && !d.isForward && !earlier->isNative) {
        // The body of a forward-declared routine.
        for (auto& b : bodies)
          if (b.routine == earlier) b.decl = &d;
        bodies.push_back({&d, earlier});
        earlier->hasBody = true;
        return;
      }
      return error(d.row, d.col, "Duplicate identifier '" + d.name + "'");
    }
    Routine* r = buildRoutine(d, nullptr);
    if (r == nullptr) return;
    r->module.clear();
    Symbol s;
    s.kind = Symbol::RoutineName;
    s.routine = r;
    if (!declareName(globals, d.name, d.row, d.col, s)) return;
    if (!d.isForward) {
      r->hasBody = true;
      bodies.push_back({&d, r});
    }
  }

  void routineBody(RoutineDecl& d, Routine* r) {
    std::unordered_map<std::string, Symbol> scope;
    locals = &scope;
    routine = r;
    r->frameSize = 0;
    if (r->result != nullptr) {
      Symbol res;
      res.kind = Symbol::Variable;
      res.type = r->result;
      res.slot = r->frameSize++;
      res.used = true;
      scope["result"] = res;
      if (r->result->kind == TypeKind::Array) r->slotTypes.emplace_back(res.slot, r->result);
    }
    for (const Param& prm : r->params) {
      Symbol s;
      s.used = true;
      s.type = prm.type;
      if (prm.mode == ParamMode::Var) {
        s.kind = Symbol::RefParam;
        s.slot = r->refCount++;
      } else {
        s.kind = Symbol::Variable;
        s.readOnly = prm.mode == ParamMode::Const;
        s.slot = r->frameSize++;
      }
      r->paramSlot.push_back(s.slot);
      declareName(scope, prm.name, r->row, r->col, s);
    }
    Block& b = *d.block;
    for (auto& decl : b.decls) {
      switch (decl.kind) {
        case Decl::Var: variables(*decl.var, false); break;
        case Decl::Const: constant(*decl.constant, scope); break;
        case Decl::Type: typeDeclaration(*decl.type, scope); break;
        case Decl::Routine:
          error(decl.routine->row, decl.routine->col, "Nested procedures and functions are not supported");
          break;
      }
    }
    statement(b.body);
    r->body = std::move(b.body);
    std::vector<const Symbol*> unused;  // in source order, not the map's
    for (const auto& [key, s] : scope)
      if (s.isLocalVariable && !s.used) unused.push_back(&s);
    std::sort(unused.begin(), unused.end(), [](const Symbol* a, const Symbol* b) {
      return a->row != b->row ? a->row < b->row : a->col < b->col;
    });
    for (const Symbol* s : unused) hint(s->row, s->col, "Variable '" + s->name + "' is declared but never used");
    if (r->result != nullptr && !r->resultAssigned)
      warning(d.row, d.col, "Return value of function '" + r->name + "' might be undefined");
    locals = nullptr;
    routine = nullptr;
  }

  void checkProgram(ProgramSyntax& syntax) {
    module.clear();
    Block& main = *syntax.main;
    std::vector<PendingBody> bodies;
    for (auto& decl : main.decls) {
      switch (decl.kind) {
        case Decl::Var: variables(*decl.var, true); break;
        case Decl::Const: constant(*decl.constant, globals); break;
        case Decl::Type: typeDeclaration(*decl.type, globals); break;
        case Decl::Routine: routineHeading(*decl.routine, bodies); break;
      }
    }
    for (auto& [key, s] : globals)
      if (s.kind == Symbol::RoutineName && s.row != 0 && !s.routine->hasBody && !s.routine->isNative)
        error(s.row, s.col, "Unsatisfied forward declaration: '" + s.routine->name + "'");
    for (auto& b : bodies) routineBody(*b.decl, b.routine);
    statement(main.body);
    p.mainBlock = std::move(main.body);
  }
};

Checker::Checker(Program& program, std::vector<CompilerMessage>& messages)
    : impl_(std::make_unique<Impl>(program, messages)) {}
Checker::~Checker() = default;

void Checker::setModule(std::string module) { impl_->module = std::move(module); }
ClassInfo* Checker::declareClass(std::string_view name, std::string_view parent) {
  return impl_->declareClass(name, parent);
}
void Checker::declareProperty(std::string_view className, std::string_view name, std::string_view typeName,
                              PropertyAccess access) {
  impl_->declareProperty(className, name, typeName, access);
}
Routine* Checker::declareMethod(std::string_view className, std::string_view declaration) {
  return impl_->declareMethod(className, declaration);
}
Routine* Checker::declareRoutine(std::string_view declaration) { return impl_->declareRoutine(declaration); }
void Checker::declareType(std::string_view name, std::string_view typeName) { impl_->declareType(name, typeName); }
void Checker::declareConstant(std::string_view name, const Value& value) { impl_->declareConstant(name, value); }
Routine* Checker::findRoutine(std::string_view name) const { return impl_->findRoutine(name); }
ClassInfo* Checker::findClass(std::string_view name) const { return impl_->findClass(name); }
void Checker::checkProgram(ProgramSyntax& syntax) { impl_->checkProgram(syntax); }

}  // namespace kelmo::script
