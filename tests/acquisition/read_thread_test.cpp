#include "acquisition/read_thread.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "acquisition/data_step.h"

namespace kelmo {
namespace {

TEST(DataStepTest, SmallestMultipleOf32AboveOneRequest) {
  struct Case {
    unsigned channels;
    double rateKHz;
    int periodMs;
    int buffers;
    std::uint64_t expected;
  };
  const Case cases[] = {
      {8, 4.0, 200, 5, 1312},         // x is exactly 40: one more step of 32
      {1, 100.0, 100, 10, 1024},      // x is 31.25
      {8, 100.0, 1000, 1, 800032},    // beyond 65536: the start stops at its assertion
      {1, 4.0, 1, 1, 32},             // 4 samples
      {2, 0.5, 3, 7, 32},
      {8, 100.0, 100, 10, 8032},
  };
  for (const Case& c : cases)
    EXPECT_EQ(computeDataStep(c.channels, c.rateKHz, c.periodMs, c.buffers), c.expected)
        << c.channels << " channels, " << c.rateKHz << " kHz, " << c.periodMs << " ms, " << c.buffers;
}

TEST(DataStepTest, NoBuffersPerPeriodIsTooLargeForAnyRequest) {
  EXPECT_GT(computeDataStep(8, 4.0, 200, 0), 65536u);
}

TEST(ReadTimeoutTest, BlockTimePlusASecond) {
  EXPECT_EQ(readTimeoutMs(8, 1312, 4.0), 3624u);
  EXPECT_EQ(readTimeoutMs(1, 1024, 100.0), 1010u);  // 10.24 truncated
  EXPECT_EQ(readTimeoutMs(8, 8032, 100.0), 1642u);
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

TEST(PeriodMarkTest, AClockNeverSetCatchesUpAtOnce) {
  const double period = 200.0 / 86400000.0;
  const double t = 46366.75;
  const double next = nextPeriodMark(0.0, t, period);
  EXPECT_GT(next, t);
  EXPECT_LE(next - t, period * 1.000001);
}

}  // namespace
}  // namespace kelmo
