#pragma once
// A run of any length reduced to at most `capacity` time buckets, each holding the least
// and the greatest finite value of every quantity in it, so that a chart of the buckets
// still shows every spike. Short runs keep their points as they are. Buckets double in
// width as the run grows, so one pass needs no idea of the run's length beforehand.
#include <array>
#include <cstddef>
#include <vector>

#include "datafile/data_line.h"

namespace kelmo::datafile {

struct MinMaxSeries {
  std::vector<double> time;  // bucket centres (or the points' own times), ascending
  std::array<std::vector<double>, kQuantityCount> low, high;  // NaN: nothing finite there
  std::size_t size() const { return time.size(); }
};

class MinMaxDecimator {
 public:
  explicit MinMaxDecimator(std::size_t capacity);
  void add(const DataValues& d);
  MinMaxSeries result() const;
  std::size_t points() const { return points_; }

 private:
  void toBuckets();
  void mergePairs();
  void addToBucket(std::size_t i, const DataValues& d);

  std::size_t capacity_;
  std::size_t points_ = 0;
  std::vector<DataValues> raw_;  // until there are more points than buckets
  bool bucketed_ = false;
  double origin_ = 0, width_ = 0;
  std::vector<std::uint8_t> used_;
  std::array<std::vector<double>, kQuantityCount> low_, high_;
};

// The series again, in `columns` equal slices of [from, to): one column per pixel.
MinMaxSeries rebin(const MinMaxSeries& s, double from, double to, std::size_t columns);

}  // namespace kelmo::datafile
