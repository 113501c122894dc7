#pragma once
// The system debug output: diagnostics for a developer, never shown to the operator.
// KELMO_DEBUG=stderr sends them to standard error, any other value names a file,
// unset discards them. On Windows each text also goes to an attached debugger
// (OutputDebugStringA), as it is. Tests capture them.
#include <functional>
#include <string>

namespace kelmo {

void debugOutput(const std::string& text);
// Routes every text to the given function instead (empty function: back to the environment's choice).
void captureDebugOutput(std::function<void(const std::string&)> sink);

}  // namespace kelmo
