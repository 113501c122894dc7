#include "app/report/report_tables.h"

#include <cmath>
#include <cstdio>

#include "app/report/csv_export.h"

namespace kelmo {

namespace {

std::string printed(const char* format, auto... args) {
  char buffer[256];
  std::snprintf(buffer, sizeof buffer, format, args...);
  return buffer;
}

std::string startText(const datafile::RunSummary& run) {
  const TDateTime t = run.lines ? run.first : run.start.headerTime;
  const std::string text = isoDateTime(t, ' ');
  return text.empty() ? "?" : text;
}

std::string valueText(double v, bool known) {
  if (!known) return "-";
  if (std::isnan(v)) return "NAN";
  if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
  return printed("%.6g", v);
}

}  // namespace

std::string durationText(double seconds) {
  const long long ms = std::llround(seconds * 1000.0);
  const long long s = ms / 1000;
  return printed("%lld:%02lld:%02lld.%03lld", s / 3600, s / 60 % 60, s % 60, ms % 1000);
}

std::string periodText(double seconds) {
  if (seconds <= 0) return "-";
  if (seconds < 1) return printed("%.4g ms", seconds * 1000.0);
  return printed("%.4g s", seconds);
}

std::string runTable(const std::vector<const datafile::RunSummary*>& runs) {
  std::string out = printed("%4s  %-23s  %14s  %10s  %10s  %6s  %9s\n", "run", "start", "duration", "lines",
                            "period", "gaps", "malformed");
  for (const datafile::RunSummary* run : runs) {
    out += printed("%4d  %-23s  %14s  %10llu  %10s  %6zu  %9llu\n", run->start.index, startText(*run).c_str(),
                   durationText(run->durationSeconds()).c_str(), static_cast<unsigned long long>(run->lines),
                   periodText(run->periodSeconds).c_str(), run->gaps.size(),
                   static_cast<unsigned long long>(run->malformed));
  }
  return out;
}

std::string gapList(const datafile::RunSummary& run) {
  std::string out = run.gaps.empty() ? "  no gaps\n" : "";
  for (const datafile::Gap& gap : run.gaps) {
    out += printed("  gap before line %llu: %s to %s, %s\n", static_cast<unsigned long long>(gap.lineNumber),
                   isoDateTime(gap.from, ' ').c_str(), isoDateTime(gap.to, ' ').c_str(),
                   durationText(gap.seconds()).c_str());
  }
  if (run.backwardSteps) {
    out += printed("  the clock went back %llu time(s)\n", static_cast<unsigned long long>(run.backwardSteps));
  }
  return out;
}

std::string statsTable(const datafile::RunSummary& run) {
  std::string out = printed("%-5s  %13s  %13s  %13s  %13s  %8s  %10s\n", "", "min", "max", "mean", "last", "missing",
                            "non-finite");
  for (int k = 0; k < datafile::kQuantityCount; ++k) {
    const datafile::QuantityStats& s = run.stats[static_cast<std::size_t>(k)];
    const bool any = s.finite > 0;
    const bool lastKnown = run.lines > 0 && !s.lastMissing;
    out += printed("%-5s  %13s  %13s  %13s  %13s  %8llu  %10llu\n", datafile::kQuantityNames[static_cast<std::size_t>(k)],
                   valueText(s.min, any).c_str(), valueText(s.max, any).c_str(), valueText(s.mean(), any).c_str(),
                   valueText(s.last, lastKnown).c_str(), static_cast<unsigned long long>(s.missing),
                   static_cast<unsigned long long>(s.nonFinite));
  }
  return out;
}

}  // namespace kelmo
