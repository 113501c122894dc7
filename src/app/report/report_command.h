#pragma once
// kelmo report FILE [--run N] [--stats] [--csv OUT] [--plot OUT]: what a data file holds,
// for the operator and for other tools. Exit codes below; malformed lines are listed on
// standard error while the outputs are still written.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "datafile/min_max_decimator.h"
#include "datafile/run_summary.h"

namespace kelmo {

inline constexpr int kReportDone = 0;
inline constexpr int kReportMalformedLines = 1;
inline constexpr int kReportUsageOrFile = 2;

// Buckets kept per run for a plot: two per pixel column of the widest picture drawn.
inline constexpr std::size_t kPlotBuckets = 8192;

struct PlotRequest {
  std::string dataFile;  // as given on the command line
  std::string output;    // .png, .svg or .pdf
  const datafile::RunSummary* run = nullptr;
  const datafile::MinMaxSeries* series = nullptr;
  int runCount = 0;  // runs in the file
};
// Draws the plot; the reason when it cannot be written.
using PlotWriter = std::function<std::optional<std::string>(const PlotRequest&)>;

// The windowed build installs its chart drawing; without one --plot says it is missing.
void installPlotWriter(PlotWriter writer);

// args: what follows "report" on the command line.
int reportCommand(const std::vector<std::string>& args);

}  // namespace kelmo
