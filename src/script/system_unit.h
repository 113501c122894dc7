#pragma once
// The routines and classes every script sees: conversions, strings, maths, dates, and the
// classes TObject, TComponent, Exception and its standard descendants.
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

}  // namespace kelmo::script
