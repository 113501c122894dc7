// Reads and summarises a data file on one thread, three times, and prints the best pass:
// lines per second and MB per second.
// Usage: bench_datafile_read FILE
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "datafile/data_file_reader.h"
#include "datafile/run_summary.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_datafile_read FILE\n");
    return 2;
  }
  using namespace kelmo::datafile;
  double best = 1e300;
  std::uint64_t lines = 0, malformed = 0;
  std::size_t runs = 0;
  for (int pass = 0; pass < 3; ++pass) {
    const auto t0 = std::chrono::steady_clock::now();
    RunSummarizer summary;
    if (const auto error = readDataFile(argv[1], summary)) {
      std::fprintf(stderr, "%s\n", error->c_str());
      return 2;
    }
    const auto& result = summary.finish();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (seconds < best) best = seconds;
    lines = 0;
    for (const RunSummary& r : result) lines += r.lines;
    malformed = summary.malformedTotal();
    runs = result.size();
  }
  const double megabytes = static_cast<double>(std::filesystem::file_size(argv[1])) / 1e6;
  std::printf("kelmo reader: %zu run(s), %llu lines, %llu malformed, best of 3: %.3f s, %.2f M lines/s, %.0f MB/s\n",
              runs, static_cast<unsigned long long>(lines), static_cast<unsigned long long>(malformed), best,
              static_cast<double>(lines) / best / 1e6, megabytes / best);
  return 0;
}
