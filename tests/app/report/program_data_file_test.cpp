// The data file of the real program read back: two headless runs of the simulated module
// in a private folder, every line read and written again with the program's formatting.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "datafile/data_file_reader.h"
#include "datafile/run_summary.h"
#include "measure/data_recorder.h"
#include "process.h"

namespace kelmo::testing {
namespace {

// Each data line's bytes beside what the reader made of it.
class LineCheck : public datafile::ReadSink {
 public:
  explicit LineCheck(std::vector<std::string> lines) : lines_(std::move(lines)) {}
  void record(const datafile::DataRecord& r) override {
    ++records;
    ASSERT_EQ(r.data.missingMask, 0) << r.lineNumber;
    EXPECT_EQ(dataLine(r.data.time, r.data.values), lines_[r.lineNumber - 1]) << "line " << r.lineNumber;
  }
  void malformed(const datafile::MalformedLine& m) override {
    ADD_FAILURE() << "line " << m.lineNumber << ": " << m.reason << ": " << m.text;
  }
  int records = 0;

 private:
  std::vector<std::string> lines_;
};

std::vector<std::string> linesWithEnds(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t from = 0, at; from < text.size(); from = at + 1) {
    at = text.find('\n', from);
    if (at == std::string::npos) at = text.size() - 1;
    lines.push_back(text.substr(from, at - from + 1));
  }
  return lines;
}

TEST(ProgramDataFile, TwoHeadlessRunsReadBackWithTheValuesTheyWrote) {
  ScratchFolder folder("kelmo_program_data");
  std::ofstream(folder.path() / "kelmo.ini") << "begin\nend.\n";  // the defaults stand
  for (int run = 0; run < 2; ++run) {
    const Outcome o = folder.run("--headless --duration 3");
    ASSERT_EQ(o.exitCode, 0) << o.out << o.err;
  }
  const fs::path file = folder.path() / "test.dat";
  const std::string text = fileText(file);
  ASSERT_FALSE(text.empty());

  datafile::RunSummarizer summary;
  LineCheck check(linesWithEnds(text));
  datafile::SinkPair both(summary, check);
  ASSERT_EQ(datafile::readDataFile(file.string(), both), std::nullopt);
  const auto& runs = summary.finish();
  ASSERT_EQ(runs.size(), 2u);
  int lines = 0;
  for (const datafile::RunSummary& run : runs) {
    EXPECT_GE(run.lines, 10u);  // 3 s at the default 200 ms period
    EXPECT_EQ(run.malformed, 0u);
    EXPECT_GT(run.periodSeconds, 0.19);
    EXPECT_LT(run.periodSeconds, 0.4);
    EXPECT_GE(run.durationSeconds(), 2.0);
    lines += static_cast<int>(run.lines);
  }
  EXPECT_EQ(check.records, lines);
  EXPECT_GT(runs[1].first, runs[0].last);

  // And through kelmo report: the same runs, nothing malformed.
  const Outcome report = folder.run("report test.dat --stats");
  EXPECT_EQ(report.exitCode, 0) << report.err;
  EXPECT_NE(report.out.find("test.dat: 2 runs, 0 malformed lines"), std::string::npos) << report.out;
}

}  // namespace
}  // namespace kelmo::testing
