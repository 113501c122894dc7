#include "app/headless.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>

#include "acquisition/run_state.h"
#include "app/test_run.h"
#include "config/kelmo_params.h"
#include "discharge/asymm_audio_control.h"
#include "platform/console_text.h"
#include "platform/date_time.h"
#include "platform/log_msg.h"
#include "platform/main_thread_queue.h"

namespace kelmo {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kLoopWake{100};

std::atomic<bool> stopSignalled{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

std::atomic<bool> startFailed{false};

extern "C" void onStopSignal(int) { stopSignalled.store(true); }

void recordFailedStart(int) { startFailed = true; }

// A console line may carry its own breaks (CR LF, LF CR, LF or CR); each is one break.
void printConsoleLine(const std::string& line) {
  std::string text;
  text.reserve(line.size() + 1);
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '\r' || c == '\n') {
      const char pair = c == '\r' ? '\n' : '\r';
      if (i + 1 < line.size() && line[i + 1] == pair) ++i;
      text += '\n';
    } else {
      text += c;
    }
  }
  text += '\n';
  writeConsoleText(stdout, text);
}

// SIGINT and SIGTERM ask the run to stop, and so does SIGHUP (the terminal or SSH session
// closed); the previous handlers return at the end.
#ifdef _WIN32
// Windows has no sigaction; the C library's signal() serves Ctrl-C and SIGTERM alike.
class StopSignals {
 public:
  StopSignals() {
    stopSignalled = false;
    previousInt_ = std::signal(SIGINT, onStopSignal);
    previousTerm_ = std::signal(SIGTERM, onStopSignal);
  }
  ~StopSignals() {
    std::signal(SIGINT, previousInt_);
    std::signal(SIGTERM, previousTerm_);
  }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

 private:
  using Handler = void (*)(int);
  Handler previousInt_ = nullptr;
  Handler previousTerm_ = nullptr;
};
#else
class StopSignals {
 public:
  StopSignals() {
    stopSignalled = false;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previousInt_);
    sigaction(SIGTERM, &action, &previousTerm_);
    sigaction(SIGHUP, &action, &previousHup_);
  }
  ~StopSignals() {
    sigaction(SIGINT, &previousInt_, nullptr);
    sigaction(SIGTERM, &previousTerm_, nullptr);
    sigaction(SIGHUP, &previousHup_, nullptr);
  }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

 private:
  struct sigaction previousInt_ {};
  struct sigaction previousTerm_ {};
  struct sigaction previousHup_ {};
};
#endif

// The queue stands in for the window while the run lasts.
class HeadlessWindow {
 public:
  HeadlessWindow()
      : queue_(printConsoleLine, [](int key) {
          if (key == kKeyEscape) joinTestRun();
        }) {
    registerMainWindow(&queue_, std::this_thread::get_id());
  }
  ~HeadlessWindow() {
    queue_.processPendingMessages();
    registerMainWindow(nullptr, std::this_thread::get_id());
  }
  HeadlessWindow(const HeadlessWindow&) = delete;
  HeadlessWindow& operator=(const HeadlessWindow&) = delete;

  MainThreadQueue& queue() { return queue_; }

 private:
  MainThreadQueue queue_;
};

int runUntilJoined(std::optional<double> durationSeconds) {
  const StopSignals signals;
  HeadlessWindow window;
  startFailed = false;
  setProgramEnder(recordFailedStart);

  // F9 sets the period clock before the start.
  NextVoltsTime = now();
  startTestRun();
  if (startFailed) return kHeadlessStartFailed;

  const auto started = Clock::now();
  const auto duration = std::chrono::duration<double>(durationSeconds.value_or(0.0));
  bool stopAsked = false;
  while (getTestState() != TestIdle) {
    window.queue().waitForMessage(kLoopWake);
    window.queue().processPendingMessages();
    const bool due = durationSeconds && Clock::now() - started >= duration;
    if (!stopAsked && (due || stopSignalled)) {
      // As Esc: the measurement thread writes out what it holds and ends the run.
      StopRequested = true;
      stopAsked = true;
    }
  }
  const std::uint16_t outcome = ThreadErrorCode;
  return outcome == 0 || outcome == ErrTerminated ? kHeadlessNormalStop : kHeadlessOtherOutcome;
}

}  // namespace

int runHeadless(std::optional<double> durationSeconds) {
  if (!initialiseParameters()) return kHeadlessSettingsFailed;
  setTestState(TestIdle);
  const int exitCode = runUntilJoined(durationSeconds);
  setProgramEnder(nullptr);
  // A generator started by the settings script reads the parameters at every block.
  endAsymmetricDischarge();
  destroyGlobalParams();
  return exitCode;
}

}  // namespace kelmo
