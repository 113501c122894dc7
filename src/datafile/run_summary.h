#pragma once
// What a data file holds, run by run: start, end, lines, the period (median step between
// lines), gaps (steps longer than 1.5 periods) and per-quantity statistics.
#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "datafile/data_file_reader.h"

namespace kelmo::datafile {

struct QuantityStats {
  double min = 0, max = 0, sum = 0;  // over finite values
  double last = 0;  // value of the run's last line
  bool lastMissing = false;  // that line had "??????" here
  std::uint64_t finite = 0, nonFinite = 0, missing = 0;
  double mean() const;  // NaN without finite values
};

struct Gap {
  std::uint64_t lineNumber = 0;  // the first line after the gap
  TDateTime from = 0, to = 0;
  double seconds() const;
};

struct RunSummary {
  RunStart start;
  TDateTime first = 0, last = 0;  // instants of the first and last data line
  std::uint64_t lines = 0;        // data lines read
  std::uint64_t malformed = 0;    // lines of this run that did not read
  double periodSeconds = 0;       // median step; 0 with fewer than two lines
  std::vector<Gap> gaps;
  std::uint64_t backwardSteps = 0;  // the clock went back (a summer-time change, a reset)
  std::array<QuantityStats, kQuantityCount> stats{};

  double durationSeconds() const;
};

class RunSummarizer : public ReadSink {
 public:
  void runStarted(const RunStart& start) override;
  void record(const DataRecord& r) override;
  void malformed(const MalformedLine& m) override;

  // The runs with periods and gaps settled; call once, after the last line.
  const std::vector<RunSummary>& finish();
  std::uint64_t malformedBeforeFirstRun() const { return malformedBefore_; }
  std::uint64_t malformedTotal() const { return malformedTotal_; }

 private:
  void closeRun();

  struct GapCandidate {
    std::uint64_t lineNumber;
    TDateTime from, to;
    std::int64_t step;  // in steps of kStepUnit seconds
  };

  std::vector<RunSummary> runs_;
  std::uint64_t malformedBefore_ = 0, malformedTotal_ = 0;
  // Step histogram of the open run, for the median without keeping every step.
  std::unordered_map<std::int64_t, std::uint64_t> steps_;
  std::int64_t lastStep_ = 0;
  std::uint64_t lastStepCount_ = 0;
  std::int64_t smallestStep_ = 0;  // positive steps only; 0 before the first
  std::vector<GapCandidate> candidates_;
  bool open_ = false;
};

// Steps are counted in units of 10 µs: the date-time number carries about 9 µs.
inline constexpr double kStepUnitSeconds = 1e-5;

}  // namespace kelmo::datafile
