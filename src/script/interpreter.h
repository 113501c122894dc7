#pragma once
// Runs a checked program by walking its resolved tree: typed evaluation (integers and
// doubles without boxing), frames of value slots, natives through their bound callables.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "script/ast.h"
#include "script/program.h"
#include "script/script_engine.h"

namespace kelmo::script {

// The run ended for a reason the script cannot catch: step budget, stop request.
struct ScriptAbort {
  std::string message;
};

// The origin stamp of objects the engine itself made.
extern const char kEngineOrigin;

// The objects the engine itself makes (TComponent.Create, the exception classes) share this
// base, so that a member can tell which kind of object it was handed.
struct EngineObject {
  virtual ~EngineObject() = default;
};
// A value around an engine object, stamped with the engine's origin.
Value engineObject(std::shared_ptr<EngineObject> object);
// The engine object a value holds, or null (nil, or a host's object).
EngineObject* engineObjectOf(const Value& v) noexcept;

class Interpreter {
 public:
  Interpreter(const Program& program, const ExecutionLimits& limits, const std::atomic<bool>& stop);
  ~Interpreter();

  // Runs the main block; throws ScriptError (uncaught fault) or ScriptAbort.
  void run();

  struct Impl;  // also folds constants for the checker

 private:
  Impl* impl_;
};

}  // namespace kelmo::script
