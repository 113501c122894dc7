#pragma once
// kelmo --run-script FILE: checks a settings file from a shell. The script runs against a
// parameter object with its defaults, without any window; standard output gets the lines
// the script window's output pane would show, and each showMessage text as a line.
#include <string>

namespace kelmo {

// Exit code: 0 when the script compiled and ran to its end, 1 otherwise (a file that
// cannot be read included, reported on standard error).
int runScriptCommand(const std::string& fileName);

}  // namespace kelmo
