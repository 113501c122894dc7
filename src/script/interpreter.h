#pragma once
// Runs a checked program by walking its resolved tree: typed evaluation (integers and
// doubles without boxing), frames of value slots, natives through their bound callables.
#include <atomic>
#include <cstdint>
#include <string>

#include "script/ast.h"
#include "script/program.h"
#include "script/script_engine.h"

namespace kelmo::script {

// The run ended for a reason the script cannot catch: step budget, stop request.
struct ScriptAbort {
  std::string message;
};

// An exception object the engine makes (Exception.Create, a caught runtime fault).
struct ExceptionObject {
  std::string message;
};
// The origin stamp of objects the engine itself made.
extern const char kEngineOrigin;

class Interpreter {
 public:
  Interpreter(const Program& program, const ExecutionLimits& limits, const std::atomic<bool>& stop);
  ~Interpreter();

  // Runs the main block; throws ScriptError (uncaught fault) or ScriptAbort.
  void run();

  // Exceptions raised by natives of the standard classes use this to make objects.
  static Value makeException(const Program& program, std::string message);

  struct Impl;  // also folds constants for the checker

 private:
  Impl* impl_;
};

}  // namespace kelmo::script
