// Expressions: names, members, calls and their arguments, casts, indexing and
// operators. Each function resolves one node in place: its type and the exact operation.
#include "script/checker_impl.h"

namespace kelmo::script {

// name -> symbol: the routine's scope, those of the routines around it, then the globals
Symbol* Checker::Impl::lookup(const std::string& lower, int* hops) {
  int out = 0;
  for (RoutineScope* sc = routineScope; sc != nullptr; sc = sc->outer, ++out) {
    auto it = sc->names.find(lower);
    if (it == sc->names.end()) continue;
    if (hops != nullptr) *hops = out;
    return &it->second;
  }
  if (hops != nullptr) *hops = 0;
  auto it = globals.find(lower);
  return it != globals.end() ? &it->second : nullptr;
}

// The scope of the routine `hops` levels around the current one.
RoutineScope* Checker::Impl::scopeOut(int hops) const {
  RoutineScope* sc = routineScope;
  for (; hops > 0 && sc != nullptr; --hops) sc = sc->outer;
  return sc;
}

// The innermost 'with' that opened a field, property or method of this name: it hides
// outer ones, locals and globals alike.
const WithEntry* Checker::Impl::withMember(const std::string& lower) const {
  for (auto w = withs.rbegin(); w != withs.rend(); ++w) {
    if (w->record) {
      for (const Field& f : w->record->type->fields)
        if (lowerName(f.name) == lower) return &*w;
      continue;
    }
    if (w->cls->findProperty(lower) != nullptr) return &*w;
    if (const Routine* m = w->cls->findMethod(lower); m != nullptr && m->kind != RoutineKind::Constructor) return &*w;
  }
  return nullptr;
}

// A copy of a resolved record designator: variables, constant indexes and field numbers,
// and reads of the temporaries that hold computed indexes.
ExprPtr copyDesignator(const Expr& d) {
  auto c = std::make_unique<Expr>();
  c->op = d.op;
  c->row = d.row;
  c->col = d.col;
  c->type = d.type;
  c->intValue = d.intValue;
  c->slot = d.slot;
  c->hops = d.hops;
  c->link = d.link;
  c->shared = d.shared;
  for (const auto& k : d.kids) c->kids.push_back(copyDesignator(*k));
  return c;
}

// A field of a record a 'with' opened: that field of the designator.
void Checker::Impl::withField(ExprPtr& e, const WithEntry& w) {
  e->kids.clear();
  e->kids.push_back(copyDesignator(*w.record));
  recordField(e);
}

// The object a 'with' opened, as an expression reading its temporary.
ExprPtr Checker::Impl::withObject(const WithEntry& w, int row, int col) {
  auto e = std::make_unique<Expr>();
  e->op = w.global ? Op::Global : Op::Local;
  e->slot = w.slot;
  e->type = w.cls->type;
  e->row = row;
  e->col = col;
  return e;
}

// A value slot in the current frame (routine) or among the globals.
int Checker::Impl::newSlot() {
  if (routine != nullptr) return routine->frameSize++;
  return p.globalCount++;
}

// variable = name | variable "[" index "]" | variable "." field
bool Checker::Impl::isLvalue(const Expr& e) {
  switch (e.op) {
    case Op::Local:
    case Op::Global:
    case Op::RefParam:
    case Op::Outer:
    case Op::OuterRef: return true;
    case Op::Element: return isLvalue(*e.kid(0));
    default: return false;
  }
}

// Resolves a node to its operation and type.
void Checker::Impl::setType(Expr& e, Op op, const Type* t) {
  e.op = op;
  e.type = t;
}

// Wraps e in a conversion node.
ExprPtr Checker::Impl::convert(ExprPtr e, Op op, const Type* t) {
  auto c = std::make_unique<Expr>();
  c->op = op;
  c->type = t;
  c->row = e->row;
  c->col = e->col;
  c->kids.push_back(std::move(e));
  return c;
}

// Arrays of the same shape and element type.
bool Checker::Impl::sameArray(const Type* a, const Type* b) const {
  if (a == b) return true;
  if (a->kind != TypeKind::Array || b->kind != TypeKind::Array) return false;
  if (a->dynamic || b->dynamic) return a->dynamic && b->dynamic && sameArray(a->element, b->element);
  return a->low == b->low && a->high == b->high && sameArray(a->element, b->element);
}

// Whether a value of `from` may be stored into `to`, and how.
bool Checker::Impl::assignable(const Type* to, const Type* from) const {
  if (to == from) return true;
  switch (to->kind) {
    case TypeKind::Ordinal: return from->kind == TypeKind::Ordinal;
    case TypeKind::Real: return from->kind == TypeKind::Real || from->kind == TypeKind::Ordinal;
    case TypeKind::String: return from->kind == TypeKind::String || from->kind == TypeKind::Char;
    case TypeKind::Char: return from->kind == TypeKind::Char;
    case TypeKind::Boolean: return from->kind == TypeKind::Boolean;
    case TypeKind::Class:
      return from->kind == TypeKind::Nil || (from->kind == TypeKind::Class && from->cls->derivesFrom(to->cls));
    case TypeKind::Array:
      if (to->openParam && from->kind == TypeKind::Array) return sameArray(to->element, from->element);
      return sameArray(to, from);
    case TypeKind::Enum: return from->kind == TypeKind::Enum && from->base == to->base;
    case TypeKind::Procedural:
      return from->kind == TypeKind::Nil ||
             (from->kind == TypeKind::Procedural && sameSignature(*to->signature, *from->signature));
    case TypeKind::Set:
      return from == p.tEmptySet ||
             (from->kind == TypeKind::Set && from->element != nullptr && to->element != nullptr &&
              from->element->kind == to->element->kind && from->element->base == to->element->base);
    default: return false;
  }
}

// Converts a checked expression for a store into `to`, or reports the mismatch.
bool Checker::Impl::coerce(ExprPtr& e, const Type* to) {
  if (to->kind != TypeKind::Procedural) callIfProcedural(e);
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
  } else if (to->kind == TypeKind::Array && to->openParam && !from->dynamic) {
    e = convert(std::move(e), Op::ToOpenArray, to);
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

// expression = constant | name | member | call | index | binary | unary
void Checker::Impl::expression(ExprPtr& e) {
  switch (e->op) {
    case Op::ConstInt:
      if (e->type != nullptr) return;  // already checked (a char from a one-letter string)
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
    case Op::SetLiteral: return setLiteral(e);
    case Op::Aggregate: return error(*e, "'(' ... ')' lists are allowed only as values of typed constants");
    case Op::SetRange: return error(*e, "Unexpected '..'");
    default: return;  // already resolved
  }
}

// value for a store into `to`: "[a, b]" builds an open or dynamic array there, and a
// routine's name is the routine itself where a procedural value is expected
bool Checker::Impl::valueFor(ExprPtr& e, const Type* to) {
  if (e->op == Op::SetLiteral && to->kind == TypeKind::Array && to->dynamic) return arrayLiteral(e, to);
  if (to->kind == TypeKind::Procedural && routineValue(e, to)) return !failed(e);
  expectValue(e);
  return coerce(e, to);
}

// "[" item {"," item} "]" as an open array, a dynamic array or an "array of const"
bool Checker::Impl::arrayLiteral(ExprPtr& e, const Type* to) {
  for (auto& item : e->kids) {
    if (item->op == Op::SetRange) {
      error(*item, "'..' is not allowed in an array constructor");
      return false;
    }
    if (to->element->kind == TypeKind::Procedural) {
      if (!valueFor(item, to->element)) return false;
      continue;
    }
    expectValue(item);
    callIfProcedural(item);
    if (failed(item)) return false;
    if (to->element == p.tConstItem) {
      TypeKind k = item->type->kind;
      if (k == TypeKind::Char) coerce(item, p.tString);
      else if (k == TypeKind::Set || k == TypeKind::Record || k == TypeKind::Array || k == TypeKind::Procedural) {
        error(*item, "A value of type '" + item->type->name + "' cannot be passed in an array of const");
        return false;
      }
    } else if (!coerce(item, to->element)) {
      return false;
    }
  }
  e->op = Op::MakeArray;
  e->type = to;
  return true;
}

// set = "[" [element {"," element}] "]";  element = expr [".." expr]
void Checker::Impl::setLiteral(ExprPtr& e) {
  const Type* element = nullptr;
  std::vector<ExprPtr> flat;
  for (auto& el : e->kids) {
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
      if (!bnd->type->isOrdinal()) return error(*bnd, "Ordinal type required in a set, not '" + bnd->type->name + "'");
      if (element == nullptr) element = bnd->type;
      if (bnd->type->kind != element->kind || bnd->type->base != element->base)
        return error(*bnd, "Incompatible types: '" + element->name + "' and '" + bnd->type->name + "'");
    }
    flat.push_back(std::move(bounds[0]));
    flat.push_back(bounds.size() == 2 ? std::move(bounds[1]) : nullptr);
  }
  e->kids = std::move(flat);
  e->op = Op::MakeSet;
  if (element == nullptr) {
    e->type = p.tEmptySet;
    return;
  }
  if (element->kind == TypeKind::Ordinal) {
    auto it = p.typeNames.find("byte");
    element = it->second;
  } else if (element->kind == TypeKind::Enum) {
    element = element->base;
  } else if (element->kind == TypeKind::Char) {
    element = p.tChar;
  } else {
    element = p.tBoolean;
  }
  e->type = makeSetType(element);
}

// An expression that has a value (not a procedure call).
void Checker::Impl::expectValue(ExprPtr& e) {
  expression(e);
  if (!failed(e) && e->type->kind == TypeKind::Void) {
    error(*e, "Expression expected: '" + e->text + "' has no value");
    e->type = nullptr;
  }
}

// identifier
void Checker::Impl::name(ExprPtr& e, bool statement) {
  std::string lower = lowerName(e->text);
  if (const WithEntry* w = withMember(lower)) {
    if (w->record) return withField(e, *w);
    if (const Property* prop = w->cls->findProperty(lower)) {
      if (!prop->readable) return error(*e, "Property '" + prop->name + "' is write-only");
      int row = e->row, col = e->col;
      e->op = Op::ReadProperty;
      e->property = prop;
      e->type = prop->type;
      e->kids.push_back(withObject(*w, row, col));
      return;
    }
    return callMethod(e, w->cls->findMethod(lower), withObject(*w, e->row, e->col), {}, statement);
  }
  int hops = 0;
  Symbol* s = lookup(lower, &hops);
  if (s == nullptr) return error(*e, unknownName(e->text));
  s->used = true;
  switch (s->kind) {
    case Symbol::Variable:
      setType(*e, s->global ? Op::Global : hops > 0 ? Op::Outer : Op::Local, s->type);
      e->slot = s->slot;
      if (hops > 0) reachOut(*e, hops);
      return;
    case Symbol::RefParam:
      setType(*e, hops > 0 ? Op::OuterRef : Op::RefParam, s->type);
      e->slot = s->slot;
      if (hops > 0) reachOut(*e, hops);
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
void Checker::Impl::member(ExprPtr& e, std::vector<ExprPtr> args, bool hasArgs, bool statement) {
  Expr* base = e->kid(0);
  std::string lower = lowerName(e->text);
  if (base->op == Op::Name) {
    Symbol* s = lookup(lowerName(base->text));
    bool shadowed = withMember(lowerName(base->text)) != nullptr;
    if (!shadowed && s != nullptr && s->kind == Symbol::TypeName) {
      if (s->type->kind != TypeKind::Class) return error(*e, "'" + base->text + "' is not a class");
      Routine* ctor = s->type->cls->findMethod(lower);
      if (ctor == nullptr || ctor->kind != RoutineKind::Constructor)
        return error(*e, "Unknown constructor '" + e->text + "' of class '" + s->type->cls->name + "'");
      e->op = Op::CallConstructor;
      e->routine = ctor;
      e->cls = s->type->cls;
      e->kids.clear();
      if (!arguments(*e, ctor, args, ctor->name)) return;
      e->type = s->type;
      return;
    }
  }
  expectValue(e->kids[0]);
  if (failed(e->kids[0])) return;
  const Type* bt = e->kids[0]->type;
  if (bt->kind == TypeKind::Record) {
    recordField(e);
    if (!hasArgs || failed(e)) return;
    if (e->type->kind != TypeKind::Procedural) return error(*e, "'" + e->text + "' is a field, not a routine");
    ExprPtr callee = std::move(e);
    return callIndirect(e, std::move(callee), std::move(args), statement);
  }
  if (bt->kind != TypeKind::Class)
    return error(*e, "'" + e->text + "' is not a member: a class is required before '.', not '" + bt->name + "'");
  if (const Property* prop = bt->cls->findProperty(lower)) {
    if (hasArgs) return error(*e, "Property '" + prop->name + "' takes no arguments");
    if (!prop->indexParams.empty()) return error(*e, "Property '" + prop->name + "' needs an index: '[' expected");
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

// record "." field: an element of the record's field array
void Checker::Impl::recordField(ExprPtr& e) {
  const Type* rt = e->kids[0]->type;
  std::size_t i = 0;
  while (i < rt->fields.size() && !sameName(rt->fields[i].name, e->text)) ++i;
  if (i == rt->fields.size()) return error(*e, "Unknown field '" + e->text + "' of record");
  auto index = std::make_unique<Expr>();
  index->op = Op::ConstInt;
  index->intValue = static_cast<std::int64_t>(i);
  index->type = p.tInteger;
  index->row = e->row;
  index->col = e->col;
  e->kids.push_back(std::move(index));
  e->op = Op::Element;
  e->type = rt->fields[i].type;
}

// object "[" index {"," index} "]" or object "." property "[" ... "]": an indexed property
bool Checker::Impl::indexedProperty(ExprPtr& e) {
  Expr* target = e->kid(0);
  const Property* prop = nullptr;
  ExprPtr object;
  if (target->op == Op::Member) {
    expectValue(target->kids[0]);
    if (failed(target->kids[0])) return true;
    const Type* bt = target->kids[0]->type;
    if (bt->kind != TypeKind::Class) return false;
    prop = bt->cls->findProperty(lowerName(target->text));
    if (prop == nullptr || prop->indexParams.empty()) return false;
    object = std::move(target->kids[0]);
  } else {
    expectValue(e->kids[0]);
    if (failed(e->kids[0])) return true;
    const Type* bt = e->kids[0]->type;
    if (bt->kind != TypeKind::Class) return false;
    // A class inherits its parent's default property (TStringList that of TStrings).
    for (const ClassInfo* c = bt->cls; c != nullptr && prop == nullptr; c = c->parent) prop = c->defaultProperty;
    if (prop == nullptr) {
      error(*e, "Class '" + bt->cls->name + "' has no default property: '[' cannot follow it");
      return true;
    }
    object = std::move(e->kids[0]);
  }
  if (!prop->readable) {
    error(*e, "Property '" + prop->name + "' is write-only");
    return true;
  }
  std::vector<ExprPtr> indices;
  for (std::size_t i = 1; i < e->kids.size(); ++i) indices.push_back(std::move(e->kids[i]));
  if (indices.size() != prop->indexParams.size()) {
    error(*e, "Property '" + prop->name + "' takes " + std::to_string(prop->indexParams.size()) + " index(es)");
    return true;
  }
  e->kids.clear();
  e->kids.push_back(std::move(object));
  for (std::size_t i = 0; i < indices.size(); ++i) {
    if (!valueFor(indices[i], prop->indexParams[i].type)) return true;
    e->kids.push_back(std::move(indices[i]));
  }
  e->op = Op::ReadProperty;
  e->property = prop;
  e->type = prop->type;
  return true;
}

// object "." method ["(" args ")"]
void Checker::Impl::callMethod(ExprPtr& e, Routine* m, ExprPtr object, std::vector<ExprPtr> args, bool statement) {
  e->op = Op::CallMethod;
  e->routine = m;
  e->kids.clear();
  e->kids.push_back(std::move(object));
  if (!arguments(*e, m, args, m->name)) return;
  finishCall(*e, m, statement, m->name);
}

// routine ["(" args ")"]; a nested routine's call also finds the frame it is nested in
void Checker::Impl::callRoutine(ExprPtr& e, Routine* r, std::vector<ExprPtr> args, bool statement) {
  e->op = r->isNative ? Op::CallNative : Op::CallScript;
  e->routine = r;
  e->kids.clear();
  if (r->level > 0) reachOut(*e, routine->level - r->level + 1);
  if (!arguments(*e, r, args, r->name)) return;
  finishCall(*e, r, statement, r->name);
}

// The call's type: the result, or no value for a procedure statement.
void Checker::Impl::finishCall(Expr& e, const Routine* r, bool statement, const std::string& shownName) {
  if (r->result != nullptr) {
    e.type = r->result;
  } else {
    e.type = p.tVoid;
    e.text = shownName;
    if (!statement) {
      error(e, "Procedure '" + shownName + "' has no value and cannot be used in an expression");
      e.type = nullptr;
    }
  }
}

// A native's "var Obj: TObject" takes a variable of any class, as an untyped var does
// (FreeAndNil): natives write back nil or the object they were given.
static bool nativeObjectVar(const Routine& r, const Param& prm) {
  return r.isNative && prm.type->kind == TypeKind::Class && prm.type->cls->parent == nullptr;
}

// Checks the arguments against the parameters and appends them to e.kids.
bool Checker::Impl::arguments(Expr& e, const Routine* r, std::vector<ExprPtr>& args, const std::string& shownName) {
  std::size_t required = 0;
  for (const auto& prm : r->params)
    if (!prm.defaultValue) ++required;
  if (args.size() < required) {
    error(e, "Not enough actual parameters for '" + shownName + "'");
    return false;
  }
  if (args.size() > r->params.size()) {
    error(*args[r->params.size()], "Too many actual parameters for '" + shownName + "'");
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
      d->routine = dv.routine;
      e.isVarArg.push_back(false);
      continue;
    }
    ExprPtr& a = args[i];
    if (prm.mode == ParamMode::Var) {
      if (!varArgument(a, r, prm)) ok = false;
      e.isVarArg.push_back(true);
    } else {
      if (!valueFor(a, prm.type)) ok = false;
      e.isVarArg.push_back(false);
    }
    e.kids.push_back(std::move(a));
  }
  return ok;
}

// var argument = variable {"." field | "[" index "]"}, of the parameter's very type: the
// callee reads and writes that variable, field or element (the interpreter's references
// keep to it while the callee runs).
bool Checker::Impl::varArgument(ExprPtr& a, const Routine* r, const Param& prm) {
  expectValue(a);
  if (failed(a)) return false;
  if (!isLvalue(*a) || isReadOnly(*a)) {
    error(*a, isLvalue(*a) ? "Constant object cannot be passed as var parameter"
                           : "Variable required for var parameter '" + prm.name + "'");
    return false;
  }
  if (prm.type->openParam && !a->type->dynamic) {
    error(*a, "Only a dynamic array can be passed as var open array parameter '" + prm.name + "'");
    return false;
  }
  const Type* at = a->type;
  const Type* pt = prm.type;
  bool identical = at == pt || sameType(at, pt) || (pt->openParam && assignable(pt, at)) ||
                   (at->kind == TypeKind::Enum && pt->kind == TypeKind::Enum && at->base == pt->base) ||
                   (at->kind == TypeKind::Ordinal && pt->kind == TypeKind::Ordinal) || sameArray(at, pt) ||
                   (at->kind == TypeKind::Class && pt->kind == TypeKind::Class &&
                    (at->cls == pt->cls || nativeObjectVar(*r, prm)));
  if (!identical) {
    error(*a, "Types of actual and formal var parameters must be identical: '" + pt->name + "' and '" + at->name + "'");
    return false;
  }
  return true;
}

// A const parameter or typed constant (or an element of one) cannot be assigned.
bool Checker::Impl::isReadOnly(const Expr& e) {
  if (isWithValue(e)) return true;
  const Expr* base = &e;
  while (base->op == Op::Element) base = base->kid(0);
  if (base->op != Op::Local && base->op != Op::Global && base->op != Op::Outer) return false;
  if (base->op == Op::Global) {  // typed constants
    for (const auto& [k, s] : globals)
      if (s.kind == Symbol::Variable && s.global && s.slot == base->slot) return s.readOnly;
    return false;
  }
  if (const RoutineScope* sc = scopeOut(base->op == Op::Outer ? base->hops : 0))
    for (const auto& [k, s] : sc->names)
      if (s.kind == Symbol::Variable && !s.global && s.slot == base->slot) return s.readOnly;
  return false;
}

// A field of a record value that a 'with' holds in a temporary (a function's result).
bool Checker::Impl::isWithValue(const Expr& e) const {
  const Expr* base = &e;
  while (base->op == Op::Element) base = base->kid(0);
  for (const auto& w : withs)
    if (w.record && w.readOnly && w.record->op == base->op && w.record->slot == base->slot &&
        (base->op == Op::Local || base->op == Op::Global))
      return true;
  return false;
}

// callee "(" args ")": a routine, a method, a type cast, or a procedural value
void Checker::Impl::apply(ExprPtr& e, bool statement) {
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
  if (callee->op != Op::Name) {  // fs[i](x), Pick(k)(x)
    expectValue(callee);
    if (failed(callee)) return;
    if (callee->type->kind == TypeKind::Procedural) return callIndirect(e, std::move(callee), std::move(args), statement);
    return error(*callee, "Procedure or function expected before '('");
  }
  std::string lower = lowerName(callee->text);
  if (const WithEntry* w = withMember(lower)) {
    if (w->record) {
      withField(callee, *w);
      if (failed(callee)) return;
      if (callee->type->kind != TypeKind::Procedural) return error(*callee, "'" + callee->text + "' is a field, not a routine");
      return callIndirect(e, std::move(callee), std::move(args), statement);
    }
    if (w->cls->findProperty(lower)) return error(*callee, "Property '" + callee->text + "' takes no arguments");
    e->text = callee->text;
    return callMethod(e, w->cls->findMethod(lower), withObject(*w, e->row, e->col), std::move(args), statement);
  }
  Symbol* s = lookup(lower);
  if (s == nullptr) return error(*callee, unknownName(callee->text));
  s->used = true;
  e->text = callee->text;
  if (s->kind == Symbol::RoutineName && lower == "copy" && !args.empty()) {
    expectValue(args[0]);
    if (failed(args[0])) return;
    if (args[0]->type->kind == TypeKind::Array) return builtin(e, Builtin::Copy, std::move(args), statement);
  }
  switch (s->kind) {
    case Symbol::RoutineName: return callRoutine(e, s->routine, std::move(args), statement);
    case Symbol::BuiltinName: return builtin(e, s->builtin, std::move(args), statement);
    case Symbol::TypeName: return typeCast(e, s->type, std::move(args));
    default:
      if (s->type == nullptr || s->type->kind != TypeKind::Procedural)
        return error(*callee, "'" + callee->text + "' is not a procedure or function");
      expression(callee);
      if (failed(callee)) return;
      return callIndirect(e, std::move(callee), std::move(args), statement);
  }
}

// type "(" expr ")": ordinal and class casts
void Checker::Impl::typeCast(ExprPtr& e, const Type* t, std::vector<ExprPtr> args) {
  if (args.size() != 1) return error(*e, "A type cast takes one argument");
  expectValue(args[0]);
  if (failed(args[0])) return;
  const Type* from = args[0]->type;
  if (t->isOrdinal() && from->isOrdinal()) {
    e = convert(std::move(args[0]), Op::Builtin, t);
    e->builtin = Builtin::OrdinalCast;
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
void Checker::Impl::index(ExprPtr& e) {
  if (indexedProperty(e)) return;
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
      if (base->type->element == p.tConstItem)
        return error(*idx, "Elements of an array of const are read by the routine it is passed to");
      auto el = std::make_unique<Expr>();
      el->shared = base->type->dynamic;
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

// Integer promotion: 64 bits when either side is wider than integer.
const Type* Checker::Impl::integerResult(const Type* a, const Type* b) const {
  auto wide = [&](const Type* t) { return t->bits == 64 || (t->bits == 32 && !t->isSigned); };
  return wide(a) || wide(b) ? p.tInt64 : p.tInteger;
}

// Incompatible operand types of a binary operator.
void Checker::Impl::binaryMismatch(Expr& e, const Type* a, const Type* b) {
  error(e, "Incompatible types: '" + a->name + "' and '" + b->name + "'" +
               " for operator " + spelling(tok(e.syntaxOp)));
  e.type = nullptr;
}

// binary = expr ("+" | "-" | "*" | "/" | "div" | "mod" | "shl" | "shr" | "and" | "or" | "xor" | relop) expr
void Checker::Impl::binary(ExprPtr& e) {
  Tok opTok = tok(e->syntaxOp);
  if (opTok == Tok::In) return inSet(e);
  if (opTok == Tok::Is || opTok == Tok::As) return classTest(e, opTok);
  bool equality = opTok == Tok::Equal || opTok == Tok::NotEqual;
  bool named[2] = {equality && isRoutineName(*e->kid(0)), equality && isRoutineName(*e->kid(1))};
  if (named[0] != named[1]) {
    // "c = Square": a routine named beside a procedural value is that routine, not a call
    ExprPtr& other = e->kids[named[0] ? 1 : 0];
    expectValue(other);
    if (failed(other)) return;
    if (other->type->kind == TypeKind::Procedural) routineValue(e->kids[named[0] ? 0 : 1], nullptr);
    else expectValue(e->kids[named[0] ? 0 : 1]);
  } else {
    expectValue(e->kids[0]);
    expectValue(e->kids[1]);
  }
  if (failed(e->kids[0]) || failed(e->kids[1])) return;
  auto routineSide = [](const Type* t) { return t->kind == TypeKind::Procedural || t->kind == TypeKind::Nil; };
  if (!(equality && routineSide(e->kids[0]->type) && routineSide(e->kids[1]->type))) {
    // F + 1, where F is a function without parameters: its result
    callIfProcedural(e->kids[0]);
    callIfProcedural(e->kids[1]);
    if (failed(e->kids[0]) || failed(e->kids[1])) return;
  }
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
  if (a->kind == TypeKind::Set && b->kind == TypeKind::Set) return setOperation(e, opTok, a, b);
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
        e->wrapTo32 = e->type == p.tInteger;
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

// set operation = set ("+" | "-" | "*" | "=" | "<>" | "<=" | ">=") set
void Checker::Impl::setOperation(ExprPtr& e, Tok opTok, const Type* a, const Type* b) {
  const Type* t = a == p.tEmptySet ? b : a;
  if (!assignable(t, a == t ? b : a)) return binaryMismatch(*e, a, b);
  switch (opTok) {
    case Tok::Plus: return setType(*e, Op::SetUnion, t);
    case Tok::Minus: return setType(*e, Op::SetDiff, t);
    case Tok::Star: return setType(*e, Op::SetInter, t);
    case Tok::Equal: return setType(*e, Op::EqSet, p.tBoolean);
    case Tok::NotEqual: return setType(*e, Op::NeSet, p.tBoolean);
    case Tok::LessEqual: return setType(*e, Op::SubSet, p.tBoolean);
    case Tok::GreaterEqual: return setType(*e, Op::SuperSet, p.tBoolean);
    default: return binaryMismatch(*e, a, b);
  }
}

// An integer operation; integer results wrap to 32 bits.
void Checker::Impl::intOp(Expr& e, Op op, const Type* a, const Type* b) {
  e.op = op;
  e.type = integerResult(a, b);
  e.wrapTo32 = e.type == p.tInteger;
}

// relop = "=" | "<>" | "<" | "<=" | ">" | ">="
void Checker::Impl::comparison(ExprPtr& e, Tok opTok, const Type* a, const Type* b) {
  int k = opTok == Tok::Equal ? 0 : opTok == Tok::NotEqual ? 1 : opTok == Tok::Less ? 2
        : opTok == Tok::LessEqual ? 3 : opTok == Tok::Greater ? 4 : 5;
  static const Op intOps[] = {Op::EqI, Op::NeI, Op::LtI, Op::LeI, Op::GtI, Op::GeI};
  static const Op realOps[] = {Op::EqR, Op::NeR, Op::LtR, Op::LeR, Op::GtR, Op::GeR};
  static const Op strOps[] = {Op::EqS, Op::NeS, Op::LtS, Op::LeS, Op::GtS, Op::GeS};
  bool same = a->kind == b->kind && (a->kind != TypeKind::Enum || a->base == b->base);
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
  // Procedural values are equal when they hold the same routine (or both nil).
  bool routineA = a->kind == TypeKind::Procedural || a->kind == TypeKind::Nil;
  bool routineB = b->kind == TypeKind::Procedural || b->kind == TypeKind::Nil;
  if (routineA && routineB && (a->kind == TypeKind::Procedural || b->kind == TypeKind::Procedural) && k <= 1)
    return setType(*e, intOps[k], p.tBoolean);
  bool objA = a->kind == TypeKind::Class || a->kind == TypeKind::Nil;
  bool objB = b->kind == TypeKind::Class || b->kind == TypeKind::Nil;
  if (objA && objB && k <= 1) return setType(*e, k == 0 ? Op::EqO : Op::NeO, p.tBoolean);
  binaryMismatch(*e, a, b);
}

// value "in" "[" element {"," element} "]"
void Checker::Impl::inSet(ExprPtr& e) {
  expectValue(e->kids[0]);
  if (failed(e->kids[0])) return;
  const Type* t = e->kids[0]->type;
  if (!t->isOrdinal()) return error(*e->kids[0], "Ordinal type required before 'in'");
  if (e->kids[1]->op != Op::SetLiteral) {
    expectValue(e->kids[1]);
    if (failed(e->kids[1])) return;
    const Type* st = e->kids[1]->type;
    if (st->kind != TypeKind::Set) return error(*e->kids[1], "Set expected after 'in', not '" + st->name + "'");
    if (st->element != nullptr && (st->element->kind != t->kind || st->element->base != t->base))
      return error(*e->kids[0], "Incompatible types: '" + t->name + "' and '" + st->element->name + "'");
    return setType(*e, Op::InSetValue, p.tBoolean);
  }
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
      bool ok = bnd->type->isOrdinal() && bnd->type->kind == t->kind && bnd->type->base == t->base;
      if (!ok) return error(*bnd, "Incompatible types: '" + t->name + "' and '" + bnd->type->name + "'");
    }
    if (bounds.size() == 1) {
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

// expr ("is" | "as") class
void Checker::Impl::classTest(ExprPtr& e, Tok opTok) {
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

// unary = ("not" | "-" | "+") factor | "@" factor
void Checker::Impl::unary(ExprPtr& e) {
  Tok opTok = tok(e->syntaxOp);
  if (opTok == Tok::At) return addressOf(e);
  expectValue(e->kids[0]);
  callIfProcedural(e->kids[0]);
  if (failed(e->kids[0])) return;
  const Type* t = e->kids[0]->type;
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

}  // namespace kelmo::script
