// The chart's points keep their least and greatest finite value as points come and leave:
// always those a search through the points finds, through drops by time and by count,
// values that are not numbers, equal values and a point that goes in among the others.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

#include "app/window/chart_series.h"

namespace kelmo {
namespace {

std::optional<std::pair<double, double>> searched(const ChartSeries& series) {
  std::optional<std::pair<double, double>> range;
  for (const ChartPoint& p : series) {
    if (!std::isfinite(p.value)) continue;
    if (!range) range = std::pair{p.value, p.value};
    range->first = std::min(range->first, p.value);
    range->second = std::max(range->second, p.value);
  }
  return range;
}

TEST(ChartSeriesRange, IsWhatASearchFindsAsPointsComeAndGo) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  ChartSeries series;
  EXPECT_EQ(series.finiteRange(), std::nullopt);
  series.add(1.0, nan, 10, 5);
  EXPECT_EQ(series.finiteRange(), std::nullopt) << "no number yet";

  // A window of 10 and at most 50 points: a bumpy wave with plateaus, gaps and spikes.
  for (int n = 0; n < 2000; ++n) {
    double value = std::round(std::sin(n / 7.0) * 4) + (n % 13 == 0 ? 9 : 0);
    if (n % 31 == 0) value = nan;
    if (n % 37 == 0) value = -inf;
    const double time = 2.0 + n * (n < 1000 ? 0.1 : 0.3);  // drops by count, then by time
    series.add(time, value, 10, 50);
    ASSERT_EQ(series.finiteRange(), searched(series)) << "point " << n;
  }
  // A clock set back: the point goes in among the others.
  series.add(series.at(20).time, -100, 10, 50);
  EXPECT_EQ(series.finiteRange(), searched(series));
  ASSERT_TRUE(series.finiteRange());
  EXPECT_EQ(series.finiteRange()->first, -100);
  for (int n = 0; n < 60; ++n) {
    series.add(series.back().time + 0.3, n, 10, 50);
    ASSERT_EQ(series.finiteRange(), searched(series)) << "after the clock was set back, point " << n;
  }
}

}  // namespace
}  // namespace kelmo
