#pragma once
// The settings step of the program start: how the settings script is run before the main
// window exists.
#include <string>

namespace kelmo {

// A settings file that cannot be read at start-up ends the program with this code, after
// an error box naming the file and the reason.
inline constexpr int kSettingsFileUnreadableExitCode = 2;

// runSettingsScript for the start-up: a file that cannot be read is reported and ends the
// process; otherwise returns whether the settings were made.
bool runStartupSettingsScript(const std::string& fileName);

// The headless program: script windows without a screen (a failing settings script writes
// its output pane to standard error) and the start-up runner above.
void installScreenlessScripts();

}  // namespace kelmo
