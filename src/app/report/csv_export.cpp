#include "app/report/csv_export.h"

#include <charconv>
#include <cmath>

namespace kelmo {

namespace {

void appendValue(std::string& line, double v, bool missing) {
  if (missing) return;
  if (std::isnan(v)) {
    line += "nan";
  } else if (std::isinf(v)) {
    line += v < 0 ? "-inf" : "inf";
  } else {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    line.append(buffer, result.ptr);
  }
}

}  // namespace

std::string isoDateTime(TDateTime t, char separator) {
  if (!std::isfinite(t)) return "";
  const CivilDateTime c = decodeDateTime(t);
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d%c%02d:%02d:%02d.%03d", c.year, c.month, c.day, separator,
                c.hour, c.minute, c.second, c.millisecond);
  return buffer;
}

CsvExport::CsvExport(std::FILE* out, int run) : out_(out), run_(run) {
  std::fputs("run,time,Ur,Ir,Uref,a,P,W\n", out_);
}

void CsvExport::record(const datafile::DataRecord& r) {
  if (run_ != 0 && r.run != run_) return;
  line_ = std::to_string(r.run);
  line_ += ',';
  line_ += isoDateTime(r.data.time);
  for (int k = 0; k < datafile::kQuantityCount; ++k) {
    line_ += ',';
    appendValue(line_, r.data.values[static_cast<std::size_t>(k)], r.data.missing(k));
  }
  line_ += '\n';
  std::fwrite(line_.data(), 1, line_.size(), out_);
}

}  // namespace kelmo
