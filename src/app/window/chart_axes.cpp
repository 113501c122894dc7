#include "app/window/chart_axes.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

#include "app/window/chart_tickers.h"

namespace kelmo {

namespace {

// Values computed as k·step land a rounding error beside the multiple they stand for.
constexpr double kStepSlack = 1e-9;

struct Extremes {
  double low = std::numeric_limits<double>::infinity();
  double high = -std::numeric_limits<double>::infinity();
  bool found() const { return low <= high; }
};

Extremes extremesOf(const ChartSeries& series) {
  Extremes e;
  if (const auto range = series.finiteRange()) std::tie(e.low, e.high) = *range;
  // A flat line gets a range of one around it, as a range needs a size.
  if (e.found() && !(e.high - e.low > std::max(std::abs(e.low), std::abs(e.high)) * 1e-12)) {
    e.low -= 0.5;
    e.high += 0.5;
  }
  return e;
}

// The range of whole ticks of `step` around the extremes.
std::pair<double, double> inWholeTicks(const Extremes& e, double step) {
  const double lower = std::floor(e.low / step + kStepSlack) * step;
  double upper = std::ceil(e.high / step - kStepSlack) * step;
  if (upper <= lower) upper = lower + step;
  return {lower, upper};
}

// Multiples of `step` from the first at or above `lower` to the last at or below `upper`.
std::vector<double> multiplesWithin(double lower, double upper, double step) {
  std::vector<double> result;
  const double first = std::ceil(lower / step - kStepSlack);
  const double last = std::floor(upper / step + kStepSlack);
  for (double k = first; k <= last; ++k) result.push_back(k * step);
  return result;
}

// Subticks between consecutive multiples of `step` around [lower, upper], those inside it.
std::vector<double> subTicksWithin(double lower, double upper, double step, int count) {
  std::vector<double> result;
  if (count <= 0) return result;
  const double first = std::floor(lower / step);
  const double last = std::ceil(upper / step);
  for (double k = first; k < last; ++k) {
    const double from = k * step;
    const double sub = ((k + 1) * step - from) / (count + 1);
    for (int i = 1; i <= count; ++i) {
      const double v = from + i * sub;
      if (v >= lower && v <= upper) result.push_back(v);
    }
  }
  return result;
}

}  // namespace

ValueAxis ValueAxis::fitted(const ChartSeries& series, const ValueAxis& current, ChartTicker& ticker) {
  const Extremes e = extremesOf(series);
  if (!e.found()) return current;
  if (current.step > 0 && inWholeTicks(e, current.step) == std::pair{current.lower, current.upper}) return current;
  const double step = ticker.stepFor(QCPRange(e.low, e.high));
  if (!(step > 0) || !std::isfinite(step)) return current;
  const auto [lower, upper] = inWholeTicks(e, step);
  if (!std::isfinite(lower) || !std::isfinite(upper)) return current;
  return {lower, upper, step, ticker.subTicksFor(step)};
}

std::vector<double> ValueAxis::ticks() const { return multiplesWithin(lower, upper, step); }

std::vector<double> ValueAxis::subTickValues() const { return subTicksWithin(lower, upper, step, subTicks); }

TimeAxis TimeAxis::over(double windowDays, int columns, ChartTicker& ticker) {
  TimeAxis axis;
  axis.windowDays = windowDays;
  axis.columns = std::max(columns, 1);
  axis.daysPerColumn = windowDays / axis.columns;
  axis.step = ticker.stepFor(QCPRange(0, windowDays));
  axis.subTicks = ticker.subTicksFor(axis.step);
  return axis;
}

std::int64_t TimeAxis::columnOf(double time) const {
  return static_cast<std::int64_t>(std::floor(time / daysPerColumn + 0.5));
}

std::int64_t TimeAxis::firstColumnFor(const ChartSeries& series) const {
  if (series.empty()) return 0;
  return std::max(columnOf(series.front().time), columnOf(series.back().time) - (columns - 1));
}

std::vector<double> TimeAxis::ticks() const {
  std::vector<double> result;
  const double first = std::floor(lower() / step);
  const double last = std::ceil(upper() / step);
  for (double k = first; k <= last; ++k) {
    const double t = k * step;
    if (t >= lower() && t <= upper()) result.push_back(t);
  }
  return result;
}

std::vector<double> TimeAxis::subTickValues() const { return subTicksWithin(lower(), upper(), step, subTicks); }

std::vector<std::int64_t> TimeAxis::tickColumns(std::int64_t first, std::int64_t last) const {
  std::vector<std::int64_t> result;
  const double from = std::floor((static_cast<double>(first) - 1) * daysPerColumn / step);
  const double to = std::ceil((static_cast<double>(last) + 1) * daysPerColumn / step);
  for (double k = from; k <= to; ++k) {
    const std::int64_t column = columnOf(k * step);
    if (column >= first && column < last) result.push_back(column);
  }
  return result;
}

std::vector<std::int64_t> TimeAxis::subTickColumns(std::int64_t first, std::int64_t last) const {
  std::vector<std::int64_t> result;
  if (subTicks <= 0) return result;
  const double from = std::floor((static_cast<double>(first) - 1) * daysPerColumn / step);
  const double to = std::ceil((static_cast<double>(last) + 1) * daysPerColumn / step);
  for (double k = from; k < to; ++k) {
    const double start = k * step;
    const double sub = ((k + 1) * step - start) / (subTicks + 1);
    for (int i = 1; i <= subTicks; ++i) {
      const std::int64_t column = columnOf(start + i * sub);
      if (column >= first && column < last) result.push_back(column);
    }
  }
  return result;
}

}  // namespace kelmo
