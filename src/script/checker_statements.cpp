// Statements and the declarations of a script: the top of the checker.
#include "script/checker_impl.h"


namespace kelmo::script {

// statement = compound | assignment | call | if | while | repeat | for | case | with | try | raise
void Checker::Impl::statement(StmtPtr& s) {
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
      statement(s->doPart);
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
    case StmtKind::Raise: return raiseStatement(*s);
    default: return;
  }
}

// condition = boolean expression
void Checker::Impl::condition(ExprPtr& e) {
  expectValue(e);
  callIfProcedural(e);
  if (!failed(e) && e->type->kind != TypeKind::Boolean)
    error(*e, "Type of expression must be boolean, not '" + e->type->name + "'");
}

// call = designator ["(" args ")"]
void Checker::Impl::callStatement(Stmt& s) {
  ExprPtr& e = s.exprs[0];
  Builtin b{};
  bool isBuiltin = false;
  std::vector<ExprPtr> args;
  int row = e->row, col = e->col;
  std::string text;
  if (e->op == Op::Name || (e->op == Op::Apply && e->kid(0)->op == Op::Name)) {
    Expr* n = e->op == Op::Name ? e.get() : e->kid(0);
    text = n->text;
    bool shadowed = withMember(lowerName(n->text)) != nullptr;
    Symbol* sym = shadowed ? nullptr : lookup(lowerName(n->text));
    if (sym != nullptr && sym->kind == Symbol::BuiltinName &&
        (sym->builtin == Builtin::Inc || sym->builtin == Builtin::Dec || sym->builtin == Builtin::Exit ||
         sym->builtin == Builtin::SetLength || sym->builtin == Builtin::Include || sym->builtin == Builtin::Exclude ||
         sym->builtin == Builtin::Break || sym->builtin == Builtin::Continue || sym->builtin == Builtin::Assert)) {
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
  if (e->type->kind == TypeKind::Procedural) {  // "c;" calls the routine c holds
    ExprPtr callee = std::move(e);
    callIndirect(e, std::move(callee), {}, true);
    return;
  }
  switch (e->op) {
    case Op::CallScript: case Op::CallNative: case Op::CallMethod: case Op::CallConstructor: case Op::CallIndirect: return;
    default: error(row, col, "Statement expected, but expression of type '" + e->type->name + "' found");
  }
}

// Inc "(" var ["," n] ")" | Dec ... | Exit ["(" value ")"] | Break | Continue | Assert ...
void Checker::Impl::statementBuiltin(Stmt& s, Builtin b, std::vector<ExprPtr> args, int row, int col, const std::string& text) {
  s.exprs.clear();
  switch (b) {
    case Builtin::Break:
    case Builtin::Continue:
      if (!args.empty()) return error(*args[0], "Too many actual parameters for '" + text + "'");
      if (loopDepth == 0) return error(row, col, "BREAK or CONTINUE outside of loop");
      s.kind = b == Builtin::Break ? StmtKind::Break : StmtKind::Continue;
      return;
    case Builtin::Assert: return assertion(s, std::move(args), row, col, text);
    case Builtin::Exit:
      s.kind = StmtKind::Exit;
      if (args.size() > 1) return error(*args[1], "Too many actual parameters for 'Exit'");
      if (!args.empty()) {
        if (routine == nullptr || routine->result == nullptr)
          return error(*args[0], "Exit with a value is allowed only in a function");
        if (!valueFor(args[0], routine->result)) return;
        routine->resultAssigned = true;
        s.exprs.push_back(std::move(args[0]));
      }
      return;
    case Builtin::SetLength: {
      // SetLength(dynamic array or string, length): keeps the prefix, fills the rest with zeros
      if (args.size() < 2) return error(row, col, "Not enough actual parameters for '" + text + "'");
      if (args.size() > 2) return error(*args[2], "Too many actual parameters for '" + text + "'");
      expectValue(args[0]);
      if (failed(args[0])) return;
      if (!isLvalue(*args[0]) || isReadOnly(*args[0])) return error(*args[0], "Variable required");
      const Type* t = args[0]->type;
      if (t->kind != TypeKind::String && !(t->kind == TypeKind::Array && t->dynamic && !t->openParam))
        return error(*args[0], "Dynamic array or string expected for 'SetLength'");
      expectValue(args[1]);
      if (!coerce(args[1], p.tInt64)) return;
      s.kind = StmtKind::SetLength;
      s.type = t;
      s.exprs.push_back(std::move(args[0]));
      s.exprs.push_back(std::move(args[1]));
      return;
    }
    case Builtin::Include:
    case Builtin::Exclude: {
      // Include(set variable, element) | Exclude(set variable, element)
      if (args.size() < 2) return error(row, col, "Not enough actual parameters for '" + text + "'");
      if (args.size() > 2) return error(*args[2], "Too many actual parameters for '" + text + "'");
      expectValue(args[0]);
      if (failed(args[0])) return;
      if (!isLvalue(*args[0]) || isReadOnly(*args[0])) return error(*args[0], "Variable required");
      const Type* t = args[0]->type;
      if (t->kind != TypeKind::Set || t->element == nullptr) return error(*args[0], "Set variable expected for '" + text + "'");
      expectValue(args[1]);
      if (failed(args[1])) return;
      const Type* et = args[1]->type;
      if (et->kind != t->element->kind || et->base != t->element->base)
        return error(*args[1], "Incompatible types: '" + t->element->name + "' and '" + et->name + "'");
      s.kind = StmtKind::Include;
      s.step = b == Builtin::Include ? 1 : -1;
      s.exprs.push_back(std::move(args[0]));
      s.exprs.push_back(std::move(args[1]));
      return;
    }
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

// The name of the function being checked, or of one around it, on the left of := stands
// for its Result, unless a name declared in between hides it.
bool Checker::Impl::resultTarget(Expr& t) {
  if (t.op != Op::Name) return false;
  std::string lower = lowerName(t.text);
  int hops = 0;
  for (RoutineScope* sc = routineScope; sc != nullptr; sc = sc->outer, ++hops) {
    if (sc->names.count(lower) != 0) return false;
    Routine* r = sc->routine;
    if (r->kind != RoutineKind::Function || !sameName(t.text, r->name)) continue;
    t.op = hops == 0 ? Op::Local : Op::Outer;
    t.slot = 0;
    if (hops > 0) reachOut(t, hops);
    t.type = r->result;
    return true;
  }
  return false;
}

// assignment = designator ":=" expression
void Checker::Impl::assignment(Stmt& s) {
  ExprPtr& target = s.exprs[0];
  ExprPtr& value = s.exprs[1];
  if (resultTarget(*target)) {
    // resolved in place
  } else if (target->op == Op::Member) {
    expectValue(target->kids[0]);
    if (failed(target->kids[0])) return;
    const Type* bt = target->kids[0]->type;
    if (bt->kind == TypeKind::Record) {
      recordField(target);
    } else if (bt->kind != TypeKind::Class)
      return error(*target, "'" + target->text + "' is not a member: a class is required before '.', not '" + bt->name + "'");
    if (bt->kind == TypeKind::Class) {
      const Property* prop = bt->cls->findProperty(lowerName(target->text));
      if (prop == nullptr) {
        if (bt->cls->findMethod(lowerName(target->text)))
          return error(*target, "Left side cannot be assigned to: '" + target->text + "' is a method");
        return error(*target, "Unknown member '" + target->text + "' of class '" + bt->cls->name + "'");
      }
      if (!prop->indexParams.empty()) return error(*target, "Property '" + prop->name + "' needs an index: '[' expected");
      return propertyAssignment(s, prop);
    }
  } else if (target->op == Op::Name) {
    std::string lower = lowerName(target->text);
    if (const WithEntry* w = withMember(lower)) {
      if (w->record) {
        withField(target, *w);
      } else if (const Property* prop = w->cls->findProperty(lower)) {
        target->kids.push_back(withObject(*w, target->row, target->col));
        return propertyAssignment(s, prop);
      } else {
        return error(*target, "Left side cannot be assigned to: '" + target->text + "' is a method");
      }
    } else if (Symbol* sym = lookup(lower); sym == nullptr) {
      return error(*target, unknownName(target->text));
    } else {
      if (sym->kind != Symbol::Variable && sym->kind != Symbol::RefParam)
        return error(*target, "Left side cannot be assigned to");
      if (sym->readOnly) return error(*target, "Left side cannot be assigned to: '" + target->text + "' is a constant parameter");
      expression(target);
    }
  } else {
    expression(target);
  }
  if (failed(target)) return;
  // Result itself, or a field or element of it, of this function or of one around it.
  const Expr* root = target.get();
  while (root->op == Op::Element) root = root->kid(0);
  if ((root->op == Op::Local || root->op == Op::Outer) && root->slot == 0)
    if (RoutineScope* sc = scopeOut(root->op == Op::Outer ? root->hops : 0); sc != nullptr && sc->routine->result != nullptr)
      sc->routine->resultAssigned = true;
  if (target->op == Op::StrChar) {
    if (!isLvalue(*target->kid(0)) || isReadOnly(*target->kid(0))) return error(*target, "Left side cannot be assigned to");
    expectValue(value);
    if (!coerce(value, p.tChar)) return;
    s.kind = StmtKind::AssignStrChar;
    return;
  }
  if (target->op == Op::ReadProperty && !target->property->indexParams.empty()) {
    // object[i] := v, object.Prop[i] := v
    if (!target->property->writable) return error(*target, "Property '" + target->property->name + "' is read-only");
    if (!valueFor(value, target->property->type)) return;
    s.kind = StmtKind::AssignProperty;
    return;
  }
  if (!isLvalue(*target) || isWithValue(*target)) return error(*target, "Left side cannot be assigned to");
  if (isReadOnly(*target)) return error(*target, "Left side cannot be assigned to: constant parameter");
  if (!valueFor(value, target->type)) return;
  s.type = target->type;
  // Variables, record fields and array elements of numbers take the fast stores.
  bool simple = target->op == Op::Local || target->op == Op::Global || target->op == Op::RefParam ||
                target->op == Op::Element;
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

// object "." property ":=" expression
void Checker::Impl::propertyAssignment(Stmt& s, const Property* prop) {
  ExprPtr& target = s.exprs[0];
  if (!prop->writable) return error(*target, "Property '" + prop->name + "' is read-only");
  target->op = Op::ReadProperty;
  target->property = prop;
  target->type = prop->type;
  if (!valueFor(s.exprs[1], prop->type)) return;
  s.kind = StmtKind::AssignProperty;
}

// for = "for" name ":=" expr ("to" | "downto") expr "do" statement
void Checker::Impl::forStatement(Stmt& s) {
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
  statement(s.doPart);
  --loopDepth;
}

// case = "case" expr "of" {labels ":" statement ";"} ["else" statements] "end"
void Checker::Impl::caseStatement(Stmt& s) {
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
  for (auto& st : s.elseList) statement(st);
}

// label = constant ["..", constant]
bool Checker::Impl::constantLabel(ExprPtr& e, const Type* t, std::int64_t& out) {
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

// with = "with" designator {"," designator} "do" statement
// Each designator is an object or a record, evaluated once at the start; later ones hide
// the members of earlier ones.
void Checker::Impl::withStatement(Stmt& s) {
  std::vector<ExprPtr> designators = std::move(s.exprs);
  s.exprs.clear();
  std::size_t pushed = 0;
  for (auto& d : designators) {
    expectValue(d);
    if (failed(d)) continue;
    if (d->type->kind == TypeKind::Class) {
      WithEntry w;
      w.cls = d->type->cls;
      w.global = routine == nullptr;
      w.slot = withTemporary(s, std::move(d));
      withs.push_back(std::move(w));
    } else if (d->type->kind == TypeKind::Record) {
      withs.push_back(openRecord(s, std::move(d)));
    } else {
      error(*d, "Record or object expected in 'with', not '" + d->type->name + "'");
      continue;
    }
    ++pushed;
  }
  statement(s.doPart);
  withs.resize(withs.size() - pushed);
}

// A temporary that the 'with' statement fills at its start with `value`; returns its slot.
int Checker::Impl::withTemporary(Stmt& s, ExprPtr value) {
  int slot = newSlot();
  s.exprs.push_back(std::move(value));
  s.withSlots.push_back(slot);
  s.withGlobal.push_back(routine == nullptr);
  return slot;
}

// record designator = variable {"." field | "[" index "]"} | value
// A variable keeps its designator, with computed indexes held in temporaries: the body's
// fields are then the variable's own, at the element chosen when the 'with' began. The
// designator is also evaluated once at the start, so that a bad index is reported there.
// Any other record value is copied into a temporary.
WithEntry Checker::Impl::openRecord(Stmt& s, ExprPtr designator) {
  WithEntry w;
  w.global = routine == nullptr;
  if (!isLvalue(*designator)) {
    w.readOnly = true;
    auto read = std::make_unique<Expr>();
    read->op = w.global ? Op::Global : Op::Local;
    read->type = designator->type;
    read->row = designator->row;
    read->col = designator->col;
    read->slot = withTemporary(s, std::move(designator));
    w.slot = read->slot;
    w.record = std::move(read);
    return w;
  }
  w.readOnly = isReadOnly(*designator);
  if (moveIndexesToTemporaries(s, *designator)) {
    s.exprs.push_back(copyDesignator(*designator));
    s.withSlots.push_back(-1);
    s.withGlobal.push_back(false);
  }
  w.record = std::move(designator);
  return w;
}

// Replaces each computed array index of the designator by a read of a temporary that the
// 'with' fills first; whether the designator selects an array element at all.
bool Checker::Impl::moveIndexesToTemporaries(Stmt& s, Expr& designator) {
  if (designator.op != Op::Element) return false;
  bool element = moveIndexesToTemporaries(s, *designator.kid(0));
  if (designator.kid(0)->type->kind == TypeKind::Record) return element;  // a field number
  ExprPtr& index = designator.kids[1];
  if (index->op != Op::ConstInt) {
    auto read = std::make_unique<Expr>();
    read->op = routine == nullptr ? Op::Global : Op::Local;
    read->type = index->type;
    read->row = index->row;
    read->col = index->col;
    read->slot = withTemporary(s, std::move(index));
    index = std::move(read);
  }
  return true;
}

// A new name in a scope; a script may reuse what only the system declared.
bool Checker::Impl::declareName(std::unordered_map<std::string, Symbol>& scope, const std::string& name, int row, int col,
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

// var = names ":" type ["=" constant] ";"
void Checker::Impl::variables(VarDecl& v, bool global) {
  const Type* t = resolveType(*v.type);
  if (t == nullptr) return;
  Value init;
  if (v.init) {
    if (!global) {
      error(*v.init, "Local variables cannot be initialised");
    } else if (v.names.size() != 1) {
      error(*v.init, "Only one variable can be initialised at a time");
    } else {
      constantValue(v.init, t, init);
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
    if (t->kind == TypeKind::Array || t->kind == TypeKind::Record) types.emplace_back(s.slot, t);
    if (v.init && global && init.kind() != Value::Kind::Nil) p.globalInits.emplace_back(s.slot, init);
  }
}

// constant value of type t: a constant expression, or "(" ... ")" for arrays and records
bool Checker::Impl::constantValue(ExprPtr& e, const Type* t, Value& out) {
  bool aggregateType = t->kind == TypeKind::Record || (t->kind == TypeKind::Array && t->element != p.tConstItem);
  if (aggregateType && e->op != Op::Aggregate) {
    if (t->kind == TypeKind::Array && t->dynamic && e->op == Op::SetLiteral) {
      if (!arrayLiteral(e, t)) return false;
      std::vector<Value> items;
      for (auto& k : e->kids) {
        Value v;
        if (!constantValue(k, t->element, v)) return false;
        items.push_back(v);
      }
      out = Value::list(std::move(items));
      return true;
    }
    error(*e, "'(' expected: a constant of type '" + t->name + "' is written as a list in parentheses");
    return false;
  }
  if (!aggregateType) {
    if (e->op == Op::Aggregate && e->kids.size() == 1 && e->kids[0]->op != Op::Name) {
      ExprPtr only = std::move(e->kids[0]);
      e = std::move(only);
    }
    if (!valueFor(e, t)) return false;
    std::string err;
    if (!evaluateConstant(*e, out, err)) {
      error(*e, err.empty() ? "Constant expression expected" : err);
      return false;
    }
    return true;
  }
  out = t->dynamic ? Value::list(std::vector<Value>(e->kids.size())) : defaultValue(t);
  if (t->kind == TypeKind::Record) {
    std::size_t next = 0;
    for (std::size_t i = 0; i + 1 < e->kids.size(); i += 2) {
      Expr* name = e->kid(i);
      if (name->op != Op::Name) {
        error(*name, "Field name expected");
        return false;
      }
      std::size_t f = next;
      while (f < t->fields.size() && !sameName(t->fields[f].name, name->text)) ++f;
      if (f == t->fields.size()) {
        error(*name, "Unknown field '" + name->text + "' (fields are given in declaration order)");
        return false;
      }
      Value v;
      if (!constantValue(e->kids[i + 1], t->fields[f].type, v)) return false;
      out.mutableArray().items[f] = v;
      next = f + 1;
    }
    if (e->kids.size() % 2 != 0 || (!e->kids.empty() && e->kid(0)->op != Op::Name)) {
      error(*e, "Record constant expected: (Field: value; ...)");
      return false;
    }
    return true;
  }
  std::size_t count = t->dynamic ? e->kids.size() : static_cast<std::size_t>(t->count());
  if (e->kids.size() != count) {
    error(*e, "Number of elements (" + std::to_string(e->kids.size()) + ") differs from the declaration (" +
                  std::to_string(count) + ")");
    return false;
  }
  for (std::size_t i = 0; i < count; ++i) {
    Value v;
    if (!constantValue(e->kids[i], t->element, v)) return false;
    out.mutableArray().items[i] = v;
  }
  return true;
}

// const = name [":" type] "=" constant ";"
void Checker::Impl::constant(ConstDecl& c, std::unordered_map<std::string, Symbol>& scope) {
  const Type* t = nullptr;
  Value v;
  if (c.type) {
    t = resolveType(*c.type);
    if (t == nullptr || !constantValue(c.value, t, v)) return;
  } else {
    expectValue(c.value);
    if (failed(c.value)) return;
    t = c.value->type;
    std::string err;
    if (!evaluateConstant(*c.value, v, err)) return error(*c.value, err.empty() ? "Constant expression expected" : err);
  }
  if (t->kind == TypeKind::Class) return error(*c.value, "Constants of type '" + t->name + "' are not supported");
  Symbol s;
  if (t->kind == TypeKind::Array || t->kind == TypeKind::Record || t->kind == TypeKind::Set) {
    // Structured constants live in a read-only global.
    s.kind = Symbol::Variable;
    s.global = true;
    s.readOnly = true;
    s.used = true;
    s.slot = p.globalCount++;
    p.globalInits.emplace_back(s.slot, v);
  } else {
    s.kind = Symbol::Constant;
    s.constValue = v;
  }
  s.type = t;
  declareName(scope, c.name, c.row, c.col, s);
}

// type = name "=" type ";"
void Checker::Impl::typeDeclaration(TypeDecl& td, std::unordered_map<std::string, Symbol>& scope) {
  const Type* t = resolveType(*td.type);
  if (t == nullptr) return;
  // A procedural type made by this declaration is named by it in messages.
  if (td.type->form == TypeSpec::Routine) const_cast<Type*>(t)->name = td.name;
  Symbol s;
  s.kind = Symbol::TypeName;
  s.type = t;
  declareName(scope, td.name, td.row, td.col, s);
}

// program = ["program" name ";"] {declaration} compound "."
void Checker::Impl::checkProgram(ProgramSyntax& syntax) {
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
  unsatisfiedForwards(globals);
  for (auto& b : bodies) routineBody(*b.decl, b.routine);
  statement(main.body);
  p.mainBlock = std::move(main.body);
}

}  // namespace kelmo::script
