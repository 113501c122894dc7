// Writes a data file as the measurement thread writes it: a header, then one line per
// 10 ms period for the given number of lines (8.6 M is a day), with the line formatting
// of the program under a Russian locale (',' decimals). Slow waves, a spike now and then,
// a few "??????" and INF values, and one gap of a minute.
// Usage: bench_generate_data_file OUT [LINES]
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "measure/data_recorder.h"
#include "platform/date_time.h"
#include "platform/text_format.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_generate_data_file OUT [LINES]\n");
    return 2;
  }
  const long long lines = argc > 2 ? std::atoll(argv[2]) : 8'640'000;
  std::FILE* out = std::fopen(argv[1], "wb");
  if (!out) {
    std::perror(argv[1]);
    return 2;
  }
  kelmo::setDecimalSeparator(',');
  const kelmo::TDateTime start = kelmo::encodeDateTime({2026, 12, 1, 0, 0, 0, 0});
  std::string text = kelmo::headerLine(start);
  long long ms = 0;
  for (long long i = 0; i < lines; ++i) {
    ms += i == lines / 2 ? 60'000 : 10;
    const double s = static_cast<double>(ms) / 1000.0;
    std::array<double, 6> v = {10 + std::sin(s / 60), 2 * std::cos(s / 300), 5 + 0.01 * std::sin(s),
                               0.5 * std::sin(s / 7), 100 + std::sin(s / 3600) * 20, 1000 - s / 100};
    if (i % 1'000'003 == 17) v[0] = 99;  // a spike
    if (i % 777'777 == 5) v[3] = std::numeric_limits<double>::infinity();
    if (i % 999'983 == 11) v[4] = std::numeric_limits<double>::signaling_NaN();
    text += kelmo::dataLine(start + static_cast<double>(ms) / 86'400'000.0, v);
    if (text.size() > (1 << 20)) {
      std::fwrite(text.data(), 1, text.size(), out);
      text.clear();
    }
  }
  std::fwrite(text.data(), 1, text.size(), out);
  return std::fclose(out) == 0 ? 0 : 1;
}
