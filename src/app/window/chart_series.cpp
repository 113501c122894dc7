#include "app/window/chart_series.h"

#include <algorithm>
#include <cmath>

namespace kelmo {

void ChartSeries::add(double time, double value, double windowDays, std::int32_t maxPoints) {
  if (points_.empty() || time >= points_.back().time) {
    points_.push_back({time, value});
    ++appended_;
    rank(dropped_ + points_.size() - 1, value);
  } else {
    const auto after = std::upper_bound(points_.begin(), points_.end(), time,
                                        [](double t, const ChartPoint& p) { return t < p.time; });
    points_.insert(after, {time, value});
    ++insertedBefore_;
    rankAgain();
  }
  while (!points_.empty()) {
    const bool tooOld = time - points_.front().time > windowDays;
    const bool tooMany = points_.size() > static_cast<std::size_t>(std::max<std::int32_t>(maxPoints, 0));
    if (!tooOld && !tooMany) break;
    points_.pop_front();
    if (!lows_.empty() && lows_.front().place == dropped_) lows_.pop_front();
    if (!highs_.empty() && highs_.front().place == dropped_) highs_.pop_front();
    ++dropped_;
  }
}

std::optional<std::pair<double, double>> ChartSeries::finiteRange() const {
  if (lows_.empty()) return std::nullopt;
  return std::pair{lows_.front().value, highs_.front().value};
}

void ChartSeries::rank(std::uint64_t place, double value) {
  if (!std::isfinite(value)) return;
  while (!lows_.empty() && lows_.back().value >= value) lows_.pop_back();
  lows_.push_back({place, value});
  while (!highs_.empty() && highs_.back().value <= value) highs_.pop_back();
  highs_.push_back({place, value});
}

// A point went in among the others: every place after it moved.
void ChartSeries::rankAgain() {
  lows_.clear();
  highs_.clear();
  for (std::size_t i = 0; i < points_.size(); ++i) rank(dropped_ + i, points_[i].value);
}

}  // namespace kelmo
