#pragma once
// The program with its main window: settings, run state, window, message loop.
class QApplication;

namespace kelmo {

// Runs the start-up steps after the toolkit is up and then the message loop; returns the
// process exit code (123 when the settings cannot be initialised; no window then).
int runWindowedProgram(QApplication& app);

// Puts the module library the environment chooses in use, before the settings script runs
// (a script may initialise the module). On a bad choice the message goes to standard error
// and, where that reaches nobody (a windowed program started from Explorer), to a message
// box too; false then, and the program ends with kBadModuleLibraryExitCode.
bool chooseModuleLibraryForWindow();

}  // namespace kelmo
