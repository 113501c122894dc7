#pragma once
// The points of one chart frame: times (date-times, days) in ascending order with their
// values, and the rules by which old points leave. What the chart draws and what tests
// read; it knows nothing of pixels.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <utility>

namespace kelmo {

struct ChartPoint {
  double time = 0;
  double value = 0;
};

class ChartSeries {
 public:
  // Adds a point after every point of the same or an earlier time, then drops the oldest
  // points while the newest is more than `windowDays` later than the first (strictly) or
  // while more than `maxPoints` remain.
  void add(double time, double value, double windowDays, std::int32_t maxPoints);

  std::size_t size() const { return points_.size(); }
  bool empty() const { return points_.empty(); }
  const ChartPoint& at(std::size_t i) const { return points_[i]; }
  const ChartPoint& front() const { return points_.front(); }
  const ChartPoint& back() const { return points_.back(); }
  auto begin() const { return points_.begin(); }
  auto end() const { return points_.end(); }

  // Points added at the end since the series was made: a reader that remembers this count
  // finds the points that came since (the newest `appended() - remembered` ones, as far as
  // they are still kept).
  std::uint64_t appended() const { return appended_; }
  // Points added so far that went before the newest point (a clock set back): a reader that
  // saw another count cannot tell new points by position.
  std::uint64_t insertedBefore() const { return insertedBefore_; }

  // The least and the greatest finite value, if any; kept as points come and go rather
  // than searched for at every paint.
  std::optional<std::pair<double, double>> finiteRange() const;

 private:
  // A point's place in the order of arrival: the front's is dropped_.
  struct Ranked {
    std::uint64_t place;
    double value;
  };
  void rank(std::uint64_t place, double value);
  void rankAgain();

  std::deque<ChartPoint> points_;
  std::uint64_t appended_ = 0;
  std::uint64_t insertedBefore_ = 0;
  std::uint64_t dropped_ = 0;
  // Candidates for the least (greatest) value, oldest first, each less (greater) than every
  // candidate before it: the front is the least (greatest) of all.
  std::deque<Ranked> lows_;
  std::deque<Ranked> highs_;
};

}  // namespace kelmo
