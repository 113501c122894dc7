#pragma once
// The program with its main window: settings, run state, window, message loop.
#include <string>

class QApplication;

namespace kelmo {

// Runs the start-up steps after the toolkit is up and then the message loop; returns the
// process exit code (123 when the settings cannot be initialised; no window then).
int runWindowedProgram(QApplication& app);

// The start-up's message that no module library could be chosen (already on standard
// error), shown in a message box too where standard error reaches nobody: a windowed
// program started from Explorer or a shortcut.
void showModuleLibraryProblem(const std::string& message);

}  // namespace kelmo
