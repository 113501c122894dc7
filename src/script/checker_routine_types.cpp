// Procedural types and values: "type TCurve = function(x: Double): Double;", routines
// assigned to them ("c := Square", "c := @Square"), calls through them, and their
// comparisons. A procedural value holds a routine of the script's top level or a native;
// a nested routine needs the frame of the routine around it, which would be gone by the time
// a stored value is called, so it cannot be one (as in Object Pascal).
#include "script/checker_impl.h"

namespace kelmo::script {

// routine type = ("procedure" | "function") [params] [":" type]: a signature that is never
// called itself, whose parameters and result the values must match
const Type* Checker::Impl::routineType(TypeSpec& typeSpec) {
  if (typeSpec.ofObject) {
    error(typeSpec.row, typeSpec.col, "Method types ('of object') are not supported: scripts declare no classes");
    return nullptr;
  }
  Routine* signature = buildRoutine(*typeSpec.signature, nullptr);
  if (signature == nullptr) return nullptr;
  Type t;
  t.kind = TypeKind::Procedural;
  t.signature = signature;
  t.name = signatureText(*signature);
  p.types.push_back(std::move(t));
  return &p.types.back();
}

// "function(double, var integer): double": what messages show of a signature.
std::string Checker::Impl::signatureText(const Routine& r) {
  std::string text = r.result != nullptr ? "function" : "procedure";
  if (!r.params.empty()) {
    text += "(";
    for (std::size_t i = 0; i < r.params.size(); ++i) {
      const Param& prm = r.params[i];
      if (i > 0) text += ", ";
      if (prm.mode == ParamMode::Var) text += "var ";
      if (prm.mode == ParamMode::Const) text += "const ";
      text += prm.type->name;
    }
    text += ")";
  }
  if (r.result != nullptr) text += ": " + r.result->name;
  return text;
}

// Types that a parameter or result of two signatures may differ in only by where they were
// written: the same type, or arrays, sets and procedural types of the same shape.
bool Checker::Impl::sameType(const Type* a, const Type* b) const {
  if (a == b) return true;
  if (a->kind != b->kind) return false;
  switch (a->kind) {
    case TypeKind::Array: return a->openParam == b->openParam && sameArray(a, b);
    case TypeKind::Set: return assignable(a, b) && assignable(b, a);
    case TypeKind::Procedural: return sameSignature(*a->signature, *b->signature);
    default: return false;
  }
}

// Same parameters (count, modes, types) and the same result; names do not matter.
bool Checker::Impl::sameSignature(const Routine& a, const Routine& b) const {
  if (a.params.size() != b.params.size() || (a.result == nullptr) != (b.result == nullptr)) return false;
  if (a.result != nullptr && !sameType(a.result, b.result)) return false;
  for (std::size_t i = 0; i < a.params.size(); ++i)
    if (a.params[i].mode != b.params[i].mode || !sameType(a.params[i].type, b.params[i].type)) return false;
  return true;
}

// Natives take and return plain values: a procedural value is a script's own.
bool Checker::Impl::refuseRoutineTypes(const Routine& native) {
  bool routineTyped = native.result != nullptr && native.result->kind == TypeKind::Procedural;
  for (const Param& prm : native.params) routineTyped = routineTyped || prm.type->kind == TypeKind::Procedural;
  if (routineTyped)
    error(native.row, native.col, "'" + native.name + "': procedural types are not passed to or from natives");
  return routineTyped;
}

// The procedural type of a routine used as a value, made once.
const Type* Checker::Impl::valueType(Routine* r) {
  if (r->valueType == nullptr) {
    Type t;
    t.kind = TypeKind::Procedural;
    t.signature = r;
    t.name = signatureText(*r);
    p.types.push_back(std::move(t));
    r->valueType = &p.types.back();
  }
  return r->valueType;
}

// A bare name of a routine or built-in (not a field or member a 'with' opened).
bool Checker::Impl::isRoutineName(const Expr& e) {
  if (e.op != Op::Name) return false;
  std::string lower = lowerName(e.text);
  if (withMember(lower) != nullptr) return false;
  const Symbol* s = lookup(lower);
  return s != nullptr && (s->kind == Symbol::RoutineName || s->kind == Symbol::BuiltinName);
}

// routine value = routine name | "@" routine name, where a procedural value is expected:
// the routine itself, not a call. With `to`, its signature must be that of `to`. False when
// e names no routine (then it is an ordinary expression).
bool Checker::Impl::routineValue(ExprPtr& e, const Type* to) {
  Expr* n = e.get();
  if (n->op == Op::Unary && tok(n->syntaxOp) == Tok::At) n = n->kid(0);
  if (!isRoutineName(*n)) return false;
  Symbol* s = lookup(lowerName(n->text));
  s->used = true;
  if (s->kind == Symbol::BuiltinName) {
    error(*n, "'" + n->text + "' is built in and cannot be used as a procedural value");
    e->type = nullptr;
    return true;
  }
  Routine* r = s->routine;
  auto ref = std::make_unique<Expr>();
  ref->op = Op::RoutineRef;
  ref->row = e->row;
  ref->col = e->col;
  ref->text = n->text;
  ref->routine = r;
  e = std::move(ref);
  if (r->level > 0) {
    error(*e, "Nested routine '" + r->name + "' cannot be used as a procedural value: it needs the frame of the routine around it");
    return true;
  }
  if (to != nullptr && !sameSignature(*to->signature, *r)) {
    std::string expected = signatureText(*to->signature);
    error(*e, "Incompatible types: '" + r->name + "' is " + signatureText(*r) + ", not " +
                  (to->name == expected ? expected : to->name + " = " + expected));
    return true;
  }
  e->type = valueType(r);
  return true;
}

// "@" routine | "@" procedural value: the routine as a value; scripts have no pointers to
// variables.
void Checker::Impl::addressOf(ExprPtr& e) {
  if (routineValue(e, nullptr)) return;
  ExprPtr inner = std::move(e->kids[0]);
  expectValue(inner);
  if (failed(inner)) return;
  if (inner->type->kind != TypeKind::Procedural)
    return error(*e, "'@' takes a routine or a procedural variable: pointers are not supported");
  e = std::move(inner);
}

// call through a procedural value = value "(" args ")" | value (as a statement, or a
// function without parameters where its result is expected). The value is evaluated at
// the call, after the arguments; kids: the arguments, then the value.
void Checker::Impl::callIndirect(ExprPtr& e, ExprPtr callee, std::vector<ExprPtr> args, bool statement) {
  const Routine* signature = callee->type->signature;
  std::string shown = callee->text.empty() ? callee->type->name : callee->text;
  auto call = std::make_unique<Expr>();
  call->op = Op::CallIndirect;
  call->row = callee->row;
  call->col = callee->col;
  call->routine = const_cast<Routine*>(signature);
  call->text = shown;
  bool ok = arguments(*call, signature, args, shown);
  call->kids.push_back(std::move(callee));
  e = std::move(call);
  if (ok) finishCall(*e, signature, statement, shown);
}

// A procedural value where another value is expected: a function that needs no arguments
// is called, as Pascal reads "x := F"; any other stays a procedural value (and is then
// reported by the caller's type check).
void Checker::Impl::callIfProcedural(ExprPtr& e) {
  if (failed(e) || e->type->kind != TypeKind::Procedural) return;
  const Routine* signature = e->type->signature;
  if (signature->result == nullptr) return;
  for (const Param& prm : signature->params)
    if (!prm.defaultValue) return;
  ExprPtr callee = std::move(e);
  callIndirect(e, std::move(callee), {}, false);
}

}  // namespace kelmo::script
