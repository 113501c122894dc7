#pragma once
// A test run from F9 to its join: the start, the stop-and-join and the clean-up.
// Main thread only.
#include <string>

namespace kelmo {

// Starts a run (F9 in idle). Progress goes to the console; a failed start shows the
// "ОШИБКА!!!" box and ends the program through cleanupTestRun.
void startTestRun();
// On the Esc notification: joins the workers, releases the module, reports the outcome.
// False (and nothing done) until the measurement thread has finished.
bool joinTestRun();
// message " " means none; endProgram ends the process with exit code 0 after the box.
void cleanupTestRun(const std::string& message, bool endProgram);

// How "end the program" is carried out (the window quits its loop; headless exits).
using ProgramEnder = void (*)(int exitCode);
void setProgramEnder(ProgramEnder ender);

}  // namespace kelmo
