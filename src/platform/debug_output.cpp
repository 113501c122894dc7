#include "platform/debug_output.h"

#include <cstdio>
#include <mutex>

#ifdef _WIN32
#include <windows.h>

#include "platform/utf16.h"
#endif

#include "platform/console_text.h"
#include "platform/file_path.h"
#include "platform/program_environment.h"

namespace kelmo {

namespace {

std::mutex debugMutex;
std::function<void(const std::string&)> capture;

#ifdef _WIN32
// The debugger's view (DebugView, an attached debugger): each text as one message, without
// a line break added, in the ANSI code page the narrow call expects.
void toDebugger(const std::string& text) {
  const std::wstring wide = utf8ToUtf16(text);
  const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string ansi(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(), length, nullptr,
                      nullptr);
  OutputDebugStringA(ansi.c_str());
}
#endif

}  // namespace

void debugOutput(const std::string& text) {
  std::lock_guard lock(debugMutex);
  if (capture) {
    capture(text);
    return;
  }
#ifdef _WIN32
  toDebugger(text);
#endif
  static const std::string target = environmentVariable("KELMO_DEBUG").value_or("");
  if (target.empty()) return;
  if (target == "stderr") {
    writeConsoleLine(stderr, text);
    return;
  }
  if (std::FILE* f = openFile(target, "a")) {
    std::fprintf(f, "%s\n", text.c_str());
    std::fclose(f);
  }
}

void captureDebugOutput(std::function<void(const std::string&)> sink) {
  std::lock_guard lock(debugMutex);
  capture = std::move(sink);
}

}  // namespace kelmo
