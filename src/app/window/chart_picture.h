#pragma once
// What a live chart shows, in pixels, in the chart library's default look: white, a plotted
// area with dotted grey grid lines at the ticks and the red line, black axes along its left
// and bottom with inward ticks, and the tick labels outside.
//
// Two images make it. The frame holds what stays until the chart is drawn whole: the
// background, the value axis's labels and the time axis's line. The content holds the
// plotted area: the grid, the line, and over them the ticks of both axes that point into it
// and the value axis's line. It scrolls: it moves left by the columns the time axis moved,
// and only the columns that came in and the new piece of line are drawn, the ticks over
// them, and the value axis again at the left. A paint copies both and draws the time labels
// over them, for the rectangle it paints.
#include <QImage>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <cstddef>

#include "app/window/chart_axes.h"
#include "app/window/chart_series.h"
#include "app/window/plot_content.h"
#include "app/window/tick_label_images.h"

class QPainter;

namespace kelmo {

class ChartTicker;

struct ChartGeometry {
  QSize size;
  // The plotted area: the library's axis rect, inside margins fitted to the labels.
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;

  int bottom() const { return top + height - 1; }
  // What the grid and the line may cover: the library clips them to the plotted area moved
  // up by one row, so a value at the top of the range shows and one at the bottom lies under
  // the time axis.
  QRect contentRect() const { return {left, top - 1, width, height}; }
  bool plots() const { return width > 0 && height > 0; }
};

class ChartPicture {
 public:
  ChartPicture(const QFont& tickFont, ChartTicker& valueTicker, ChartTicker& timeTicker);

  // The plotted area for a chart of `size` whose value axis is `value`.
  ChartGeometry layOut(QSize size, const ValueAxis& value);
  // Everything anew: `time` is an axis over the geometry's width.
  void drawWhole(const ChartGeometry& geometry, const ValueAxis& value, const TimeAxis& time,
                 const ChartSeries& series);
  // What a drawing of new points changed on the chart.
  struct Change {
    int moved = 0;     // columns the plotted area moved left
    QRect movedArea;   // what moved with it, as a whole: the plotted area but for its left
                       // columns, which the value axis's ticks cover
    QRegion redrawn;   // what must be painted again, once the moved area has moved
  };
  // The time axis now starts at `firstColumn`, not before the one drawn: moves the content
  // left by the difference, draws the columns that came in, then the line from point `from`
  // on.
  Change drawNew(std::int64_t firstColumn, const ChartSeries& series, std::size_t from);

  // Paints the part `rect` of the chart (in the chart's pixels) with `painter`.
  void paint(QPainter& painter, const QRect& rect);
  // The whole chart as a paint shows it.
  QImage image();
  // Where the line passes through the point (time, value), on the chart.
  QPoint pixelOf(double time, double value) const;

  const ChartGeometry& geometry() const { return geometry_; }
  const TimeAxis& timeAxis() const { return time_; }
  const ValueAxis& valueAxis() const { return value_; }

 private:
  void drawFrame();
  // Background and grid for the content's columns [from, to).
  void drawContentColumns(int from, int to);
  // The line through points [from, end): each piece between two finite values.
  // Returns the content columns it touched, [first, last], or an empty range.
  std::pair<int, int> drawLine(const ChartSeries& series, std::size_t from);
  // The time axis's ticks in the content's columns [from, to), over grid and line.
  void drawTimeTicks(int from, int to);
  // The value axis's line and ticks at the content's left, over everything else.
  void drawValueAxis();
  // What the library draws just right of the plotted area (a tick at the time axis's end,
  // with its grid line) and the time labels below it.
  void paintTimeAxisEnd(QPainter& painter);

  int rowOf(double value) const;
  int columnInView(double time) const;

  TickLabelImages labels_;
  ChartTicker& valueTicker_;
  ChartTicker& timeTicker_;
  ChartGeometry geometry_;
  ValueAxis value_;
  TimeAxis time_;
  QImage frame_;
  PlotContent content_;
};

}  // namespace kelmo
