// A plot drawn as one opaque picture on one layer looks exactly as the chart library draws
// it: same pixels for the grid, the line, the axes and their labels, at every replot and
// after a resize; and the line stays above the grid and below the axes.
#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <memory>

#include "app/window/opaque_plot.h"
#include "qt_test_app.h"

namespace kelmo {
namespace {

QImage drawn(QCustomPlot& plot) { return plot.grab().toImage().convertToFormat(QImage::Format_RGB32); }

int pixelsOf(const QImage& image, QRgb colour) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) == colour ? 1 : 0;
  }
  return count;
}

// A chart as the window sets one up, with a wave of points.
void setUpChart(QCustomPlot& plot, int firstPoint) {
  plot.resize(320, 240);
  plot.plotLayout()->setMargins(QMargins(0, 0, 0, 0));
  QCPGraph* graph = plot.graph(0);
  QPen pen(QColor(255, 0, 0));
  pen.setWidth(1);
  graph->setPen(pen);
  graph->setAntialiased(false);
  QVector<double> keys;
  QVector<double> values;
  for (int i = firstPoint; i < firstPoint + 150; ++i) {
    keys.append(i * 0.2);
    values.append(2.0 + std::sin(i / 15.0));
  }
  graph->setData(keys, values);
  graph->rescaleAxes();
  plot.replot(QCustomPlot::rpImmediateRefresh);
}

TEST(OpaquePlot, LooksAsTheLibraryDrawsIt) {
  test::testApplication();
  QCustomPlot plain;
  plain.addGraph();
  OpaquePlot opaque;
  opaque.addGraph();
  opaque.drawOnOneLayer();
  EXPECT_EQ(opaque.layerCount(), 1);

  for (int firstPoint : {0, 37, 400}) {  // replots of moving data reuse the picture
    setUpChart(plain, firstPoint);
    setUpChart(opaque, firstPoint);
    const QImage expected = drawn(plain);
    const QImage actual = drawn(opaque);
    ASSERT_EQ(actual.size(), expected.size());
    EXPECT_TRUE(actual == expected) << "first point " << firstPoint;
    EXPECT_GT(pixelsOf(actual, qRgb(255, 0, 0)), 150) << "the line is drawn";
    EXPECT_GT(pixelsOf(actual, qRgb(0, 0, 0)), 200) << "the axes are drawn";
  }

  plain.resize(200, 150);
  opaque.resize(200, 150);
  plain.replot(QCustomPlot::rpImmediateRefresh);
  opaque.replot(QCustomPlot::rpImmediateRefresh);
  EXPECT_TRUE(drawn(opaque) == drawn(plain)) << "after a resize";
}

TEST(OpaquePlot, LineIsDrawnAboveTheGridAndBelowTheAxes) {
  test::testApplication();
  OpaquePlot plot;
  QCPGraph* graph = plot.addGraph();
  plot.drawOnOneLayer();
  QCPLayer* only = plot.layer(0);
  EXPECT_EQ(plot.xAxis->grid()->layer(), only);
  EXPECT_EQ(graph->layer(), only);
  EXPECT_EQ(plot.xAxis->layer(), only);
  const QList<QCPLayerable*> order = only->children();
  EXPECT_LT(order.indexOf(plot.xAxis->grid()), order.indexOf(graph));
  EXPECT_LT(order.indexOf(plot.yAxis->grid()), order.indexOf(graph));
  EXPECT_LT(order.indexOf(graph), order.indexOf(plot.xAxis));
  EXPECT_LT(order.indexOf(graph), order.indexOf(plot.yAxis));
}

}  // namespace
}  // namespace kelmo
