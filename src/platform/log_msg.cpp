#include "platform/log_msg.h"

#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <stdexcept>

#include "platform/console_text.h"
#include "platform/cp1251.h"
#include "platform/date_time.h"
#include "platform/debug_output.h"
#include "platform/exe_path.h"
#include "platform/replace_file.h"
#include "platform/text_format.h"

namespace kelmo {

namespace {

std::atomic<MainWindowPort*> mainWindow{nullptr};
std::mutex errorPathMutex;
std::string errorPathOverride;

// Date and time as the fallback line shows them; the time is left out at midnight sharp.
std::string stampOf(TDateTime dt) {
  std::string s = shortDateText(dt);
  const CivilDateTime c = decodeDateTime(dt);
  if (c.hour != 0 || c.minute != 0 || c.second != 0) s += " " + longTimeText(dt);
  return s;
}

// The error file holds only the most recent line that the window did not take.
void writeErrorFile(const std::string& line) {
  const std::string path = errorFilePath();
  if (replaceFileAtomically(path, utf8ToCp1251(line))) throw std::runtime_error("cannot write the error file " + path);
}

}  // namespace

void registerMainWindow(MainWindowPort* window, std::thread::id) { mainWindow = window; }

MainWindowPort* registeredMainWindow() { return mainWindow; }

void logMsg(const std::string& text) {
  if (MainWindowPort* w = mainWindow) {
    w->appendConsoleLine(text);
  } else {
    writeConsoleLine(stdout, text);
  }
}

void postLogMsg(const std::string& text) { postLogMsg(1, text); }

void postLogMsg(unsigned char kind, const std::string& text) {
  auto line = std::make_unique<std::string>(text);
  MainWindowPort* w = mainWindow;
  if (w && w->isDestroying()) {
    // The console is going away: the line goes to the debug output and is freed here.
    debugOutput("log line while the window closes: " + *line);
    return;
  }
  if (w && w->postLogLine(kind, line)) return;  // the window owns the line now
  writeErrorFile(stampOf(now()) + " cannot log msg \"" + *line + "\"");
}

bool postKeyNotification(int keyCode) {
  MainWindowPort* w = mainWindow;
  return w && w->postKeyNotification(keyCode);
}

std::string errorFilePath() {
  std::lock_guard lock(errorPathMutex);
  return errorPathOverride.empty() ? executablePath() + ".error" : errorPathOverride;
}

void setErrorFilePath(const std::string& path) {
  std::lock_guard lock(errorPathMutex);
  errorPathOverride = path;
}

}  // namespace kelmo
