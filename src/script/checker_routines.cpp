// Routines of the script, at the top level and nested at any depth: their headings, the
// scopes of their bodies, and the frames a nested routine reaches. A nested routine is
// checked inside the scope of the routine around it, so that its names resolve to that
// routine's parameters and locals (Outer, OuterRef) a known number of levels out.
#include "script/checker_impl.h"

#include <algorithm>

namespace kelmo::script {

// routine = heading ";" ["forward" ";"] | heading ";" block ";"
// The name goes into the scope the declaration stands in: the globals, or the locals of
// the routine whose block declares it (a nested routine, one level deeper).
void Checker::Impl::routineHeading(RoutineDecl& d, std::vector<PendingBody>& bodies) {
  if (!d.className.empty()) return error(d.row, d.col, "Methods of script classes are not supported");
  if (d.kind == RoutineKind::Constructor) return error(d.row, d.col, "A constructor must belong to a class");
  auto& scope = locals != nullptr ? *locals : globals;
  std::string key = lowerName(d.name);
  auto it = scope.find(key);
  if (it != scope.end() && it->second.kind == Symbol::RoutineName && it->second.row != 0) {
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
  if (routine != nullptr) {
    r->level = routine->level + 1;
    r->needsScope = true;
    if (!routine->needsScope) {  // its frame is the nested routine's way to its locals
      routine->needsScope = true;
      routine->scopeSlot = routine->frameSize++;
    }
  }
  Symbol s;
  s.kind = Symbol::RoutineName;
  s.routine = r;
  if (!declareName(scope, d.name, d.row, d.col, s)) return;
  if (!d.isForward) {
    r->hasBody = true;
    bodies.push_back({&d, r});
  }
}

// An expression that reaches `hops` routines out of the one being checked (a nested
// routine's access to an enclosing frame, or its call of a routine nested there): it starts
// from the Scope that the running routine keeps in its frame.
void Checker::Impl::reachOut(Expr& e, int hops) {
  e.hops = hops;
  e.link = routine->scopeSlot;
}

// Forward declarations of a scope whose body never came.
void Checker::Impl::unsatisfiedForwards(const std::unordered_map<std::string, Symbol>& scope) {
  std::vector<const Symbol*> missing;  // in source order, not the map's
  for (const auto& [key, s] : scope)
    if (s.kind == Symbol::RoutineName && s.row != 0 && !s.routine->hasBody && !s.routine->isNative)
      missing.push_back(&s);
  std::sort(missing.begin(), missing.end(), [](const Symbol* a, const Symbol* b) {
    return a->row != b->row ? a->row < b->row : a->col < b->col;
  });
  for (const Symbol* s : missing) error(s->row, s->col, "Unsatisfied forward declaration: '" + s->routine->name + "'");
}

// block = {declaration} compound, of a routine. Its nested routines are checked after its
// declarations and before its statements, each in a scope inside this one.
void Checker::Impl::routineBody(RoutineDecl& d, Routine* r) {
  RoutineScope scope;
  scope.routine = r;
  scope.outer = routineScope;
  auto* savedLocals = locals;
  Routine* savedRoutine = routine;
  RoutineScope* savedScope = routineScope;
  routineScope = &scope;
  locals = &scope.names;
  routine = r;
  r->frameSize = 0;
  if (r->result != nullptr) {
    Symbol res;
    res.kind = Symbol::Variable;
    res.type = r->result;
    res.slot = r->frameSize++;
    res.used = true;
    scope.names["result"] = res;
    if (r->result->kind == TypeKind::Array || r->result->kind == TypeKind::Record)
      r->slotTypes.emplace_back(res.slot, r->result);
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
    declareName(scope.names, prm.name, r->row, r->col, s);
  }
  if (r->needsScope) r->scopeSlot = r->frameSize++;  // a nested routine
  Block& b = *d.block;
  std::vector<PendingBody> nested;
  for (auto& decl : b.decls) {
    switch (decl.kind) {
      case Decl::Var: variables(*decl.var, false); break;
      case Decl::Const: constant(*decl.constant, scope.names); break;
      case Decl::Type: typeDeclaration(*decl.type, scope.names); break;
      case Decl::Routine: routineHeading(*decl.routine, nested); break;
    }
  }
  unsatisfiedForwards(scope.names);
  for (auto& n : nested) routineBody(*n.decl, n.routine);
  statement(b.body);
  r->body = std::move(b.body);
  std::vector<const Symbol*> unused;  // in source order, not the map's
  for (const auto& [key, s] : scope.names)
    if (s.isLocalVariable && !s.used) unused.push_back(&s);
  std::sort(unused.begin(), unused.end(), [](const Symbol* a, const Symbol* b) {
    return a->row != b->row ? a->row < b->row : a->col < b->col;
  });
  for (const Symbol* s : unused) hint(s->row, s->col, "Variable '" + s->name + "' is declared but never used");
  if (r->result != nullptr && !r->resultAssigned)
    warning(d.row, d.col, "Return value of function '" + r->name + "' might be undefined");
  r->setsUpFrame = !r->slotTypes.empty() || r->needsScope;
  locals = savedLocals;
  routine = savedRoutine;
  routineScope = savedScope;
}

}  // namespace kelmo::script
