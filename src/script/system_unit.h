#pragma once
// The routines and classes every script sees: conversions, strings, maths, dates, and the
// classes TObject, TComponent and Exception.
#include <atomic>
#include <string>
#include <string_view>
#include <vector>

#include "script/checker.h"
#include "script/script_engine.h"

namespace kelmo::script {

struct SystemContext {
  const ExecutionLimits* limits;
  const std::atomic<bool>* stop;
};

// Declares the standard classes and routines, natives bound at once.
void declareSystemUnit(Checker& checker, Program& program, const SystemContext& context);

// The conversions of StrToInt and StrToFloat: decimal or $hex integers with an optional
// sign and leading blanks; floats with the regional decimal separator. False when the text
// is not such a number.
bool parseInteger(std::string_view text, std::int64_t& out);
bool parseFloat(std::string_view text, double& out);

// Format(pattern, [args]): %d %u %x %f %e %g %s %% with '-', '0', width and precision.
// Throws std::runtime_error naming the pattern when an argument does not fit.
std::string formatScript(std::string_view pattern, const std::vector<Value>& args, std::size_t maxLength);

}  // namespace kelmo::script
