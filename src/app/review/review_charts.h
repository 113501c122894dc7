#pragma once
// Six charts of one run in the main window's style (red one-pixel lines, times of day on
// a shared time axis, "#0.###" values), laid out as the window lays out its frames: Ur, Ir,
// Uref on the left, a, P, W on the right. Used by the review window and by report --plot.
#include <QString>
#include <array>
#include <optional>
#include <string>

#include "datafile/min_max_decimator.h"
#include "datafile/run_summary.h"

class QCustomPlot;
class QCPAxisRect;
class QCPGraph;
class QCPTextElement;
class QCPItemStraightLine;

namespace kelmo {

class ReviewCharts {
 public:
  // Builds the charts inside the plot (which may be a widget or an offscreen one).
  explicit ReviewCharts(QCustomPlot* plot);

  // "test.dat — run 2 of 3, 2026-12-10 13:40:01, 0:00:03.012".
  static QString titleText(const std::string& file, const datafile::RunSummary& run, int runCount);
  void setTitle(const QString& text);
  // Shows the series (min/max pairs); steps longer than 1.5 periods break the lines.
  void setSeries(const datafile::MinMaxSeries& series, double periodSeconds);
  // Every time axis and value axis fitted to the data.
  void fit();
  // Value axes fitted to what the current time range shows.
  void fitValuesToTime();
  // Pixel columns of one chart's plotting area at the plot's current size.
  int columns() const;

  // The six values at time t (nearest point), for the readout; empty before data.
  QString readoutAt(double t) const;
  void showCursor(std::optional<double> t);

  QCustomPlot* plot() const { return plot_; }
  std::array<QCPAxisRect*, 6> rects() const { return rects_; }

 private:
  QCustomPlot* plot_;
  QCPTextElement* title_ = nullptr;
  std::array<QCPAxisRect*, 6> rects_{};
  std::array<QCPGraph*, 6> graphs_{};
  std::array<QCPItemStraightLine*, 6> cursors_{};
  datafile::MinMaxSeries series_;
  bool syncing_ = false;  // one time axis is passing its range to the others
};

// Writes the plot to a .png, .svg or .pdf file of width × height pixels; the reason when
// the file cannot be written (.svg needs a Qt with its SVG module).
std::optional<std::string> savePlot(QCustomPlot* plot, const QString& fileName, int width, int height);

}  // namespace kelmo
