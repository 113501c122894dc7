// Exceptions at run time: try ... finally, try ... except with its handlers matched through
// the class tree, raise and re-raise, Assert. Faults of the runtime (interpreter.cpp) and
// natives' exceptions (interpreter_calls.cpp) arrive here as a ScriptError with its class.
#include "script/exception_classes.h"
#include "script/interpreter_impl.h"

namespace kelmo::script {

Flow Interpreter::Impl::execTryFinally(const Stmt* s) {
  Flow f;
  try {
    f = execList(s->body);
  } catch (const ScriptError&) {
    Flow g = execList(s->finallyPart);
    if (g != Flow::Normal) return g;  // leaving the finally part drops the error, as Pascal does
    throw;
  }
  Flow g = execList(s->finallyPart);
  return g != Flow::Normal ? g : f;
}

Flow Interpreter::Impl::execTryExcept(const Stmt* s) {
  try {
    return execList(s->body);
  } catch (ScriptError& err) {
    return handle(s, err);
  }
}

// Handlers are tried in order; the first for the exception's class or one of its parents
// runs. Without one, the else part runs, or the exception goes on outwards.
Flow Interpreter::Impl::handle(const Stmt* s, ScriptError& err) {
  struct Handling {
    Impl& in;
    Handling(Impl& i, const ScriptError* e) : in(i) { in.handling.push_back(e); }
    ~Handling() { in.handling.pop_back(); }
  } active(*this, &err);
  if (s->handlers.empty()) return execList(s->plainHandler);
  const ClassInfo* cls = err.cls != nullptr ? err.cls : prog.cException;
  for (const auto& h : s->handlers) {
    if (cls == nullptr || !cls->derivesFrom(h.cls)) continue;
    if (h.slot >= 0) {
      // A fault or a native's exception becomes an object when a handler first names it.
      if (err.object.isNil()) err.object = makeException(cls, err.message);
      Value& slot = h.global ? globals[static_cast<std::size_t>(h.slot)] : locals[h.slot];
      slot = err.object;
    }
    return exec(h.body.get());
  }
  if (s->hasElse) return execList(s->elseList);
  throw err;
}

// raise [object]: without one, the exception being handled goes on, with the message its
// handler may have changed.
Flow Interpreter::Impl::execRaise(const Stmt* s) {
  if (s->exprs.empty()) {
    if (handling.empty()) fault(nullptr, "'raise' without an exception outside an exception handler");
    ScriptError again(*handling.back());
    again.message = currentMessage(again);
    throw again;
  }
  Value obj = eval(s->expr(0));
  if (obj.isNil()) fault(s->expr(0), "Access to a nil object: 'raise' of nil", FaultClass::AccessViolation);
  ScriptError err;
  err.isException = true;
  err.row = s->row;
  err.col = s->col;
  err.cls = obj.objectRep() != nullptr ? obj.objectRep()->cls : nullptr;
  const std::string* message = exceptionMessage(obj);
  err.message = message != nullptr ? *message : "Exception of class " + obj.className();
  err.object = std::move(obj);
  throw err;
}

// Assert(condition [, message]): the message is evaluated only when the condition fails,
// and names the line as Object Pascal's names the unit and line.
void Interpreter::Impl::execAssert(const Stmt* s) {
  if (test(s->expr(0))) return;
  std::string text = s->exprs.size() > 1 ? eval(s->expr(1)).asString() : std::string();
  if (text.empty()) text = "Assertion failed";
  ScriptError err;
  err.message = text + " (line " + std::to_string(s->row) + ")";
  err.isException = true;
  err.row = s->row;
  err.col = s->col;
  err.cls = prog.faultClass(FaultClass::AssertionFailed);
  throw err;
}

}  // namespace kelmo::script
