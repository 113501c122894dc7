#pragma once
// Data file text made the way the measurement thread makes it: its own header and line
// formatting, under the regional separators given.
#include <array>
#include <string>

#include "measure/data_recorder.h"
#include "platform/date_time.h"
#include "platform/text_format.h"

namespace kelmo::testing {

struct Regional {
  char decimal = '.';
  char time = ':';
};

class WrittenFile {
 public:
  explicit WrittenFile(Regional r = {}) { use(r); }
  void use(Regional r) {
    setDecimalSeparator(r.decimal);
    setTimeSeparator(r.time);
  }
  WrittenFile& header(TDateTime t) {
    text += headerLine(t);
    ++lines;
    return *this;
  }
  WrittenFile& line(TDateTime t, const std::array<double, 6>& values) {
    text += dataLine(t, values);
    ++lines;
    return *this;
  }
  WrittenFile& raw(const std::string& bytes) {
    text += bytes;
    return *this;
  }
  ~WrittenFile() { use({}); }

  std::string text;
  int lines = 0;  // lines written through header() and line()
};

inline TDateTime at(int hour, int minute, int second, int ms) {
  return encodeDateTime({2026, 12, 10, hour, minute, second, ms});
}

}  // namespace kelmo::testing
