// Live charts drawn by scrolling: a picture brought up to date paint by paint (moved left,
// the new columns and the new piece of line drawn) is pixel for pixel the picture drawn
// whole from the same points, across a change of the value range, a resize and gaps in the
// line; the chart draws whole only when it must; the value range moves in whole ticks and
// the time axis spans the time window, or what the point limit keeps.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QTest>
#include <cmath>
#include <limits>
#include <sstream>
#include <string>

#include "app/window/chart_axes.h"
#include "app/window/chart_series.h"
#include "app/window/chart_tickers.h"
#include "app/window/live_chart.h"
#include "platform/text_format.h"
#include "qt_test_app.h"

namespace kelmo {
namespace {

constexpr double kSecond = 1.0 / 86400.0;
constexpr double kNoon = 46000.5;
constexpr std::int32_t kMaxPoints = 1000;

// "" when equal, else how many pixels differ and where the first is.
std::string differences(const QImage& actual, const QImage& expected) {
  if (actual.size() != expected.size()) return "sizes differ";
  int count = 0;
  std::ostringstream first;
  for (int y = 0; y < actual.height(); ++y) {
    for (int x = 0; x < actual.width(); ++x) {
      if (actual.pixel(x, y) == expected.pixel(x, y)) continue;
      if (count++ == 0) first << " first at (" << x << ", " << y << ")";
    }
  }
  return count == 0 ? std::string() : std::to_string(count) + " pixels differ," + first.str();
}

// A chart on its own, as a frame holds one: its series, the chart, and the points it got.
struct Chart {
  Chart() {
    chart.resize(320, 190);
    chart.startRun(window, kMaxPoints);
  }
  void add(double time, double value) {
    series.add(time, value, window, kMaxPoints);
    chart.pointsAdded();
  }
  const double window = 30 * kSecond;
  ChartSeries series;
  LiveChart chart{series};
};

// The same points drawn whole by a chart of the same size that has drawn nothing before.
QImage drawnWhole(const Chart& scrolled) {
  LiveChart whole(scrolled.series);
  whole.resize(scrolled.chart.size());
  whole.startRun(scrolled.window, kMaxPoints);
  whole.drawIfStale();
  EXPECT_EQ(whole.drawings().whole, 1);
  return whole.picture();
}

// A rig's quantity: a slow wave with a little noise.
double wave(int n) { return 2.0 + 0.8 * std::sin(n / 25.0) + 0.003 * std::sin(n * 7.3); }

class LiveChartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::testApplication();
    setDecimalSeparator('.');
    setTimeSeparator(':');
  }
};

TEST_F(LiveChartTest, ScrollingDrawsWhatADrawingOfTheWholeDraws) {
  Chart c;
  const double period = 0.2 * kSecond;
  int n = 0;
  // One paint every second or third point, as at a period of 100 ms; compares every few
  // paints. Returns the drawings meanwhile.
  const auto run = [&](int points, auto value, const char* stage) {
    const LiveChart::Drawings before = c.chart.drawings();
    const auto since = [&] {
      const LiveChart::Drawings& after = c.chart.drawings();
      return LiveChart::Drawings{after.whole - before.whole, after.scrolled - before.scrolled,
                                 after.extended - before.extended};
    };
    const auto compare = [&] {
      const std::string found = differences(c.chart.picture(), drawnWhole(c));
      if (!found.empty()) ADD_FAILURE() << stage << ", point " << n << ": " << found;
      return found.empty();
    };
    for (int i = 0; i < points; ++i, ++n) {
      c.add(kNoon + n * period, value(n));
      if (n % 3 != 0) continue;
      c.chart.drawIfStale();
      if (n % 21 == 0 && !compare()) return since();
    }
    c.chart.drawIfStale();
    compare();
    return since();
  };

  // The window fills from the left, then scrolls; a full wave lies within the window, so
  // the range settles.
  run(400, wave, "filling and scrolling");
  const LiveChart::Drawings steady = run(300, wave, "steady wave");
  EXPECT_EQ(steady.whole, 0) << "a wave inside its range moved the range";
  EXPECT_GT(steady.scrolled, 50);

  // A spike above the range: drawn whole once when it comes and once when it leaves the
  // window, scrolling in between.
  const LiveChart::Drawings spike = run(60, [](int i) { return i == 730 ? 9.5 : wave(i); }, "after a spike");
  EXPECT_EQ(spike.whole, 1);
  EXPECT_GT(spike.scrolled, 5);

  // Gaps: values that are not numbers break the line.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  run(60, [&](int i) { return i % 17 == 0 ? nan : i % 23 == 0 ? inf : wave(i); }, "with gaps");

  const LiveChart::Drawings spikeLeft = run(100, wave, "the spike out of the window");
  EXPECT_EQ(spikeLeft.whole, 1);

  // A resize: drawn whole, then scrolling at the new size.
  c.chart.resize(251, 163);
  const LiveChart::Drawings resized = run(100, wave, "after a resize");
  EXPECT_EQ(resized.whole, 1);
  EXPECT_GT(resized.scrolled, 10);
}

TEST_F(LiveChartTest, WhatTheScreenShowsIsThePicture) {
  // A shown chart: at a paint the toolkit moves what the screen showed and the chart paints
  // only what came in; the screen must then show the picture, pixel for pixel.
  Chart c;
  c.chart.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&c.chart));
  const auto shown = [&] {
    return c.chart.screen()->grabWindow(c.chart.winId()).toImage().convertToFormat(QImage::Format_RGB32);
  };
  for (int n = 0; n < 700; ++n) {
    c.add(kNoon + n * 0.2 * kSecond, n == 500 ? 6.0 : wave(n));
    if (n % 3 != 0) continue;
    c.chart.drawIfStale();
    QCoreApplication::processEvents();  // the paint
    if (n % 30 == 0 || n == 501) {
      const QImage screen = shown();
      ASSERT_EQ(screen.size(), c.chart.size()) << "no picture of the screen on this platform";
      ASSERT_EQ(differences(screen, c.chart.picture()), "") << "point " << n;
    }
  }
  EXPECT_GT(c.chart.drawings().scrolled, 100);
}

TEST_F(LiveChartTest, ASlowlyDriftingSignalMovesTheRangeOnlyAtTicks) {
  Chart c;
  // 0.001 per point: once the window is full its 150 points span 0.15, in ticks of 0.025,
  // and each end of the range moves once in 25 points.
  constexpr int kPoints = 600;
  constexpr int kFull = 200;
  int rangeChanges = 0;
  ValueAxis drawn = c.chart.valueAxis();
  for (int n = 0; n < kPoints; ++n) {
    c.add(kNoon + n * 0.2 * kSecond, 1.0 + n * 0.001);
    const int wholeBefore = c.chart.drawings().whole;
    c.chart.drawIfStale();
    const ValueAxis& axis = c.chart.valueAxis();
    const double slack = axis.step * 1e-9;  // a value a rounding error beside a tick counts as on it
    ASSERT_LE(axis.lower, c.series.front().value + slack);
    ASSERT_GE(axis.upper, c.series.back().value - slack);
    ASSERT_NEAR(std::remainder(axis.lower, axis.step), 0, slack) << "the range starts at a tick";
    ASSERT_NEAR(std::remainder(axis.upper, axis.step), 0, slack) << "the range ends at a tick";
    const bool changed = !(axis == drawn);
    rangeChanges += changed && n >= kFull ? 1 : 0;
    if (n > 0) {
      ASSERT_EQ(c.chart.drawings().whole - wholeBefore, changed ? 1 : 0) << "point " << n;
    }
    drawn = axis;
  }
  EXPECT_LE(rangeChanges, 2 * (kPoints - kFull) / 25 + 2) << "the range followed the points, not the ticks";
  EXPECT_EQ(differences(c.chart.picture(), drawnWhole(c)), "");
}

TEST_F(LiveChartTest, DrawsWholeOnlyAtARunsStartARangeChangeAndAResize) {
  Chart c;
  EXPECT_TRUE(c.chart.drawIfStale()) << "the first drawing";
  EXPECT_FALSE(c.chart.drawIfStale()) << "nothing new";
  EXPECT_EQ(c.chart.drawings().whole, 1);

  c.add(kNoon, 1.0);
  c.add(kNoon + kSecond, 2.0);
  c.chart.drawIfStale();  // the first points: a new range
  const int afterFirst = c.chart.drawings().whole;
  for (int n = 2; n < 60; ++n) {
    c.add(kNoon + n * kSecond, 1.0 + (n % 2));
    c.chart.drawIfStale();
  }
  EXPECT_EQ(c.chart.drawings().whole, afterFirst) << "points inside the range";
  EXPECT_GT(c.chart.drawings().scrolled, 20);

  c.chart.startRun(30 * kSecond, kMaxPoints);
  c.chart.drawIfStale();
  EXPECT_EQ(c.chart.drawings().whole, afterFirst + 1) << "a run starts";

  c.chart.resize(300, 180);
  c.chart.drawIfStale();
  EXPECT_EQ(c.chart.drawings().whole, afterFirst + 2) << "a resize";

  c.add(kNoon + 60 * kSecond, 40.0);
  c.chart.drawIfStale();
  EXPECT_EQ(c.chart.drawings().whole, afterFirst + 3) << "a value beyond the range";
}

TEST_F(LiveChartTest, TheTimeAxisSpansTheWindowOrWhatThePointLimitKeeps) {
  // Period 200 ms, window 30 s: about 150 points; the oldest in the first column, and the
  // newest in the last once the window is full.
  const double slowPeriod = 0.2 * kSecond;
  Chart slow;
  for (int n = 0; n < 50; ++n) slow.add(kNoon + n * slowPeriod, wave(n));
  slow.chart.drawIfStale();
  TimeAxis axis = slow.chart.timeAxis();
  EXPECT_DOUBLE_EQ(axis.windowDays, 30 * kSecond);
  EXPECT_EQ(axis.columnOf(slow.series.front().time), axis.firstColumn) << "filling from the left";
  for (int n = 50; n < 400; ++n) slow.add(kNoon + n * slowPeriod, wave(n));
  slow.chart.drawIfStale();
  axis = slow.chart.timeAxis();
  EXPECT_NEAR(axis.upper() - axis.lower(), 30 * kSecond, 1e-9);
  EXPECT_EQ(axis.columnOf(slow.series.front().time), axis.firstColumn);
  const std::int64_t newest = axis.columnOf(slow.series.back().time);
  EXPECT_LT(newest, axis.firstColumn + axis.columns);
  EXPECT_GE(newest, axis.firstColumn + axis.columns - 1 - std::llround(slowPeriod / axis.daysPerColumn))
      << "the newest within a period of the right end";

  // Period 10 ms: the limit keeps 1000 points, 10 s; the axis spans them, and stays so
  // once the range has settled.
  Chart fast;
  int n = 0;
  const auto addFast = [&](int points) {
    for (int i = 0; i < points; ++i, ++n) {
      fast.add(kNoon + n * 0.01 * kSecond, wave(n));
      if (n % 4 == 0) fast.chart.drawIfStale();
    }
    fast.chart.drawIfStale();
  };
  addFast(2500);
  axis = fast.chart.timeAxis();
  const double kept = fast.series.back().time - fast.series.front().time;
  EXPECT_EQ(fast.series.size(), static_cast<std::size_t>(kMaxPoints));
  EXPECT_NEAR(axis.windowDays, kept, 2 * axis.daysPerColumn);
  EXPECT_EQ(axis.columnOf(fast.series.front().time), axis.firstColumn);
  const int wholeBefore = fast.chart.drawings().whole;
  addFast(1500);
  EXPECT_EQ(fast.chart.drawings().whole, wholeBefore) << "the span drawn whole again";
  EXPECT_EQ(differences(fast.chart.picture(), drawnWhole(fast)), "");
}

TEST(ChartValueAxis, TheRangeIsInWholeTicksAndStaysWhileTheValuesFillIt) {
  test::testApplication();
  ValueTicker ticker;
  ChartSeries series;
  const auto fit = [&](std::initializer_list<double> values, const ValueAxis& current = {}) {
    series = ChartSeries();
    double t = kNoon;
    for (double v : values) series.add(t += kSecond, v, 1, kMaxPoints);
    return ValueAxis::fitted(series, current, ticker);
  };
  const ValueAxis wave = fit({1.23, 2.71});
  EXPECT_DOUBLE_EQ(wave.step, 0.25);  // the library's step for a span of 1.48
  EXPECT_DOUBLE_EQ(wave.lower, 1.0);
  EXPECT_DOUBLE_EQ(wave.upper, 2.75);
  EXPECT_EQ(wave.subTicks, 4);

  EXPECT_EQ(fit({1.01, 2.74}, wave), wave) << "values in the outer tick intervals keep the range";
  EXPECT_NE(fit({1.26, 2.74}, wave), wave) << "the low end left its tick interval";
  EXPECT_NE(fit({1.01, 2.76}, wave), wave) << "the high end passed the range";

  const ValueAxis flat = fit({-4.15, -4.15});
  EXPECT_LT(flat.lower, -4.15);
  EXPECT_GT(flat.upper, -4.15);
  EXPECT_NEAR(flat.upper - flat.lower, 1.2, 1e-9) << "a flat line gets about one around it";

  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(fit({nan, 1.5, std::numeric_limits<double>::infinity(), 3.5}), fit({1.5, 3.5})) << "only numbers count";
  EXPECT_EQ(fit({nan}, wave), wave) << "no number keeps the range";
}

TEST(ChartTimeAxis, ATimeHasOneColumnWhateverPartOfTheStripIsShown) {
  test::testApplication();
  TimeOfDayTicker ticker;
  ticker.setTickCount(3);
  TimeAxis axis = TimeAxis::over(30 * kSecond, 279, ticker);
  EXPECT_DOUBLE_EQ(axis.step, 10 * kSecond);
  const std::int64_t column = axis.columnOf(kNoon);
  axis.firstColumn = column - 100;
  EXPECT_EQ(axis.columnOf(kNoon), column);
  EXPECT_EQ(axis.columnOf(kNoon + 30 * kSecond), column + 279);
  // Ticks every 10 s inside the shown range, each with its grid column.
  const std::vector<double> ticks = axis.ticks();
  ASSERT_FALSE(ticks.empty());
  for (double tick : ticks) {
    EXPECT_GE(tick, axis.lower());
    EXPECT_LE(tick, axis.upper());
    EXPECT_NEAR(std::remainder(tick * 86400, 10), 0, 1e-3);
  }
  const std::vector<std::int64_t> columns = axis.tickColumns(axis.firstColumn, axis.firstColumn + axis.columns);
  EXPECT_GE(columns.size(), ticks.size() - 1);
}

}  // namespace
}  // namespace kelmo
