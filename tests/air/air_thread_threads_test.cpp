#include "air/air_thread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "acquisition/module_globals.h"
#include "acquisition/run_state.h"
#include "config/kelmo_params.h"
#include "sim/sim_library.h"

namespace kelmo {
namespace {

using sim::Fault;
using sim::Operation;

bool waitUntil(const std::function<bool()>& done, std::chrono::seconds timeout = std::chrono::seconds(20)) {
  const auto until = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

class AirThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    createGlobalParams();
    resetRunState();
  }
  void TearDown() override {
    StopRequested = true;
    if (thread_.joinable()) thread_.join();
    if (pModule != nullptr) pModule->ReleaseLInstance();
    pModule = nullptr;
    library_.reset();
    resetRunState();
    destroyGlobalParams();
  }

  void useSim(const sim::SimConfig& config = {}) {
    library_ = std::make_unique<sim::SimLibrary>(config);
    pModule = library_->CreateLInstance("e154");
    ASSERT_NE(pModule, nullptr);
    ASSERT_NE(pModule->OpenLDevice(0), 0);
  }
  sim::SimModule& module() { return *library_->lastModule(); }
  std::uint64_t pulsesDriven() const { return library_->calls(Operation::TTL_OUT); }

  void start() { thread_ = std::thread(airThreadBody); }
  bool ended() {
    if (!thread_.joinable()) return true;
    thread_.join();
    return true;
  }

  std::unique_ptr<sim::SimLibrary> library_;
  std::thread thread_;
};

TEST_F(AirThreadTest, StopDuringThePauseStillGivesThatCyclesFullPulse) {
  useSim();
  kelmo_params().airDelay = 300;
  kelmo_params().airLength = 50;
  start();
  ASSERT_TRUE(waitUntil([&] { return module().ttlOutputs() == 0xFFFF; }));
  ASSERT_TRUE(waitUntil([&] { return module().ttlOutputs() == 0; }));
  // The thread is now well inside its 300 ms pause.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const std::uint64_t before = pulsesDriven();
  StopRequested = true;
  ASSERT_TRUE(ended());
  EXPECT_EQ(pulsesDriven(), before + 2);  // high and low once more
  EXPECT_EQ(module().ttlOutputs(), 0);
  EXPECT_FALSE(module().ttlOutputsEnabled());
  EXPECT_EQ(ThreadErrorCode, 0);
  EXPECT_TRUE(StopRequested);
}

TEST_F(AirThreadTest, NegativeTimesCountAsZeroAndTheThreadStillEnds) {
  useSim();
  kelmo_params().airDelay = -5;
  kelmo_params().airLength = -1000;
  start();
  ASSERT_TRUE(waitUntil([&] { return pulsesDriven() >= 10; }));
  StopRequested = true;
  ASSERT_TRUE(ended());
  EXPECT_EQ(pulsesDriven() % 2, 0u);  // every pulse that began was completed
  EXPECT_EQ(module().ttlOutputs(), 0);
  EXPECT_FALSE(module().ttlOutputsEnabled());
}

struct OutputFailure {
  const char* name;
  Operation op;
  std::uint64_t fromCall;
  std::uint16_t code;
  bool setsStop;
  std::uint64_t enableCalls;
};

class AirFailureTest : public AirThreadTest, public ::testing::WithParamInterface<OutputFailure> {};

TEST_P(AirFailureTest, WritesItsCodeAndEnds) {
  const OutputFailure& failure = GetParam();
  sim::SimConfig config;
  config.faults[static_cast<std::size_t>(failure.op)] = Fault{Fault::Mode::From, failure.fromCall};
  useSim(config);
  kelmo_params().airDelay = 5;
  kelmo_params().airLength = 5;
  start();
  if (failure.op == Operation::ENABLE_TTL_OUT && failure.fromCall == 2) {
    // Disabling fails only at the end of a run that was asked to stop.
    ASSERT_TRUE(waitUntil([&] { return pulsesDriven() >= 4; }));
    StopRequested = true;
  }
  ASSERT_TRUE(ended());
  EXPECT_EQ(ThreadErrorCode, failure.code);
  EXPECT_EQ(StopRequested.load(), failure.setsStop);
  EXPECT_EQ(library_->calls(Operation::ENABLE_TTL_OUT), failure.enableCalls);
}

const OutputFailure kOutputFailures[] = {
    // No pulses at all; the run is not stopped by this thread.
    {"EnableAtTheStart", Operation::ENABLE_TTL_OUT, 1, ErrEnableTtlOut, false, 1},
    // The outputs are disabled and the run asked to end.
    {"DriveHigh", Operation::TTL_OUT, 1, ErrTtlOut, true, 2},
    {"DriveLow", Operation::TTL_OUT, 4, ErrTtlOut, true, 2},
    {"DisableAtTheEnd", Operation::ENABLE_TTL_OUT, 2, ErrEnableTtlOut, true, 2},
};

INSTANTIATE_TEST_SUITE_P(Outputs, AirFailureTest, ::testing::ValuesIn(kOutputFailures),
                         [](const ::testing::TestParamInfo<OutputFailure>& info) { return info.param.name; });

}  // namespace
}  // namespace kelmo
