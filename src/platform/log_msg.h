#pragma once
// Console logging. logMsg on the main thread only; postLogMsg from any thread.
// A line that cannot be posted goes, time-stamped, to the error file beside the executable.
#include <string>
#include <thread>

#include "platform/main_window_port.h"

namespace kelmo {

// Recorded once when the main window is created; never cleared.
void registerMainWindow(MainWindowPort* window, std::thread::id mainThread);
MainWindowPort* registeredMainWindow();

void logMsg(const std::string& text);
void postLogMsg(const std::string& text);
void postLogMsg(unsigned char kind, const std::string& text);
// Worker notifications (Enter, Esc) to the notification receiver.
bool postKeyNotification(int keyCode);

// Full path of the executable with ".error" appended; tests may redirect it.
std::string errorFilePath();
void setErrorFilePath(const std::string& path);

}  // namespace kelmo
