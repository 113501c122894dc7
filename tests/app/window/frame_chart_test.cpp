// Chart frame rules: the sliding window (strictly greater), the point limit, the value text
// (in the frame's model at once, in the box at the next paint), preparation, and the axis
// labels.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <cmath>
#include <qcustomplot.h>
#include <vector>

#include "acquisition/run_state.h"
#include "app/window/chart_tickers.h"
#include "app/window/frame_chart.h"
#include "app/window/value_box.h"
#include "platform/date_time.h"
#include "platform/text_format.h"
#include "qt_test_app.h"

namespace kelmo {
namespace {

constexpr double kSecond = 1.0 / 86400.0;
constexpr double kNoon = 46000.5;  // a date-time at noon

// Comes up before the frame, which needs the application.
struct WithApplication {
  WithApplication() { test::testApplication(); }
};

class FrameChartTest : public ::testing::Test, WithApplication {
 protected:
  void SetUp() override { setDecimalSeparator('.'); }
  void TearDown() override { setClock({}); }

  std::vector<double> times() const {
    std::vector<double> keys;
    for (const ChartPoint& p : frame.Series1()) keys.push_back(p.time);
    return keys;
  }
  std::vector<double> values() const {
    std::vector<double> result;
    for (const ChartPoint& p : frame.Series1()) result.push_back(p.value);
    return result;
  }

  TFrameChart frame;
};

TEST_F(FrameChartTest, BeforePreparationKeepsNoPointButShowsTheValue) {
  EXPECT_EQ(frame.rangeDays(), 0.0);
  EXPECT_EQ(frame.maxPoints(), 0);
  frame.addValue(kNoon, 2.25);
  EXPECT_EQ(frame.Series1().size(), 0U);
  EXPECT_EQ(frame.valueText(), "  2.25000");
  frame.showLatest();
  EXPECT_EQ(frame.EditValue()->text(), "  2.25000");
}

TEST_F(FrameChartTest, PreparationSetsWindowLimitIndexAndPeriodClock) {
  setClock([] { return kNoon + 7 * kSecond; });
  frame.prepareChart(3, 30);
  EXPECT_EQ(frame.labelChannelNo()->text(), "3");
  EXPECT_EQ(frame.channelNo(), 3);
  EXPECT_EQ(frame.maxPoints(), 1000);
  EXPECT_DOUBLE_EQ(frame.rangeDays(), 30.0 / 86400.0);
  EXPECT_DOUBLE_EQ(NextVoltsTime.load(), kNoon + 7 * kSecond);
}

TEST_F(FrameChartTest, PreparationKeepsThePointsOfTheEarlierRun) {
  frame.prepareChart(0, 30);
  frame.addValue(kNoon, 1);
  frame.addValue(kNoon + kSecond, 2);
  frame.prepareChart(0, 30);
  EXPECT_EQ(frame.Series1().size(), 2U);
}

TEST_F(FrameChartTest, APointLeavesOnlyWhenStrictlyOlderThanTheWindow) {
  // 675 s is 1/128 day: the boundary is exact in doubles, so "exactly as old as the
  // window" is a real case here.
  frame.prepareChart(0, 675);
  ASSERT_EQ(frame.rangeDays(), 1.0 / 128);
  const double first = kNoon;
  const double boundary = first + 1.0 / 128;
  ASSERT_EQ(boundary - first, frame.rangeDays());

  frame.addValue(first, 1);
  frame.addValue(boundary, 2);
  EXPECT_EQ(times(), (std::vector<double>{first, boundary})) << "exactly the window old: kept";

  const double justPast = std::nextafter(boundary, 1e9);
  frame.addValue(justPast, 3);
  EXPECT_EQ(values(), (std::vector<double>{2, 3})) << "older than the window: removed";
}

TEST_F(FrameChartTest, TheFirstPointAfterALongPauseRemovesTheWholeEarlierRun) {
  frame.prepareChart(0, 30);
  for (int i = 0; i < 50; ++i) frame.addValue(kNoon + i * 0.2 * kSecond, i);
  frame.prepareChart(0, 30);
  frame.addValue(kNoon + 3600 * kSecond, 99);
  EXPECT_EQ(values(), std::vector<double>{99});
}

TEST_F(FrameChartTest, AtMostAThousandPointsWhenTheWindowHoldsMore) {
  frame.prepareChart(0, 600);
  for (int i = 0; i < 3000; ++i) frame.addValue(kNoon + i * 0.2 * kSecond, i);
  const std::vector<double> kept = values();
  ASSERT_EQ(kept.size(), 1000U);
  EXPECT_EQ(kept.front(), 2000);
  EXPECT_EQ(kept.back(), 2999);
}

TEST_F(FrameChartTest, EqualTimesAtTheLimitDropOnlyTheOldestPoints) {
  frame.prepareChart(0, 30);
  for (int i = 0; i < 1003; ++i) frame.addValue(kNoon, i);
  const std::vector<double> kept = values();
  ASSERT_EQ(kept.size(), 1000U);
  EXPECT_EQ(kept.front(), 3);
  EXPECT_EQ(kept.back(), 1002);
}

TEST_F(FrameChartTest, ValueTextIsFixedPointWithFiveDecimalsInNineCharacters) {
  struct Case {
    double value;
    char separator;
    const char* text;
  };
  const Case cases[] = {
      {1.5, '.', "  1.50000"},     {12345.678, '.', "12345.67800"}, {-0.5, '.', " -0.50000"},
      {0, '.', "  0.00000"},       {1.5, ',', "  1,50000"},
  };
  frame.prepareChart(0, 30);
  for (const Case& c : cases) {
    setDecimalSeparator(c.separator);
    frame.addValue(kNoon, c.value);
    EXPECT_EQ(frame.valueText().toStdString(), c.text) << c.value;
  }
}

TEST_F(FrameChartTest, BoxesTakeTheirTextsOnlyWhenShown) {
  frame.prepareChart(0, 30);
  frame.addValue(kNoon, 1.5);
  frame.setExtraValue("R=", 2);
  frame.showLatest();
  EXPECT_EQ(frame.EditValue()->text(), "  1.50000");
  EXPECT_EQ(frame.EditK1()->text(), "R=2");

  // Notifications between two paints: the boxes keep what they show until the next one,
  // which shows the latest texts.
  frame.addValue(kNoon + kSecond, 2.5);
  frame.setExtraValue("R=", 3);
  frame.addValue(kNoon + 2 * kSecond, 3.5);
  frame.setExtraValue("R=", 4);
  EXPECT_EQ(frame.EditValue()->text(), "  1.50000");
  EXPECT_EQ(frame.EditK1()->text(), "R=2");
  EXPECT_EQ(frame.valueText(), "  3.50000");
  EXPECT_EQ(frame.extraText(), "R=4");
  frame.showLatest();
  EXPECT_EQ(frame.EditValue()->text(), "  3.50000");
  EXPECT_EQ(frame.EditK1()->text(), "R=4");
}

TEST_F(FrameChartTest, AClockSetBackKeepsThePointsInTimeOrder) {
  frame.prepareChart(0, 30);
  frame.addValue(kNoon, 1);
  frame.addValue(kNoon + 2 * kSecond, 2);
  frame.addValue(kNoon + kSecond, 3);
  frame.addValue(kNoon + kSecond, 4);
  EXPECT_EQ(times(), (std::vector<double>{kNoon, kNoon + kSecond, kNoon + kSecond, kNoon + 2 * kSecond}));
  EXPECT_EQ(values(), (std::vector<double>{1, 3, 4, 2}));
}

TEST(ChartAxisLabels, ValueAxisShowsAtMostThreeDecimalsWithoutTrailingZeros) {
  struct Case {
    double value;
    char separator;
    const char* text;
  };
  const Case cases[] = {
      {1.5, '.', "1.5"},   {2, '.', "2"},           {0.12345, '.', "0.123"}, {1234.5678, '.', "1234.568"},
      {-0.0004, '.', "0"}, {-2.5, '.', "-2.5"},     {0.0005, '.', "0.001"},  {1.5, ',', "1,5"},
      {1e-17, '.', "0"},   {100.1, '.', "100.1"},
  };
  for (const Case& c : cases) {
    setDecimalSeparator(c.separator);
    EXPECT_EQ(formatAxisValue(c.value), c.text) << c.value;
  }
  setDecimalSeparator('.');
}

TEST(ChartAxisLabels, TimeAxisShowsTheTimeOfDayOfContinuousDateTimes) {
  test::testApplication();
  setTimeSeparator(':');
  QCustomPlot plot;
  auto ticker = QSharedPointer<TimeOfDayTicker>(new TimeOfDayTicker);
  QVector<double> ticks;
  QVector<QString> labels;
  // 30 s across midnight.
  ticker->generate(QCPRange(46000.0 + 1.0 - 15 * kSecond, 46001.0 + 15 * kSecond), QLocale(), 'g', 6,
                   ticks, nullptr, &labels);
  ASSERT_FALSE(labels.isEmpty());
  EXPECT_TRUE(labels.contains("00:00:00")) << labels.join(' ').toStdString();
  EXPECT_TRUE(labels.contains("23:59:50")) << labels.join(' ').toStdString();
  for (int i = 1; i < ticks.size(); ++i) EXPECT_GT(ticks[i], ticks[i - 1]);
}

}  // namespace
}  // namespace kelmo
