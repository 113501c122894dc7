#pragma once
// The program's version as the caption and --version show it. No Qt here: the headless
// build includes it too.

namespace kelmo {

constexpr const char* kVersionText = "2.0";
constexpr const char* kProgramName = "kelmo";

}  // namespace kelmo
