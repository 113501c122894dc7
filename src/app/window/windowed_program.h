#pragma once
// The program with its main window: settings, run state, window, message loop.
class QApplication;

namespace kelmo {

// Runs the start-up steps after the toolkit is up and then the message loop; returns the
// process exit code (123 when the settings cannot be initialised; no window then).
int runWindowedProgram(QApplication& app);

}  // namespace kelmo
