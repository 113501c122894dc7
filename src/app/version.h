#pragma once
// The program's name and version as the caption, the boxes and --version show them.

namespace kelmo {

constexpr const char* kVersionText = "2.0";
constexpr const char* kProgramName = "kelmo";

}  // namespace kelmo
