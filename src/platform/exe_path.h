#pragma once
#include <string>

namespace kelmo {
// Full path of the running executable.
std::string executablePath();
}  // namespace kelmo
