#include "datafile/run_summary.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace kelmo::datafile {

namespace {

constexpr double kSecondsPerDay = 86400.0;
constexpr double kGapFactor = 1.5;
// Past this many candidates the list is cut down with the median of the steps so far.
constexpr std::size_t kCandidateLimit = 1 << 16;

std::int64_t stepUnits(TDateTime from, TDateTime to) {
  return std::llround((to - from) * kSecondsPerDay / kStepUnitSeconds);
}

std::int64_t medianStep(const std::unordered_map<std::int64_t, std::uint64_t>& steps) {
  std::map<std::int64_t, std::uint64_t> sorted(steps.begin(), steps.end());
  std::uint64_t total = 0;
  for (const auto& [step, count] : sorted) total += count;
  if (total == 0) return 0;
  std::uint64_t seen = 0;
  for (const auto& [step, count] : sorted) {
    seen += count;
    if (seen * 2 >= total) return step;
  }
  return sorted.rbegin()->first;
}

}  // namespace

double QuantityStats::mean() const {
  return finite ? sum / static_cast<double>(finite) : std::numeric_limits<double>::quiet_NaN();
}

double Gap::seconds() const { return (to - from) * kSecondsPerDay; }

double RunSummary::durationSeconds() const { return lines ? (last - first) * kSecondsPerDay : 0.0; }

void RunSummarizer::runStarted(const RunStart& start) {
  closeRun();
  runs_.emplace_back();
  runs_.back().start = start;
  open_ = true;
}

void RunSummarizer::record(const DataRecord& r) {
  RunSummary& run = runs_.back();
  const DataValues& d = r.data;
  if (run.lines > 0) {
    const std::int64_t step = stepUnits(run.last, d.time);
    if (step == lastStep_) {
      ++lastStepCount_;
    } else {
      if (lastStepCount_) steps_[lastStep_] += lastStepCount_;
      lastStep_ = step;
      lastStepCount_ = 1;
    }
    if (step < 0) ++run.backwardSteps;
    if (step > 0 && (smallestStep_ == 0 || step < smallestStep_)) smallestStep_ = step;
    // A gap is judged against the median, known only at the end; until then keep every
    // step that is long beside the shortest one.
    if (step > 0 && static_cast<double>(step) > kGapFactor * static_cast<double>(smallestStep_)) {
      candidates_.push_back({r.lineNumber, run.last, d.time, step});
      if (candidates_.size() > kCandidateLimit) {
        if (lastStepCount_) steps_[lastStep_] += lastStepCount_;
        lastStepCount_ = 0;
        const double limit = kGapFactor * static_cast<double>(medianStep(steps_));
        std::erase_if(candidates_, [&](const GapCandidate& c) { return static_cast<double>(c.step) <= limit; });
        smallestStep_ = std::max<std::int64_t>(smallestStep_, medianStep(steps_));
      }
    }
  } else {
    run.first = d.time;
  }
  run.last = d.time;
  ++run.lines;
  for (int k = 0; k < kQuantityCount; ++k) {
    QuantityStats& s = run.stats[static_cast<std::size_t>(k)];
    const double v = d.values[static_cast<std::size_t>(k)];
    s.last = v;
    s.lastMissing = d.missing(k);
    if (d.missing(k)) {
      ++s.missing;
    } else if (!std::isfinite(v)) {
      ++s.nonFinite;
    } else {
      if (s.finite == 0 || v < s.min) s.min = v;
      if (s.finite == 0 || v > s.max) s.max = v;
      s.sum += v;
      ++s.finite;
    }
  }
}

void RunSummarizer::malformed(const MalformedLine& m) {
  ++malformedTotal_;
  if (m.run == 0 || runs_.empty()) {
    ++malformedBefore_;
  } else {
    ++runs_.back().malformed;
  }
}

void RunSummarizer::closeRun() {
  if (!open_) return;
  open_ = false;
  RunSummary& run = runs_.back();
  if (lastStepCount_) steps_[lastStep_] += lastStepCount_;
  const std::int64_t median = medianStep(steps_);
  run.periodSeconds = static_cast<double>(median) * kStepUnitSeconds;
  if (median > 0) {
    for (const GapCandidate& c : candidates_) {
      if (static_cast<double>(c.step) > kGapFactor * static_cast<double>(median))
        run.gaps.push_back({c.lineNumber, c.from, c.to});
    }
  }
  steps_.clear();
  lastStep_ = 0;
  lastStepCount_ = 0;
  smallestStep_ = 0;
  candidates_.clear();
}

const std::vector<RunSummary>& RunSummarizer::finish() {
  closeRun();
  return runs_;
}

}  // namespace kelmo::datafile
