#pragma once
// The line chart of a chart frame, drawn by scrolling. It keeps the picture it has drawn;
// at a paint it moves the plotted area left by the time that has passed and draws only the
// columns that came in and the new piece of line. It draws whole only when it must: the
// value axis's range changes (the range moves in whole ticks, see ValueAxis), the chart is
// resized, a run starts, or the time axis's span changes (when the point limit keeps less
// than the time window). The time axis spans the time window; its ticks and labels move
// with the line.
#include <QWidget>
#include <cstdint>
#include <memory>

#include "app/window/chart_axes.h"
#include "app/window/chart_series.h"
#include "app/window/chart_tickers.h"

namespace kelmo {

class ChartPicture;

class LiveChart : public QWidget {
  Q_OBJECT

 public:
  // How the picture was brought up to date, counted since the chart was made.
  struct Drawings {
    int whole = 0;     // drawn anew
    int scrolled = 0;  // moved left, the new columns drawn
    int extended = 0;  // not moved, a new piece of line drawn
  };

  explicit LiveChart(const ChartSeries& series, QWidget* parent = nullptr);
  ~LiveChart() override;

  // A run starts: the window the series keeps (days) and its point limit.
  void startRun(double windowDays, std::int32_t maxPoints);
  // The series has new points: asks the window for a paint. They are drawn at the paint.
  void pointsAdded();
  // Draws what came since the last time and asks to paint the rectangle that changed; the
  // window calls it just before it paints. Returns whether it drew.
  bool drawIfStale();

  const ValueAxis& valueAxis() const;
  const TimeAxis& timeAxis() const;
  const Drawings& drawings() const { return drawings_; }
  // What the chart shows, in the chart's pixels, and where the line passes through a point.
  QImage picture() const;
  QPoint pixelOf(const ChartPoint& point) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Brings the picture up to date: draws whole, or moves the part of the widget's last
  // paint that moved (when `moveShown`) and returns what must be painted again.
  QRegion draw(bool moveShown);
  QRegion drawWhole(const ValueAxis& value);
  // The time axis's span for the points as they are, over `columns` columns.
  double windowFor(int columns) const;

  const ChartSeries& series_;
  ValueTicker valueTicker_;
  TimeOfDayTicker timeTicker_;
  std::unique_ptr<ChartPicture> picture_;
  double windowDays_ = 0;
  std::int32_t maxPoints_ = 0;
  bool stale_ = true;
  bool wholeNeeded_ = true;
  // The series' counts when it was last drawn.
  std::uint64_t drawnAppended_ = 0;
  std::uint64_t drawnInsertedBefore_ = 0;
  Drawings drawings_;
};

}  // namespace kelmo
