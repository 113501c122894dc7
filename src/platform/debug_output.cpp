#include "platform/debug_output.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace kelmo {

namespace {

std::mutex debugMutex;
std::function<void(const std::string&)> capture;

}  // namespace

void debugOutput(const std::string& text) {
  std::lock_guard lock(debugMutex);
  if (capture) {
    capture(text);
    return;
  }
  static const std::string target = [] {
    const char* v = std::getenv("KELMO_DEBUG");
    return std::string(v ? v : "");
  }();
  if (target.empty()) return;
  if (target == "stderr") {
    std::fprintf(stderr, "%s\n", text.c_str());
    return;
  }
  if (std::FILE* f = std::fopen(target.c_str(), "a")) {
    std::fprintf(f, "%s\n", text.c_str());
    std::fclose(f);
  }
}

void captureDebugOutput(std::function<void(const std::string&)> sink) {
  std::lock_guard lock(debugMutex);
  capture = std::move(sink);
}

}  // namespace kelmo
