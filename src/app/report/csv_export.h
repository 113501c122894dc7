#pragma once
// Runs of a data file as CSV for spreadsheets and scripts: UTF-8, a header row
// "run,time,Ur,Ir,Uref,a,P,W", ISO 8601 local times with milliseconds, '.' as decimal
// separator, the shortest text that reads back as the same double, an empty field for
// "??????", and inf, -inf, nan for the non-finite values.
#include <cstdio>
#include <string>

#include "datafile/data_file_reader.h"

namespace kelmo {

// "2026-12-10T13:40:01.123" (separator 'T') or "2026-12-10 13:40:01.123".
std::string isoDateTime(TDateTime t, char separator = 'T');

class CsvExport : public datafile::ReadSink {
 public:
  // run 0: every run. The header row is written at once.
  CsvExport(std::FILE* out, int run);
  void record(const datafile::DataRecord& r) override;
  bool failed() const { return std::ferror(out_) != 0; }

 private:
  std::FILE* out_;
  int run_;
  std::string line_;
};

}  // namespace kelmo
