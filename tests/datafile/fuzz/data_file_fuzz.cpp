// libFuzzer target: any bytes go through the data file reader, the run summaries and the
// min/max decimation. A crash, sanitizer report or hang is a finding, and so is a reading
// that changes with the cut of the bytes into blocks.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "datafile/data_file_reader.h"
#include "datafile/min_max_decimator.h"
#include "datafile/run_summary.h"

namespace {

using namespace kelmo::datafile;

// Counts of what the reader reported, to compare two readings of the same bytes.
class Tally : public ReadSink {
 public:
  Tally() : decimator_(64) {}
  void runStarted(const RunStart& s) override {
    summary_.runStarted(s);
    hash_ = hash_ * 31 + s.lineNumber;
  }
  void record(const DataRecord& r) override {
    summary_.record(r);
    decimator_.add(r.data);
    hash_ = hash_ * 31 + r.lineNumber + r.data.missingMask;
  }
  void malformed(const MalformedLine& m) override {
    summary_.malformed(m);
    hash_ = hash_ * 31 + m.lineNumber + m.text.size();
  }
  std::uint64_t finish() {
    const auto& runs = summary_.finish();
    const MinMaxSeries s = decimator_.result();
    (void)rebin(s, s.size() ? s.time.front() : 0, s.size() ? s.time.back() + 1 : 1, 7);
    return hash_ * 31 + runs.size();
  }

 private:
  RunSummarizer summary_;
  MinMaxDecimator decimator_;
  std::uint64_t hash_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  Tally whole;
  DataFileParser one(whole);
  one.feed(text);
  one.finish();

  Tally cut;
  DataFileParser blocks(cut);
  const std::size_t step = size ? 1 + data[0] % 17 : 1;
  for (std::size_t i = 0; i < size; i += step) blocks.feed(text.substr(i, step));
  blocks.finish();

  if (whole.finish() != cut.finish()) std::abort();
  return 0;
}
