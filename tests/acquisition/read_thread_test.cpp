#include "acquisition/read_thread.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "acquisition/data_step.h"

namespace kelmo {
namespace {

TEST(DataStepTest, OnePeriodsSamplesOverTheBuffersAtLeastFiveMilliseconds) {
  // The rate is the module's total over all channels.
  struct Case {
    double rateKHz;
    int periodMs;
    int buffers;
    std::uint32_t expected;
  };
  const Case cases[] = {
      {4.0, 200, 5, 192},        // the defaults: 160 samples, one more step of 32
      {100.0, 100, 10, 1024},    // 1000 samples
      {100.0, 10, 5, 512},       // 200 samples, but 5 ms are 500
      {4.0, 10, 5, 32},          // 8 samples, 5 ms are 20
      {100.0, 1000, 1, 65536},   // 100000 samples: capped
      {100.0, 656, 1, 65536},    // 65600 samples: capped
      {100.0, 655, 1, 65504},    // 65500 samples
      {0.5, 3, 7, 32},
  };
  for (const Case& c : cases)
    EXPECT_EQ(computeDataStep(c.rateKHz, c.periodMs, c.buffers), c.expected)
        << c.rateKHz << " kHz, " << c.periodMs << " ms, " << c.buffers;
}

TEST(ReadTimeoutTest, BlockDurationPlusASecond) {
  EXPECT_EQ(readTimeoutMs(192, 4.0), 1048u);
  EXPECT_EQ(readTimeoutMs(1024, 100.0), 1010u);  // 10.24 truncated
  EXPECT_EQ(readTimeoutMs(65536, 100.0), 1655u);
}

TEST(PauseBetweenBlocksTest, TwentyMillisecondsOrHalfABlock) {
  using std::chrono::microseconds;
  EXPECT_EQ(pauseBetweenBlocks(192, 4.0), microseconds(20000));   // a block of 48 ms
  EXPECT_EQ(pauseBetweenBlocks(512, 100.0), microseconds(2560));  // a block of 5.12 ms
  EXPECT_EQ(pauseBetweenBlocks(4000, 100.0), microseconds(20000));
}

// Every configuration within the module's limits: a request that the module fills in no
// less than 5 ms, whole frames, and a pause that leaves the read thread at least half a
// block to issue the next request before the pending one is full (no samples lost).
TEST(DataStepTest, EveryConfigurationWithinTheLimitsLeavesHalfABlockToSpare) {
  const double rates[] = {0.1, 1.0, 4.0, 10.0, 33.3, 50.0, 100.0};
  const int periods[] = {10, 11, 20, 50, 100, 200, 333, 1000, 10000};
  const int buffers[] = {1, 2, 5, 10, 100};
  for (double rate : rates)
    for (int period : periods)
      for (int b : buffers) {
        const std::uint32_t step = computeDataStep(rate, period, b);
        const double block = blockDurationMs(step, rate);
        const double pause = std::chrono::duration<double, std::milli>(pauseBetweenBlocks(step, rate)).count();
        SCOPED_TRACE(std::to_string(rate) + " kHz, " + std::to_string(period) + " ms, " + std::to_string(b));
        EXPECT_LE(step, 65536u);
        EXPECT_EQ(step % 32, 0u);  // whole frames of 1, 2, 4 or 8 channels
        EXPECT_GE(block, 5.0);
        EXPECT_LE(pause, block / 2 + 1e-9);
        EXPECT_GE(readTimeoutMs(step, rate), block + 999.0);
      }
}

TEST(FilteredCodeTest, HalvesToEvenAndLow16Bits) {
  struct Case {
    double filtered;
    std::int16_t code;
  };
  const Case cases[] = {
      {1000.5, 1000}, {1001.5, 1002}, {-0.5, 0},    {-1.5, -2},  {0.49, 0},
      {-2.51, -3},    {32767.0, 32767}, {32768.0, -32768}, {65537.0, 1},
  };
  for (const Case& c : cases) EXPECT_EQ(filteredCode(c.filtered), c.code) << c.filtered;
  EXPECT_EQ(filteredCode(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(filteredCode(std::numeric_limits<double>::infinity()), 0);
}

TEST(FilterBlockTest, WeightOneKeepsTheLastSampleWeightZeroTheSeed) {
  // Two channels, three frames: channel 0 gets 10, 20, 30 and channel 1 gets -1, -2, -3.
  const std::vector<std::int16_t> block = {10, -1, 20, -2, 30, -3};
  std::array<double, 8> state{};
  state[0] = 5.5;
  state[1] = 7.25;
  filterBlock(state, block.data(), block.size(), 2, 1.0);
  EXPECT_EQ(state[0], 30.0);
  EXPECT_EQ(state[1], -3.0);

  state[0] = 5.5;
  state[1] = 7.25;
  filterBlock(state, block.data(), block.size(), 2, 0.0);
  EXPECT_EQ(state[0], 5.5);
  EXPECT_EQ(state[1], 7.25);
  EXPECT_EQ(state[2], 0.0);  // channels beyond the run's count are not touched
}

TEST(FilterBlockTest, SeededWithEachChannelsFirstSample) {
  const std::vector<std::int16_t> block = {1000, -200, 30, 1010, -210, 31};
  std::array<double, 8> state{};
  state.fill(7.0);
  seedFilter(state, block.data(), 3);
  EXPECT_EQ(state[0], 1000.0);
  EXPECT_EQ(state[1], -200.0);
  EXPECT_EQ(state[2], 30.0);
  EXPECT_EQ(state[3], 7.0);  // beyond the run's channels: untouched
}

TEST(FilterBlockTest, OneChannelTakesEverySample) {
  const std::vector<std::int16_t> block = {8, 16, 32, 64};
  std::array<double, 8> state{};
  filterBlock(state, block.data(), block.size(), 1, 0.5);
  // 0 -> 4 -> 10 -> 21 -> 42.5
  EXPECT_EQ(state[0], 42.5);
}

TEST(FilterBlockTest, EachStepIsRoundedToADouble) {
  // (1 - k) * s + k * x in extended precision, stored as a double after every sample:
  // k = 0.1, s = 0, x = 1 twice gives 0.1 then 0.9 * 0.1 + 0.1.
  const std::vector<std::int16_t> block = {1, 1};
  std::array<double, 8> state{};
  filterBlock(state, block.data(), block.size(), 1, 0.1);
  const long double k = 0.1;
  const double first = static_cast<double>((1.0L - k) * 0.0L + k * 1.0L);
  const double second = static_cast<double>((1.0L - k) * static_cast<long double>(first) + k * 1.0L);
  EXPECT_EQ(state[0], second);
}

TEST(PeriodMarkTest, StaysOnTheGrid) {
  const double period = 100.0 / 86400000.0;
  const double mark = 46366.5;
  struct Case {
    double t;
    double expected;
  };
  const Case cases[] = {
      {mark, mark + period},                      // at the mark: one period on
      {mark + 1.5 * period, mark + 2 * period},   // 1.5 periods late: refreshed once, two periods on
      {mark + 0.25 * period, mark + period},
  };
  for (const Case& c : cases) EXPECT_NEAR(nextPeriodMark(mark, c.t, period), c.expected, 1e-12);
}

TEST(PeriodMarkTest, CrossesMidnightAsAContinuousDateTime) {
  const double period = 200.0 / 86400000.0;
  const double lastOfDay = 46366.0 + 1.0 - 0.5 * period;
  const double afterMidnight = 46367.0 + 0.1 * period;
  const double next = nextPeriodMark(lastOfDay, afterMidnight, period);
  EXPECT_GT(next, afterMidnight);
  EXPECT_LE(next - afterMidnight, period);
}

TEST(PeriodMarkTest, AClockSetBackByMoreThanAPeriodStartsTheMarksAgain) {
  const double period = 200.0 / 86400000.0;
  const double next = 46366.5;  // the last mark passed was one period before
  const double hour = 1.0 / 24.0;
  struct Case {
    double t;
    bool due;
    double expected;
  };
  const Case cases[] = {
      {next - 0.5 * period, false, next},           // ahead of the last mark: waits as usual
      {next - 1.5 * period, false, next},           // behind it by half a period: waits
      {next - 2.5 * period, true, next - 1.5 * period},  // by more than a period: anew from t
      {next - hour, true, next - hour + period},    // daylight saving time ends
  };
  for (const Case& c : cases) {
    EXPECT_EQ(voltsDue(next, c.t, period), c.due) << (next - c.t) / period;
    if (c.due) {
      EXPECT_NEAR(nextPeriodMark(next, c.t, period), c.expected, 1e-9) << (next - c.t) / period;
    }
  }
}

TEST(PeriodMarkTest, AClockNeverSetCatchesUpAtOnce) {
  const double period = 200.0 / 86400000.0;
  const double t = 46366.75;
  const double next = nextPeriodMark(0.0, t, period);
  EXPECT_GT(next, t);
  EXPECT_LE(next - t, period * 1.000001);
}

}  // namespace
}  // namespace kelmo
