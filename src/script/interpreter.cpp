// Starts a run (globals, then the main block) and folds constants for the checker through
// the same evaluation code; the run itself lives in interpreter_statements.cpp,
// interpreter_expressions.cpp and interpreter_calls.cpp.
#include "script/interpreter.h"

#include <memory>
#include <string>

#include "script/checker.h"
#include "script/interpreter_impl.h"

namespace kelmo::script {

const char kEngineOrigin = 0;

// A new array variable, refused when it would take the memory budget.
Value Interpreter::Impl::newArray(const Type* type) {
  std::size_t bytes = sizeof(Value);
  for (const Type* t = type; t->kind == TypeKind::Array; t = t->element) bytes *= static_cast<std::size_t>(t->count());
  if (liveHeapBytes() + bytes > limits.maxHeapBytes)
    fault(nullptr, "Out of memory: the script holds more than " + std::to_string(limits.maxHeapBytes >> 20) + " MB",
          FaultClass::OutOfMemory);
  return defaultValue(type);
}

void Interpreter::Impl::fault(const Expr* e, std::string message, FaultClass cls) {
  ScriptError err;
  err.message = std::move(message);
  err.cls = prog.faultClass(cls);
  if (e != nullptr) {
    err.row = e->row;
    err.col = e->col;
  }
  throw err;
}

void Interpreter::Impl::slowStep() {
  if (steps > maxSteps) throw ScriptAbort{"Step limit of " + std::to_string(limits.maxSteps) + " exceeded"};
  nextCheck = steps + 1024 < maxSteps ? steps + 1024 : maxSteps + 1;
  if (stop.load(std::memory_order_relaxed)) throw ScriptAbort{"Script stopped"};
  if (liveHeapBytes() > limits.maxHeapBytes)
    fault(nullptr, "Out of memory: the script holds more than " + std::to_string(limits.maxHeapBytes >> 20) + " MB",
          FaultClass::OutOfMemory);
}

void Interpreter::Impl::run() {
  globals.assign(static_cast<std::size_t>(prog.globalCount), Value());
  for (const auto& [slot, type] : prog.globalTypes) globals[static_cast<std::size_t>(slot)] = newArray(type);
  for (const auto& [slot, v] : prog.globalInits) globals[static_cast<std::size_t>(slot)] = v;
  exec(prog.mainBlock.get());
}

Interpreter::Interpreter(const Program& program, const ExecutionLimits& limits, const std::atomic<bool>& stop)
    : impl_(new Impl(program, limits, stop)) {}
Interpreter::~Interpreter() { delete impl_; }

void Interpreter::run() { impl_->run(); }

Value engineObject(std::shared_ptr<EngineObject> object) {
  Value v = Value::object(std::shared_ptr<void>(std::move(object)));
  if (Value::ObjectRep* rep = v.objectRep()) rep->origin = &kEngineOrigin;
  return v;
}

EngineObject* engineObjectOf(const Value& v) noexcept {
  const Value::ObjectRep* rep = v.objectRep();
  if (rep == nullptr || rep->origin != &kEngineOrigin) return nullptr;
  return static_cast<EngineObject*>(rep->pointer.get());
}

// Constant folding through the same evaluation code as the runtime.
bool evaluateConstant(const Expr& e, Value& out, std::string& error) {
  struct Walk {
    static bool constant(const Expr* x) {
      switch (x->op) {
        case Op::ConstInt: case Op::ConstReal: case Op::ConstString: case Op::ConstNil: case Op::RoutineRef: return true;
        case Op::Builtin:
          if (x->builtin != Builtin::Ord && x->builtin != Builtin::OrdinalCast && x->builtin != Builtin::Abs && x->builtin != Builtin::Sqr &&
              x->builtin != Builtin::Min && x->builtin != Builtin::Max &&
              x->builtin != Builtin::Odd && x->builtin != Builtin::Succ && x->builtin != Builtin::Pred &&
              x->builtin != Builtin::Length && x->builtin != Builtin::UpCase)
            return false;
          break;
        case Op::Local: case Op::Global: case Op::RefParam: case Op::Element: case Op::StrChar:
        case Op::Outer: case Op::OuterRef: case Op::CallIndirect:
        case Op::CallScript: case Op::CallNative: case Op::CallMethod: case Op::CallConstructor:
        case Op::ReadProperty: case Op::AsClass: case Op::IsClass:
          return false;
        default:
          if (x->type == nullptr || x->op < Op::ConstInt) return false;
      }
      for (const auto& k : x->kids)
        if (k && !constant(k.get())) return false;
      return true;
    }
  };
  if (e.type == nullptr || !Walk::constant(&e)) return false;
  static const Program empty;
  static const std::atomic<bool> never{false};
  ExecutionLimits limits;
  limits.maxSteps = 0;
  Interpreter::Impl in(empty, limits, never);
  try {
    switch (e.type->kind) {
      case TypeKind::Ordinal:
      case TypeKind::Boolean:
      case TypeKind::Char:
      case TypeKind::Enum: out = Value(in.evalInt(&e)); return true;
      case TypeKind::Real: out = Value(in.evalReal(&e)); return true;
      case TypeKind::Set: out = in.eval(&e); return true;
      case TypeKind::String: {
        Value v = in.eval(&e);
        out = v.kind() == Value::Kind::String ? v : Value(std::string_view());
        return true;
      }
      case TypeKind::Nil: out = Value(); return true;
      case TypeKind::Procedural: out = in.eval(&e); return true;
      default: return false;
    }
  } catch (const ScriptError& err) {
    error = err.message;
    return false;
  }
}

}  // namespace kelmo::script
