// A live chart looks as the chart library drew the chart frames: the same margins, axes,
// ticks, subticks, labels and grid, pixel for pixel, and the same line within a pixel.
#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <qcustomplot.h>

#include "app/window/chart_series.h"
#include "app/window/chart_tickers.h"
#include "app/window/live_chart.h"
#include "platform/text_format.h"
#include "qt_test_app.h"

namespace kelmo {
namespace {

constexpr double kSecond = 1.0 / 86400.0;

QFont tickFont() {
  QFont font;
  font.setPixelSize(10);
  font.setStyleStrategy(QFont::PreferNoShaping);
  return font;
}

// The value ticker with the live chart's step: the library would choose its own step for
// the range in whole ticks, which the live chart chose for the values inside it.
class StepOf : public ValueTicker {
 public:
  explicit StepOf(double step) : step_(step) {}

 protected:
  double getTickStep(const QCPRange&) override { return step_; }

 private:
  double step_;
};

// The chart as the frames set the library up, over the live chart's ranges.
QImage drawnByTheLibrary(const ChartSeries& series, const LiveChart& live) {
  QCustomPlot plot;
  plot.resize(live.size());
  plot.plotLayout()->setMargins(QMargins(0, 0, 0, 0));
  plot.legend->setVisible(false);
  plot.xAxis->setTicker(QSharedPointer<QCPAxisTicker>(new TimeOfDayTicker));
  plot.xAxis->ticker()->setTickCount(3);
  plot.yAxis->setTicker(QSharedPointer<QCPAxisTicker>(new StepOf(live.valueAxis().step)));
  plot.xAxis->setTickLabelFont(tickFont());
  plot.yAxis->setTickLabelFont(tickFont());
  QCPGraph* graph = plot.addGraph();
  QPen pen(QColor(255, 0, 0));
  pen.setWidth(1);
  graph->setPen(pen);
  graph->setAntialiased(false);
  for (const ChartPoint& p : series) graph->addData(p.time, p.value);
  plot.xAxis->setRange(live.timeAxis().lower(), live.timeAxis().upper());
  plot.yAxis->setRange(live.valueAxis().lower, live.valueAxis().upper);
  plot.replot();
  // As on the screen: the library draws its labels from cached pictures there.
  return plot.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

constexpr QRgb kRed = 0xffff0000;

// Whether a pixel of the line, or of an axis that may cover it, lies within two pixels.
bool lineNear(const QImage& image, int x, int y) {
  for (int dy = -2; dy <= 2; ++dy) {
    for (int dx = -2; dx <= 2; ++dx) {
      const QPoint p(x + dx, y + dy);
      if (image.rect().contains(p) && (image.pixel(p) == kRed || image.pixel(p) == qRgb(0, 0, 0))) return true;
    }
  }
  return false;
}

int redPixels(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) == kRed ? 1 : 0;
  }
  return count;
}

TEST(LiveChartLook, AsTheChartLibraryDrawsIt) {
  test::testApplication();
  setDecimalSeparator('.');
  setTimeSeparator(':');
  struct Case {
    const char* what;
    double low, high;  // the wave's extremes
    int seconds;       // of points, at 200 ms
  };
  const Case cases[] = {{"filling the window", 1.05, 2.95, 12},
                        {"a full window", 1.05, 2.95, 40},
                        {"around zero", -0.45, 0.45, 40},
                        {"wide labels", 1040, 1960, 40}};
  for (const Case& c : cases) {
    ChartSeries series;
    LiveChart live(series);
    live.resize(320, 190);
    const auto drawFrom = [&](double start) {
      series = ChartSeries();
      for (int n = 0; n < c.seconds * 5; ++n) {
        const double v = (c.low + c.high) / 2 + (c.high - c.low) / 2 * std::sin(n / 20.0);
        series.add(start + n * 0.2 * kSecond, v, 30 * kSecond, 1000);
      }
      live.startRun(30 * kSecond, 1000);
      live.drawIfStale();
    };
    // The library starts the grid's dots at the left; the live chart at every third column
    // of its strip. A start a column or two later makes them meet.
    drawFrom(46000.5);
    const auto late = static_cast<double>((3 - live.timeAxis().firstColumn % 3) % 3);
    drawFrom(46000.5 + late * live.timeAxis().daysPerColumn);
    ASSERT_EQ(live.timeAxis().firstColumn % 3, 0) << c.what;

    const QImage& mine = live.picture();
    const QImage theirs = drawnByTheLibrary(series, live);
    ASSERT_EQ(mine.size(), theirs.size());
    // The library draws the line through unrounded pixel positions, the live chart through
    // whole ones: the lines may part by a pixel, more where the axes hide one of them.
    int apart = 0;
    for (int y = 0; y < mine.height(); ++y) {
      for (int x = 0; x < mine.width(); ++x) {
        const QRgb a = mine.pixel(x, y);
        const QRgb b = theirs.pixel(x, y);
        if (a == b) continue;
        ASSERT_TRUE(a == kRed || b == kRed) << c.what << ": not the line at (" << x << ", " << y << ")";
        EXPECT_TRUE(lineNear(a == kRed ? theirs : mine, x, y)) << c.what << ": the lines apart at (" << x << ", " << y << ")";
        ++apart;
      }
    }
    const int line = redPixels(theirs);
    EXPECT_GT(line, 150) << c.what;
    EXPECT_NEAR(redPixels(mine), line, line / 10) << c.what;
    EXPECT_LT(apart, line) << c.what;
  }
}

}  // namespace
}  // namespace kelmo
