#pragma once
// Stopping a script that runs without a window (--run-script, the headless start-up): while
// one runs, Ctrl-C (SIGINT) and SIGTERM stop it instead of killing the program, so the run
// ends as a failed run with its output; and a run that lasts tells the operator so, and how
// to stop it.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace kelmo {

class ScriptRunner;

class TerminalScriptStop {
 public:
  using Notice = std::function<void(const std::string& text)>;
  static constexpr std::chrono::milliseconds kNoticeAfter{1000};

  // From construction to destruction the two signals stop `runner`; the previous handlers
  // return at the end. The notice, by default on standard error, comes after `noticeAfter`
  // unless the scope has ended before.
  TerminalScriptStop(ScriptRunner& runner, const std::string& fileName, Notice notice = {},
                     std::chrono::milliseconds noticeAfter = kNoticeAfter);
  ~TerminalScriptStop();
  TerminalScriptStop(const TerminalScriptStop&) = delete;
  TerminalScriptStop& operator=(const TerminalScriptStop&) = delete;

  // "Скрипт kelmo.ini выполняется; Ctrl-C - остановить"
  static std::string noticeText(const std::string& fileName);

 private:
  struct SavedHandlers;
  std::unique_ptr<SavedHandlers> saved_;
  std::mutex mutex_;
  std::condition_variable ended_;
  bool done_ = false;
  std::thread noticeThread_;
};

}  // namespace kelmo
