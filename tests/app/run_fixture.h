#pragma once
// A test run on the simulated module with the window replaced by a main-thread queue:
// console lines and message boxes are collected, Enter notifications counted, and the Esc
// notification joins the run as the window does.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/module_globals.h"
#include "acquisition/module_library.h"
#include "acquisition/run_state.h"
#include "app/test_run.h"
#include "config/kelmo_params.h"
#include "measure/data_file.h"
#include "measure/measure_thread.h"
#include "measure/measurement.h"
#include "platform/cp1251.h"
#include "platform/date_time.h"
#include "platform/log_msg.h"
#include "platform/main_thread_queue.h"
#include "platform/message_box.h"
#include "platform/text_format.h"
#include "sim/sim_library.h"

namespace kelmo::testing {

namespace fs = std::filesystem;

// The levels on channels 0..5 (the rest at 0 V): constant, so that every conversion of a
// run gives the same volts.
inline constexpr std::array<double, 6> kLevels = {1.0, 0.5, 1.5, 0.8, 1.2, 2.0};

inline std::string fileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The lines of a CR LF text, without their ends.
inline std::vector<std::string> crlfLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t from = 0;
  for (std::size_t at; (at = text.find("\r\n", from)) != std::string::npos; from = at + 2)
    lines.push_back(text.substr(from, at - from));
  if (from < text.size()) lines.push_back(text.substr(from) + "<no line end>");
  return lines;
}

inline std::atomic<int> programEnds{0};
inline std::atomic<int> programExitCode{-1};
inline void recordProgramEnd(int exitCode) {
  programExitCode = exitCode;
  ++programEnds;
}

class RunFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    setDecimalSeparator('.');
    setTimeSeparator(':');
    createGlobalParams();
    resetRunState();
    resetMeasurement();
    resetModuleGlobals();
    programEnds = 0;
    programExitCode = -1;

    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    std::replace(name.begin(), name.end(), '/', '_');
    dir_ = fs::temp_directory_path() / ("kelmo_run_" + name);
    fs::remove_all(dir_);
    fs::create_directories(dir_);

    tKELMO_Params& params = kelmo_params();
    params.FileName = dataPath().string();
    params.DATA_QUERY_PERIOD_MS = 100;
    params.dataBuffersPerPeriod = 2;
    params.adcRate = 100.0;  // 5024-sample blocks of 50.24 ms, well above the 20 ms pause
    params.lowPassFilterK = 1.0;  // the filter state is the last sample: exact volts
    params.airDelay = 20;
    params.airLength = 20;

    queue_ = std::make_unique<MainThreadQueue>([this](const std::string& line) { console.push_back(line); },
                                               [this](int key) {
                                                 if (key == kKeyEnter) ++enters;
                                                 if (key == kKeyEscape) {
                                                   ++escapes;
                                                   joinTestRun();
                                                 }
                                               });
    registerMainWindow(queue_.get(), std::this_thread::get_id());
    setProgramEnder(recordProgramEnd);
    previousBoxes_ = setMessageBoxHandler([this](const MessageBoxRequest& box) {
      boxes.push_back(box);
      return BoxAnswer::Ok;
    });
  }

  void TearDown() override {
    if (getTestState() == TestRunning || getTestState() == TestFinishing) {
      StopRequested = true;
      pumpUntil([] { return getTestState() == TestIdle; });
    }
    setMeasurePause({});
    if (pModule != nullptr) {
      pModule->ReleaseLInstance();
      pModule = nullptr;
    }
    closeDataFile();
    setModuleLibrary(nullptr);
    library.reset();
    queue_->processPendingMessages();
    registerMainWindow(nullptr, std::this_thread::get_id());
    setMessageBoxHandler(previousBoxes_);
    setProgramEnder(nullptr);
    resetRunState();
    destroyGlobalParams();
    fs::remove_all(dir_);
  }

  static sim::SimConfig steadyConfig() {
    sim::SimConfig config;
    config.signals = {};
    for (std::size_t c = 0; c < kLevels.size(); ++c) config.signals[c].dc = kLevels[c];
    return config;
  }

  void useSim(const sim::SimConfig& config) {
    library = std::make_shared<sim::SimLibrary>(config);
    setModuleLibrary(library);
  }

  fs::path dataPath() const { return dir_ / "test.dat"; }

  // F9 as the window does it: the period clock, then the start.
  void start() {
    NextVoltsTime = now();
    startTestRun();
  }

  // Handles posted messages until the condition holds; false after the time-out.
  bool pumpUntil(const std::function<bool()>& done, std::chrono::seconds timeout = std::chrono::seconds(30)) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    for (;;) {
      queue_->processPendingMessages();
      if (done()) return true;
      if (std::chrono::steady_clock::now() > until) return false;
      queue_->waitForMessage(std::chrono::milliseconds(50));
    }
  }

  // Esc as the window handles it.
  void escape() {
    if (getTestState() == TestRunning) StopRequested = true;
  }

  // Until the join; then the lines the workers posted before it are handled too.
  bool runUntilIdle() {
    const bool idle = pumpUntil([] { return getTestState() == TestIdle; });
    queue_->processPendingMessages();
    return idle;
  }

  std::size_t indexOf(const std::string& line) const {
    return static_cast<std::size_t>(std::find(console.begin(), console.end(), line) - console.begin());
  }
  bool consoleHas(const std::string& line) const { return indexOf(line) < console.size(); }

  std::vector<std::string> console;
  std::vector<MessageBoxRequest> boxes;
  int enters = 0;
  int escapes = 0;
  std::shared_ptr<sim::SimLibrary> library;

 private:
  fs::path dir_;
  std::unique_ptr<MainThreadQueue> queue_;
  MessageBoxHandler previousBoxes_;
};

}  // namespace kelmo::testing
