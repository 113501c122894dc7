#include "datafile/min_max_decimator.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kelmo::datafile {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// NaN stands for "nothing yet", so a plain comparison would never replace it.
void widen(double& low, double& high, double lowValue, double highValue) {
  if (std::isnan(lowValue)) return;
  if (std::isnan(low) || lowValue < low) low = lowValue;
  if (std::isnan(high) || highValue > high) high = highValue;
}

double finiteOrNaN(double v) { return std::isfinite(v) ? v : kNaN; }

}  // namespace

MinMaxDecimator::MinMaxDecimator(std::size_t capacity) : capacity_(std::max<std::size_t>(capacity, 4) & ~std::size_t{1}) {}

void MinMaxDecimator::add(const DataValues& d) {
  ++points_;
  if (!bucketed_) {
    raw_.push_back(d);
    if (raw_.size() > capacity_) toBuckets();
    return;
  }
  double offset = (d.time - origin_) / width_;
  if (!(offset >= 0)) offset = 0;  // the clock went back: the first bucket takes it
  while (offset >= static_cast<double>(capacity_)) {
    mergePairs();
    offset = (d.time - origin_) / width_;
  }
  addToBucket(static_cast<std::size_t>(offset), d);
}

void MinMaxDecimator::toBuckets() {
  bucketed_ = true;
  double first = raw_.front().time, last = first;
  for (const DataValues& d : raw_) {
    first = std::min(first, d.time);
    last = std::max(last, d.time);
  }
  origin_ = first;
  // Half the buckets for what is there, so that the run can grow before the first merge.
  width_ = std::max((last - first) / static_cast<double>(capacity_ / 2), 1e-12);
  used_.assign(capacity_, 0);
  for (auto& v : low_) v.assign(capacity_, kNaN);
  for (auto& v : high_) v.assign(capacity_, kNaN);
  std::vector<DataValues> held;
  held.swap(raw_);
  for (const DataValues& d : held) {
    const double offset = (d.time - origin_) / width_;
    addToBucket(std::min(static_cast<std::size_t>(offset), capacity_ - 1), d);
  }
}

void MinMaxDecimator::mergePairs() {
  const std::size_t half = capacity_ / 2;
  for (std::size_t i = 0; i < half; ++i) {
    used_[i] = used_[2 * i] | used_[2 * i + 1];
    for (int k = 0; k < kQuantityCount; ++k) {
      auto& lo = low_[static_cast<std::size_t>(k)];
      auto& hi = high_[static_cast<std::size_t>(k)];
      double l = lo[2 * i], h = hi[2 * i];
      widen(l, h, lo[2 * i + 1], hi[2 * i + 1]);
      lo[i] = l;
      hi[i] = h;
    }
  }
  std::fill(used_.begin() + static_cast<std::ptrdiff_t>(half), used_.end(), 0);
  for (auto& v : low_) std::fill(v.begin() + static_cast<std::ptrdiff_t>(half), v.end(), kNaN);
  for (auto& v : high_) std::fill(v.begin() + static_cast<std::ptrdiff_t>(half), v.end(), kNaN);
  width_ *= 2;
}

void MinMaxDecimator::addToBucket(std::size_t i, const DataValues& d) {
  used_[i] = 1;
  for (int k = 0; k < kQuantityCount; ++k) {
    const double v = finiteOrNaN(d.values[static_cast<std::size_t>(k)]);
    widen(low_[static_cast<std::size_t>(k)][i], high_[static_cast<std::size_t>(k)][i], v, v);
  }
}

MinMaxSeries MinMaxDecimator::result() const {
  MinMaxSeries s;
  if (!bucketed_) {
    for (const DataValues& d : raw_) {
      s.time.push_back(d.time);
      for (int k = 0; k < kQuantityCount; ++k) {
        const double v = finiteOrNaN(d.values[static_cast<std::size_t>(k)]);
        s.low[static_cast<std::size_t>(k)].push_back(v);
        s.high[static_cast<std::size_t>(k)].push_back(v);
      }
    }
    return s;
  }
  for (std::size_t i = 0; i < capacity_; ++i) {
    if (!used_[i]) continue;
    s.time.push_back(origin_ + (static_cast<double>(i) + 0.5) * width_);
    for (int k = 0; k < kQuantityCount; ++k) {
      s.low[static_cast<std::size_t>(k)].push_back(low_[static_cast<std::size_t>(k)][i]);
      s.high[static_cast<std::size_t>(k)].push_back(high_[static_cast<std::size_t>(k)][i]);
    }
  }
  return s;
}

MinMaxSeries rebin(const MinMaxSeries& s, double from, double to, std::size_t columns) {
  MinMaxSeries out;
  if (columns == 0 || !(to > from)) return out;
  const double width = (to - from) / static_cast<double>(columns);
  std::size_t current = columns;  // none yet
  for (std::size_t i = 0; i < s.size(); ++i) {
    const double offset = (s.time[i] - from) / width;
    if (!(offset >= 0) || offset >= static_cast<double>(columns)) continue;
    const auto column = static_cast<std::size_t>(offset);
    if (column != current) {
      current = column;
      out.time.push_back(from + (static_cast<double>(column) + 0.5) * width);
      for (int k = 0; k < kQuantityCount; ++k) {
        out.low[static_cast<std::size_t>(k)].push_back(kNaN);
        out.high[static_cast<std::size_t>(k)].push_back(kNaN);
      }
    }
    for (int k = 0; k < kQuantityCount; ++k) {
      const auto q = static_cast<std::size_t>(k);
      widen(out.low[q].back(), out.high[q].back(), s.low[q][i], s.high[q][i]);
    }
  }
  return out;
}

}  // namespace kelmo::datafile
