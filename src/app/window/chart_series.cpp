#include "app/window/chart_series.h"

#include <algorithm>

namespace kelmo {

void ChartSeries::add(double time, double value, double windowDays, std::int32_t maxPoints) {
  if (points_.empty() || time >= points_.back().time) {
    points_.push_back({time, value});
    ++appended_;
  } else {
    const auto after = std::upper_bound(points_.begin(), points_.end(), time,
                                        [](double t, const ChartPoint& p) { return t < p.time; });
    points_.insert(after, {time, value});
    ++insertedBefore_;
  }
  while (!points_.empty()) {
    const bool tooOld = time - points_.front().time > windowDays;
    const bool tooMany = points_.size() > static_cast<std::size_t>(std::max<std::int32_t>(maxPoints, 0));
    if (!tooOld && !tooMany) break;
    points_.pop_front();
  }
}

}  // namespace kelmo
