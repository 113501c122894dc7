#pragma once
// The two axes of a live chart, as numbers: what range each shows, where its ticks fall, and
// how the value range follows the points in whole ticks. Pixels enter only as the time
// axis's columns: a time belongs to one column of an endless strip of them, whatever part of
// the strip the chart shows, so a picture drawn earlier and moved by whole columns matches
// one drawn now.
#include <cstdint>
#include <vector>

#include "app/window/chart_series.h"

namespace kelmo {

class ChartTicker;

struct ValueAxis {
  double lower = 0;
  double upper = 5;
  double step = 1;
  int subTicks = 4;

  // The range for the finite values of `series` in whole ticks of the step the chart
  // library would choose for them. `current` stays while the values still reach into the
  // outermost tick intervals of it at both ends, so that a slowly drifting signal moves the
  // range only when it crosses a tick. Without a finite value `current` stays too.
  static ValueAxis fitted(const ChartSeries& series, const ValueAxis& current, ChartTicker& ticker);

  std::vector<double> ticks() const;
  std::vector<double> subTickValues() const;
  bool operator==(const ValueAxis&) const = default;
};

struct TimeAxis {
  double windowDays = 5;  // the library's default range, shown before the first point
  double daysPerColumn = 5;
  std::int64_t firstColumn = 0;  // the strip's column shown at the left edge
  int columns = 1;               // columns shown
  double step = 1;
  int subTicks = 4;

  // An axis `windowDays` wide over `columns` columns, its ticks as the ticker places them.
  static TimeAxis over(double windowDays, int columns, ChartTicker& ticker);

  // The strip's column of a time: the same for every picture of the same window and width.
  std::int64_t columnOf(double time) const;
  // The first column that shows the points: the newest in the last column, or the oldest in
  // the first while the points do not fill the window.
  std::int64_t firstColumnFor(const ChartSeries& series) const;

  double lower() const { return static_cast<double>(firstColumn) * daysPerColumn; }
  double upper() const { return static_cast<double>(firstColumn + columns) * daysPerColumn; }
  // Ticks inside the shown range, and the subticks between them and its ends.
  std::vector<double> ticks() const;
  std::vector<double> subTickValues() const;
  // Columns in [first, last) of ticks and of subticks: where grid lines and tick marks go.
  std::vector<std::int64_t> tickColumns(std::int64_t first, std::int64_t last) const;
  std::vector<std::int64_t> subTickColumns(std::int64_t first, std::int64_t last) const;
};

}  // namespace kelmo
