#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <thread>
#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "config/kelmo_params.h"
#include "discharge/asymm_audio_control.h"
#include "discharge/discharge_pattern.h"
#include "discharge/sound_choice.h"
#include "discharge/virtual_sound.h"
#include "platform/debug_output.h"

namespace kelmo {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;
using Samples = std::vector<std::int16_t>;

constexpr auto kPatience = 10s;  // generous: the generator needs microseconds per step

// The debug output as a list the test can wait on.
class DebugLines {
 public:
  DebugLines() {
    captureDebugOutput([this](const std::string& text) {
      std::unique_lock lock(mutex_);
      lines_.push_back(text);
      changed_.notify_all();
      changed_.wait(lock, [this] { return !held_; });
    });
  }
  ~DebugLines() {
    release();
    captureDebugOutput({});
  }

  // While held, the thread writing a line stops right after it.
  void hold() {
    std::lock_guard lock(mutex_);
    held_ = true;
  }
  void release() {
    std::lock_guard lock(mutex_);
    held_ = false;
    changed_.notify_all();
  }

  // Waits until `count` lines have arrived; returns them all.
  Lines waitFor(std::size_t count) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, kPatience, [&] { return lines_.size() >= count; });
    return lines_;
  }
  // Waits until the lines satisfy `done`; returns them.
  template <class Done>
  Lines waitUntil(Done done) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, kPatience, [&] { return done(lines_); });
    return lines_;
  }
  Lines all() {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  std::size_t size() {
    std::lock_guard lock(mutex_);
    return lines_.size();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  Lines lines_;
  bool held_ = false;
};

// Everything the device played, cycle by cycle.
class PlayedTape {
 public:
  void attach(VirtualSound& sound) {
    sound.setPlayedTap([this](std::span<const std::int16_t> s) {
      std::lock_guard lock(mutex_);
      samples_.insert(samples_.end(), s.begin(), s.end());
    });
  }
  Samples samples() {
    std::lock_guard lock(mutex_);
    return samples_;
  }

 private:
  std::mutex mutex_;
  Samples samples_;
};

Samples block(std::uint64_t counter, const DischargePattern& pattern) {
  Samples b(kDischargeBlockSamples);
  synthesizeBlock(std::span<std::int16_t, kDischargeBlockSamples>(b), counter, pattern);
  return b;
}

Samples cycleOf(const Samples& tape, std::size_t cycle) {
  return Samples(tape.begin() + static_cast<std::ptrdiff_t>(cycle * kDischargeBlockSamples),
                 tape.begin() + static_cast<std::ptrdiff_t>((cycle + 1) * kDischargeBlockSamples));
}

// The generator on a virtual device whose cycles the test runs itself.
class DischargeGenerator : public ::testing::Test {
 protected:
  void SetUp() override {
    createGlobalParams();
    setSoundStreamsFactory([this] {
      ++opened_;
      sound_ = std::make_shared<VirtualSound>(VirtualSound::Options{VirtualSound::Pacing::manual, {}});
      tape_.attach(*sound_);
      return sound_;
    });
  }
  void TearDown() override {
    stopAndWaitClosed();
    setSoundStreamsFactory({});
    destroyGlobalParams();
  }

  // Starts the generator and waits for the lines of its first two wake-ups.
  void start() {
    startAsymmetricDischarge();
    const Lines all = lines_.waitUntil([](const Lines& l) { return endsWithStartLines(l); });
    ASSERT_TRUE(endsWithStartLines(all));
    expectedLines_ = all.size();
    cycles_ = 0;
  }
  // One device cycle, then waits until the generator has handled it completely.
  Lines cycle() {
    sound_->advance();
    ++cycles_;
    expectedLines_ += cycles_ <= 2 ? 2 : cycles_ == 3 ? 4 : 6;
    return lines_.waitFor(expectedLines_);
  }
  void cycles(int n) {
    for (int i = 0; i < n; ++i) cycle();
  }
  static Lines startLines() {
    Lines expected(6, "waveInAddBuffer succeeded");
    // The openings of both streams wake the thread before any block completes.
    for (const char* l : {"in0", "1", "out", "1"}) expected.push_back(l);
    return expected;
  }
  static bool endsWithStartLines(const Lines& l) {
    const auto n = static_cast<std::ptrdiff_t>(startLines().size());
    return l.size() >= startLines().size() && Lines(l.end() - n, l.end()) == startLines();
  }
  // The generator sees the stop at its next wake-up and closes the device.
  void stopAndWaitClosed() {
    stopAsymmetricDischarge();
    if (!sound_) return;
    sound_->advance();  // harmless when the device has closed already
    ASSERT_TRUE(sound_->waitClosed(kPatience));
  }
  DischargePattern rigPattern() { return currentDischargePattern(); }

  DebugLines lines_;
  PlayedTape tape_;
  std::shared_ptr<VirtualSound> sound_;
  int opened_ = 0;
  std::size_t expectedLines_ = 0;
  int cycles_ = 0;
};

TEST_F(DischargeGenerator, StartWritesTheDebugLinesOfTheFirstWakeUps) {
  startAsymmetricDischarge();
  Lines expected = startLines();
  EXPECT_EQ(lines_.waitFor(expected.size()), expected);
  const std::vector<std::vector<const char*>> perCycle = {
      {"in1", "2"},
      {"in2", "3"},
      {"in3", "waveInAddBuffer 4 succeeded", "4", "waveOutWrite 1 succeeded"},
      // From now on each cycle also plays a block: its output wake-up follows.
      {"in4", "waveInAddBuffer 5 succeeded", "4", "waveOutWrite 1 succeeded", "out", "3"},
      {"in5", "waveInAddBuffer 0 succeeded", "4", "waveOutWrite 1 succeeded", "out", "3"},
      {"in0", "waveInAddBuffer 1 succeeded", "4", "waveOutWrite 1 succeeded", "out", "3"},
  };
  for (const auto& lines : perCycle) {
    expected.insert(expected.end(), lines.begin(), lines.end());
    sound_->advance();
    EXPECT_EQ(lines_.waitFor(expected.size()), expected);
  }
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(lines_.size(), expected.size());  // nothing more without a cycle
}

TEST_F(DischargeGenerator, PlaysTheBlocksInOrderWithoutASeam) {
  start();
  constexpr std::size_t kCycles = 14;
  cycles(kCycles);
  stopAndWaitClosed();
  const Samples tape = tape_.samples();
  ASSERT_GE(tape.size(), kCycles * kDischargeBlockSamples);
  // The first three cycles play nothing; block n plays in cycle n + 4 (counting from 1).
  for (std::size_t c = 0; c < 3; ++c) EXPECT_EQ(cycleOf(tape, c), Samples(kDischargeBlockSamples, 0));
  const DischargePattern rig = currentDischargePattern();
  for (std::uint64_t n = 0; n + 4 <= kCycles; ++n) {
    EXPECT_EQ(cycleOf(tape, n + 3), block(n, rig)) << "block " << n;
  }
  const SoundCounters counted = sound_->counters();
  EXPECT_EQ(counted.outputUnderruns, 0u);
  EXPECT_EQ(counted.inputOverruns, 0u);
}

TEST_F(DischargeGenerator, AParameterChangeTakesEffectAtTheNextBlockAtItsOwnPhase) {
  start();
  cycles(5);
  // Blocks 0 … 5 are synthesized; the change shows from block 6 on.
  const DischargePattern before = currentDischargePattern();
  kelmo_params().dischargeTimemS = 20.0;
  kelmo_params().chargeURel = 0.5;
  kelmo_params().afterChargePauseMs = 0.0;
  const DischargePattern after = currentDischargePattern();
  ASSERT_NE(after.period(), before.period());
  cycles(6);
  stopAndWaitClosed();
  const Samples tape = tape_.samples();
  ASSERT_GE(tape.size(), 11 * kDischargeBlockSamples);
  for (std::uint64_t n = 0; n <= 7; ++n) {
    EXPECT_EQ(cycleOf(tape, n + 3), block(n, n < 6 ? before : after)) << "block " << n;
  }
}

TEST_F(DischargeGenerator, StopEndsTheThreadWithoutWaitingForTheDevice) {
  start();
  cycles(4);
  stopAsymmetricDischarge();
  // No further block completes: the thread's bounded wait sees the flag by itself.
  EXPECT_TRUE(sound_->waitClosed(kPatience));
  const std::size_t after = lines_.size();
  // A closed device completes nothing, and the thread writes nothing more.
  sound_->advance(3);
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(lines_.size(), after);
  const SoundCounters counted = sound_->counters();
  EXPECT_EQ(counted.blocksRecorded, 4u);
}

TEST_F(DischargeGenerator, AWakeUpAfterTheStopEndsTheThreadToo) {
  start();
  cycles(4);
  stopAsymmetricDischarge();
  sound_->advance();
  EXPECT_TRUE(sound_->waitClosed(kPatience));
  EXPECT_LE(sound_->counters().blocksRecorded, 5u);
}

// A device that stops delivering blocks (unplugged, its server restarted): the test simply
// runs no more cycles. Whatever comes next completes, and the stalled thread ends.
TEST_F(DischargeGenerator, ADeviceThatStopsDeliveringNeverHoldsUpStopRestartOrExit) {
  const auto ended = [](const Lines& l) {
    return std::any_of(l.begin(), l.end(), [](const std::string& t) { return t.rfind("DischargeThread: ", 0) == 0 &&
                                                                          t.find("blocks synthesized") != std::string::npos; });
  };
  const auto stallReported = [](const Lines& l) {
    return std::any_of(l.begin(), l.end(), [](const std::string& t) {
      return t.rfind("DischargeThread: the sound device has completed no input block for ", 0) == 0 &&
             t.find("(virtual); the generator ends") != std::string::npos;
    });
  };
  struct Case {
    const char* what;
    void (*act)();
    bool noticedByItself;
  };
  const Case cases[] = {
      {"nothing: the thread notices the stall", [] {}, true},
      {"stop", [] { stopAsymmetricDischarge(); }, false},
      {"stop and a new start", [] { stopAsymmetricDischarge(); }, false},
      {"program exit", [] { endAsymmetricDischarge(); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::size_t mark = lines_.size();
    start();
    cycles(5);
    std::shared_ptr<VirtualSound> stalled = sound_;
    c.act();
    if (std::string(c.what) == "stop and a new start") {
      start();  // waits for the stalled thread to end, then runs on a new device
      EXPECT_NE(sound_, stalled);
      cycles(4);
      EXPECT_FALSE(sound_->waitClosed(0ms));
    }
    EXPECT_TRUE(stalled->waitClosed(kPatience));
    const Lines all = lines_.waitUntil([&](const Lines& l) { return ended(Lines(l.begin() + static_cast<std::ptrdiff_t>(mark), l.end())); });
    const Lines mine(all.begin() + static_cast<std::ptrdiff_t>(mark), all.end());
    EXPECT_TRUE(ended(mine));
    EXPECT_EQ(stallReported(mine), c.noticedByItself);
    stopAndWaitClosed();
    endAsymmetricDischarge();
  }
}

// One line at the end of a run: blocks synthesized, written, late, dropped, underruns seen.
TEST_F(DischargeGenerator, TheRunEndsWithOneSummaryLine) {
  struct Case {
    const char* what;
    int stalls;
    const char* counts;
  };
  const Case cases[] = {
      // The opening wake-up and six cycles synthesize seven blocks; writing trails by three.
      {"a clean run", 0, "7 blocks synthesized, 4 written, 0 late, 0 dropped, 0 underruns seen"},
      // The thread held while two more blocks complete: two blocks miss their turn on a
      // device that ran dry twice.
      {"a run with a stall", 1, "7 blocks synthesized, 2 written, 0 late, 2 dropped, 2 underruns seen"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::size_t mark = lines_.size();
    start();
    if (c.stalls == 0) {
      cycles(6);
    } else {
      cycles(3);
      lines_.hold();
      const std::size_t before = lines_.size();
      sound_->advance();
      lines_.waitFor(before + 1);
      sound_->advance(2);
      lines_.release();
      lines_.waitUntil([](const Lines& l) { return l.size() >= 2 && l[l.size() - 2] == "out" && l.back() == "3"; });
    }
    stopAsymmetricDischarge();
    ASSERT_TRUE(sound_->waitClosed(kPatience));
    const Lines all = lines_.all();
    const Lines mine(all.begin() + static_cast<std::ptrdiff_t>(mark), all.end());
    const auto summaries = std::count_if(mine.begin(), mine.end(), [](const std::string& l) {
      return l.rfind("DischargeThread: ", 0) == 0 && l.find("blocks synthesized") != std::string::npos;
    });
    EXPECT_EQ(summaries, 1);
    const std::string last = mine.back();
    const std::string prefix = std::string("DischargeThread: ") + c.counts + "; first input block after ";
    EXPECT_EQ(last.substr(0, prefix.size()), prefix) << last;
    EXPECT_EQ(last.substr(last.size() - 3), " ms") << last;
  }
}

TEST_F(DischargeGenerator, StartAfterStopWaitsForTheOldThreadAndBeginsAFreshRun) {
  start();
  cycles(5);
  stopAsymmetricDischarge();
  // Still winding down: the start waits for the old thread, which needs one more cycle.
  std::shared_ptr<VirtualSound> first = sound_;
  std::thread cycler([first] {
    std::this_thread::sleep_for(100ms);
    first->advance();
  });
  start();
  cycler.join();
  const std::size_t mark = tape_.samples().size();
  EXPECT_TRUE(first->waitClosed(0ms));
  EXPECT_EQ(opened_, 2);
  ASSERT_NE(sound_, first);
  // The old thread wrote its last lines before the new one began.
  const Lines all = lines_.all();
  EXPECT_EQ(std::count(all.begin(), all.end(), "waveInAddBuffer succeeded"), 12);
  EXPECT_EQ(Lines(all.end() - 10, all.end()), startLines());
  cycles(5);
  stopAndWaitClosed();
  const Samples tape = tape_.samples();
  ASSERT_GE(tape.size(), mark + 5 * kDischargeBlockSamples);
  // The new run starts from block 0 again, after three silent cycles.
  const Samples fresh(tape.begin() + static_cast<std::ptrdiff_t>(mark), tape.end());
  EXPECT_EQ(cycleOf(fresh, 2), Samples(kDischargeBlockSamples, 0));
  EXPECT_EQ(cycleOf(fresh, 3), block(0, currentDischargePattern()));
  EXPECT_EQ(cycleOf(fresh, 4), block(1, currentDischargePattern()));
}

TEST_F(DischargeGenerator, StartWhileRunningIsIgnored) {
  start();
  std::shared_ptr<VirtualSound> first = sound_;
  startAsymmetricDischarge();
  EXPECT_EQ(opened_, 1);
  EXPECT_EQ(sound_, first);
  const Lines all = lines_.all();
  EXPECT_EQ(all.back(), "startAsymmetricDischarge: the generator is already running, start ignored");
  ++expectedLines_;
  cycles(4);  // the running generator goes on undisturbed
  EXPECT_FALSE(sound_->waitClosed(0ms));
}

TEST_F(DischargeGenerator, StopWithoutAGeneratorOnlySetsTheFlagThatTheNextStartClears) {
  stopAsymmetricDischarge();
  stopAsymmetricDischarge();
  start();
  cycles(5);
  EXPECT_FALSE(sound_->waitClosed(0ms));  // still running after several wake-ups
  const Lines all = lines_.all();
  EXPECT_EQ(std::count(all.begin(), all.end(), "waveOutWrite 1 succeeded"), 3);
}

TEST_F(DischargeGenerator, MergedCompletionsAreEachHandledSoRecordingNeverRunsDry) {
  start();
  cycles(4);
  const auto steps = [](const Lines& l) {
    return std::count_if(l.begin(), l.end(), [](const std::string& t) {
      return t.size() == 3 && t.rfind("in", 0) == 0;
    });
  };
  const auto settled = [&](std::ptrdiff_t wanted) {
    return [&steps, wanted](const Lines& l) {
      return steps(l) >= wanted && l.size() >= 2 && l[l.size() - 2] == "out" && l.back() == "3";
    };
  };
  std::ptrdiff_t wanted = steps(lines_.all());
  // Ten stalls: the thread is held at the first line of a wake-up while two more blocks
  // complete, so three completions meet it when it goes on.
  constexpr int kStalls = 10;
  for (int stall = 0; stall < kStalls; ++stall) {
    lines_.hold();
    const std::size_t before = lines_.size();
    sound_->advance();
    lines_.waitFor(before + 1);
    sound_->advance(2);
    lines_.release();
    wanted += 3;
    lines_.waitUntil(settled(wanted));
  }
  // Regular cycles afterwards.
  for (int c = 0; c < 8; ++c) {
    sound_->advance();
    lines_.waitUntil(settled(++wanted));
  }
  const Lines all = lines_.all();
  EXPECT_EQ(steps(all), wanted);
  stopAndWaitClosed();

  const SoundCounters counted = sound_->counters();
  EXPECT_EQ(counted.inputOverruns, 0u);
  EXPECT_EQ(counted.blocksRecorded, 4u + 3 * kStalls + 8 + 1);  // + the cycle that saw the stop
  EXPECT_EQ(std::count_if(all.begin(), all.end(), [](const std::string& l) {
              return l.rfind("waveInAddBuffer", 0) == 0 && l.find("succeeded") == std::string::npos;
            }),
            0);
  // The two blocks whose turn passed during a stall are dropped, never played late.
  EXPECT_EQ(std::count_if(all.begin(), all.end(), [](const std::string& l) {
              return l.rfind("waveOutWrite skipped", 0) == 0;
            }),
            2 * kStalls);
  EXPECT_EQ(counted.outputUnderruns, 2u * kStalls);
  // Cycle t plays block t - 3 or, where a block was dropped, nothing: the pattern keeps
  // its phase against the input clock.
  const Samples tape = tape_.samples();
  const DischargePattern rig = currentDischargePattern();
  const Samples silence(kDischargeBlockSamples, 0);
  const std::size_t played = tape.size() / kDischargeBlockSamples;
  ASSERT_GE(played, 4u + 3 * kStalls + 8);
  std::size_t silent = 0;
  for (std::size_t t = 3; t < played; ++t) {
    const Samples c = cycleOf(tape, t);
    if (c == silence) {
      ++silent;
    } else {
      EXPECT_EQ(c, block(t - 3, rig)) << "cycle " << t;
    }
  }
  EXPECT_EQ(silent, counted.outputUnderruns);
}

TEST_F(DischargeGenerator, LevelsOutOfRangeAreClampedAndAZeroPeriodIsSilent) {
  kelmo_params().dischargeURel = 7.5;
  kelmo_params().chargeURel = -3.0;
  start();
  cycles(2);
  // Blocks 0 … 2 are synthesized; from block 3 on nothing is to be played.
  kelmo_params().dischargeTimemS = 0.0;
  kelmo_params().afterDischargePauseMs = -4.0;
  kelmo_params().chargeTimemS = 0.0;
  kelmo_params().afterChargePauseMs = 0.0;
  cycles(7);
  stopAndWaitClosed();
  const Samples tape = tape_.samples();
  ASSERT_GE(tape.size(), 9 * kDischargeBlockSamples);
  const Samples first = cycleOf(tape, 3);  // block 0
  std::size_t top = 0, bottom = 0;
  for (std::size_t j = 0; j < kDischargeBlockFrames; ++j) {
    top += first[2 * j] == 32767;
    bottom += first[2 * j + 1] == -32768;
  }
  EXPECT_EQ(top, 2205u + (4096 - 2689));  // one whole pulse, then the next one's start
  EXPECT_EQ(bottom, 44u);
  for (std::size_t c = 6; c < 9; ++c) {
    EXPECT_EQ(cycleOf(tape, c), Samples(kDischargeBlockSamples, 0)) << "cycle " << c;
  }
}

TEST_F(DischargeGenerator, EndingForShutdownWaitsForTheThreadAndThenPlaysNoMore) {
  start();
  cycles(5);
  std::thread ender([] { endAsymmetricDischarge(); });
  std::this_thread::sleep_for(50ms);
  sound_->advance();  // the wake-up at which the thread sees the stop
  ender.join();       // returns only once the thread has ended
  EXPECT_TRUE(sound_->waitClosed(0ms));
  // With the generator gone the parameter object can go; a second end is harmless.
  destroyGlobalParams();
  endAsymmetricDischarge();
  createGlobalParams();
}

TEST_F(DischargeGenerator, BlocksAreSilentWhileNoParameterObjectExists) {
  start();
  cycles(2);
  destroyGlobalParams();  // blocks 3 … are synthesized without parameters
  cycles(5);
  createGlobalParams();
  stopAndWaitClosed();
  const Samples tape = tape_.samples();
  const std::size_t played = tape.size() / kDischargeBlockSamples;
  ASSERT_GE(played, 8u);
  for (std::size_t c = 3; c < 6; ++c) EXPECT_NE(cycleOf(tape, c), Samples(kDischargeBlockSamples, 0));
  for (std::size_t c = 6; c < played; ++c) EXPECT_EQ(cycleOf(tape, c), Samples(kDischargeBlockSamples, 0));
}

TEST_F(DischargeGenerator, ADeviceThatCannotOpenIsNamedWithTheReasonAndLeavesNothingRunning) {
  setSoundStreamsFactory([this] {
    ++opened_;
    return std::make_shared<VirtualSound>(VirtualSound::Options{
        VirtualSound::Pacing::manual, "/nonexistent-folder/out.wav"});
  });
  try {
    startAsymmetricDischarge();
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    const std::string text = e.what();
    EXPECT_NE(text.find("virtual:wav=/nonexistent-folder/out.wav"), std::string::npos) << text;
    EXPECT_NE(text.find("No such file or directory"), std::string::npos) << text;
  }
  EXPECT_EQ(opened_, 1);
  EXPECT_EQ(lines_.size(), 0u);
  SetUp();  // a good device again: the next start runs normally
  start();
  cycles(4);
}

}  // namespace
}  // namespace kelmo
