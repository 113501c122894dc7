#include "datafile/min_max_decimator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kelmo::datafile {
namespace {

constexpr double kDay = 86400.0;

DataValues point(double seconds, double value) {
  DataValues d;
  d.time = 46366.0 + seconds / kDay;
  d.values.fill(value);
  return d;
}

TEST(MinMaxDecimator, ShortRunsKeepTheirPoints) {
  MinMaxDecimator d(16);
  for (int i = 0; i < 10; ++i) d.add(point(i * 0.2, i));
  const MinMaxSeries s = d.result();
  ASSERT_EQ(s.size(), 10u);
  for (std::size_t i = 0; i < 10; ++i) {
    EXPECT_EQ(s.low[3][i], static_cast<double>(i));
    EXPECT_EQ(s.high[3][i], static_cast<double>(i));
  }
}

// A day at 10 ms: one-sample spikes anywhere survive in the buckets and in the columns.
TEST(MinMaxDecimator, EverySpikeSurvivesDecimationAndColumns) {
  const int lines = 8'640'000 / 8;
  const int spikes[] = {0, 12345, 500000, lines - 1};
  MinMaxDecimator d(8192);
  for (int i = 0; i < lines; ++i) {
    double v = std::sin(i * 1e-4);
    for (int at : spikes)
      if (i == at) v = at % 2 ? -50.0 : 50.0;
    DataValues p = point(i * 0.01, v);
    if (i == 777) p.values[2] = std::numeric_limits<double>::infinity();  // not drawn
    d.add(p);
  }
  EXPECT_EQ(d.points(), static_cast<std::size_t>(lines));
  const MinMaxSeries s = d.result();
  EXPECT_LE(s.size(), 8192u);
  EXPECT_GT(s.size(), 3000u);  // between half and all of the buckets
  const MinMaxSeries columns = rebin(s, s.time.front() - 1, s.time.back() + 1, 700);
  EXPECT_LE(columns.size(), 700u);
  for (const MinMaxSeries* series : {&s, &columns}) {
    int high = 0, low = 0;
    for (std::size_t i = 0; i < series->size(); ++i) {
      high += series->high[0][i] == 50.0;
      low += series->low[0][i] == -50.0;
      EXPECT_TRUE(std::isfinite(series->high[2][i]));
    }
    EXPECT_EQ(high, 2);  // spikes at lines 0 and 500000
    EXPECT_EQ(low, 2);   // at 12345 and the last line
  }
}

TEST(MinMaxDecimator, QuantitiesWithoutFiniteValuesGiveNaN) {
  MinMaxDecimator d(4);
  for (int i = 0; i < 100; ++i) {
    DataValues p = point(i, 1);
    p.values[1] = std::numeric_limits<double>::quiet_NaN();
    d.add(p);
  }
  const MinMaxSeries s = d.result();
  ASSERT_GT(s.size(), 0u);
  for (std::size_t i = 0; i < s.size(); ++i) {
    EXPECT_TRUE(std::isnan(s.low[1][i]));
    EXPECT_EQ(s.low[0][i], 1.0);
  }
}

}  // namespace
}  // namespace kelmo::datafile
