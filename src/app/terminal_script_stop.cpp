#include "app/terminal_script_stop.h"

#include <atomic>
#include <csignal>
#include <cstdio>

#include "app/script_runner.h"
#include "platform/console_text.h"

namespace kelmo {

namespace {

// The runner a signal stops. Its requestStop only stores an atomic flag, which a signal
// handler may do.
std::atomic<ScriptRunner*> stoppable{nullptr};
static_assert(std::atomic<ScriptRunner*>::is_always_lock_free, "read in a signal handler");

extern "C" void onScriptStopSignal(int) {
  if (ScriptRunner* runner = stoppable.load()) runner->requestStop();
}

}  // namespace

#ifdef _WIN32
// Windows has no sigaction; the C library's signal() serves Ctrl-C and SIGTERM alike.
struct TerminalScriptStop::SavedHandlers {
  using Handler = void (*)(int);
  Handler previousInt = std::signal(SIGINT, onScriptStopSignal);
  Handler previousTerm = std::signal(SIGTERM, onScriptStopSignal);
  void restore() const {
    std::signal(SIGINT, previousInt);
    std::signal(SIGTERM, previousTerm);
  }
};
#else
struct TerminalScriptStop::SavedHandlers {
  struct sigaction previousInt {};
  struct sigaction previousTerm {};
  SavedHandlers() {
    struct sigaction action {};
    action.sa_handler = onScriptStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previousInt);
    sigaction(SIGTERM, &action, &previousTerm);
  }
  void restore() const {
    sigaction(SIGINT, &previousInt, nullptr);
    sigaction(SIGTERM, &previousTerm, nullptr);
  }
};
#endif

std::string TerminalScriptStop::noticeText(const std::string& fileName) {
  return "Скрипт " + fileName + " выполняется; Ctrl-C - остановить";
}

TerminalScriptStop::TerminalScriptStop(ScriptRunner& runner, const std::string& fileName, Notice notice,
                                       std::chrono::milliseconds noticeAfter) {
  stoppable.store(&runner);
  saved_ = std::make_unique<SavedHandlers>();
  if (!notice) {
    notice = [](const std::string& text) {
      writeConsoleLine(stderr, text);
    };
  }
  noticeThread_ = std::thread([this, text = noticeText(fileName), notice = std::move(notice), noticeAfter] {
    std::unique_lock lock(mutex_);
    if (ended_.wait_for(lock, noticeAfter, [this] { return done_; })) return;
    lock.unlock();
    notice(text);
  });
}

TerminalScriptStop::~TerminalScriptStop() {
  {
    std::lock_guard lock(mutex_);
    done_ = true;
  }
  ended_.notify_one();
  noticeThread_.join();
  saved_->restore();
  stoppable.store(nullptr);
}

}  // namespace kelmo
