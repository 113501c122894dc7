#pragma once
// The texts of kelmo report: the table of runs, a run's gaps and its per-quantity table.
#include <string>
#include <vector>

#include "datafile/run_summary.h"

namespace kelmo {

// "1:02:03.456" style durations; "200 ms" or "1.5 s" periods.
std::string durationText(double seconds);
std::string periodText(double seconds);

// Index, start, duration, lines, period, gaps, malformed lines; one row per run given.
std::string runTable(const std::vector<const datafile::RunSummary*>& runs);
// Where each gap of the run is and how long it lasts; empty without gaps.
std::string gapList(const datafile::RunSummary& run);
// Minimum, maximum, mean, last, and the counts of missing and non-finite values.
std::string statsTable(const datafile::RunSummary& run);

}  // namespace kelmo
