#include "datafile/data_file_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <unistd.h>

#include "written_lines.h"

namespace kelmo::datafile {
namespace {

using testing::at;
using testing::WrittenFile;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Every call of the reader as one text line, for comparing whole passes.
class Transcript : public ReadSink {
 public:
  void runStarted(const RunStart& s) override {
    out << "run " << s.index << " at line " << s.lineNumber << (std::isnan(s.headerTime) ? " (no time)" : "") << "\n";
  }
  void record(const DataRecord& r) override {
    out << "  " << r.run << ":" << r.lineNumber << " " << r.data.time << " m" << int(r.data.missingMask);
    for (double v : r.data.values) out << " " << v;
    out << "\n";
  }
  void malformed(const MalformedLine& m) override {
    out << "  malformed " << m.run << ":" << m.lineNumber << " " << m.reason << " [" << m.text << "]\n";
  }
  std::ostringstream out;
};

std::string transcript(std::string_view text, std::size_t block = 0) {
  Transcript t;
  DataFileParser parser(t);
  if (block == 0) {
    parser.feed(text);
  } else {
    for (std::size_t i = 0; i < text.size(); i += block) parser.feed(text.substr(i, block));
  }
  parser.finish();
  return t.out.str();
}

// Two runs, the first under a Russian locale (',' decimals) and cut by a power loss, the
// second with '.' decimals; special values, a gap, garbage and a line before any header.
std::string fixture() {
  WrittenFile f({',', ':'});
  f.raw("stray line\r\n");
  f.header(at(10, 0, 0, 0));
  f.line(at(10, 0, 0, 100), {1.5, 2, 3, 4, 5, 6});
  f.line(at(10, 0, 0, 300), {-1.25, kInf, -kInf, kNaN, 5, 6});
  f.raw("09:01:500 46366,4166840278 1,000 2,0");  // cut off; the next header follows it
  f.use({'.', ':'});
  f.header(at(11, 0, 0, 0));
  f.line(at(11, 0, 0, 0), {1, 2, 3, 4, 5, 6});
  f.raw("00:00:200 46366.4583356481 ?????? 2.000 ?????? 4.000 5.000 6.000 \r\n");
  f.raw("garbage \xff\xfe\r\n");
  f.line(at(11, 0, 3, 0), {7, 8, 9, 10, 11, 12});  // after a 2.8 s gap
  f.raw("00:03:200 46366.45837");                    // truncated last line of the file
  return f.text;
}

TEST(DataFileReader, SplitsRunsAndReadsValuesOfEitherSeparator) {
  struct Collect : ReadSink {
    std::vector<RunStart> runs;
    std::vector<DataRecord> records;
    std::vector<std::pair<std::uint64_t, std::string>> bad;
    void runStarted(const RunStart& s) override { runs.push_back(s); }
    void record(const DataRecord& r) override { records.push_back(r); }
    void malformed(const MalformedLine& m) override { bad.emplace_back(m.lineNumber, std::string(m.reason)); }
  } c;
  DataFileParser parser(c);
  parser.feed(fixture());
  parser.finish();

  ASSERT_EQ(c.runs.size(), 2u);
  EXPECT_EQ(c.runs[0].lineNumber, 2u);
  EXPECT_NEAR(c.runs[0].headerTime, at(10, 0, 0, 0), 1e-9);
  EXPECT_EQ(c.runs[1].lineNumber, 5u);  // on the line of the cut-off text
  EXPECT_NEAR(c.runs[1].headerTime, at(11, 0, 0, 0), 1e-9);

  ASSERT_EQ(c.records.size(), 5u);
  EXPECT_EQ(c.records[0].run, 1);
  EXPECT_EQ(c.records[0].lineNumber, 3u);
  EXPECT_NEAR(c.records[0].data.time, at(10, 0, 0, 100), 1e-9);
  EXPECT_EQ(c.records[0].data.values[0], 1.5);
  EXPECT_EQ(c.records[1].data.values[0], -1.25);
  EXPECT_EQ(c.records[1].data.values[1], kInf);
  EXPECT_EQ(c.records[1].data.values[2], -kInf);
  EXPECT_TRUE(std::isnan(c.records[1].data.values[3]));
  EXPECT_EQ(c.records[2].run, 2);
  EXPECT_EQ(c.records[3].data.missingMask, 0b101);
  EXPECT_EQ(c.records[3].data.values[1], 2.0);
  EXPECT_EQ(c.records[4].lineNumber, 9u);
  EXPECT_EQ(c.records[4].data.values[5], 12.0);

  const std::vector<std::pair<std::uint64_t, std::string>> expected = {
      {1, "line before the first run header"},
      {5, "cut off before a run header"},
      {8, "time field is not \"nn:ss:zzz\""},
      {10, "cut off after the date-time number"},
  };
  EXPECT_EQ(c.bad, expected);
  EXPECT_EQ(parser.lines(), 10u);
}

TEST(DataFileReader, AnyCutIntoBlocksReadsTheSame) {
  const std::string text = fixture();
  const std::string whole = transcript(text);
  for (std::size_t block = 1; block <= text.size(); ++block) ASSERT_EQ(transcript(text, block), whole) << block;
}

TEST(DataFileReader, LinesEndingInLfAloneAndEmptyLines) {
  WrittenFile f;
  f.header(at(10, 0, 0, 0)).line(at(10, 0, 0, 200), {1, 2, 3, 4, 5, 6});
  std::string text = f.text;
  std::string lfOnly;
  for (char ch : text)
    if (ch != '\r') lfOnly += ch;
  lfOnly += "\n";
  EXPECT_EQ(transcript(lfOnly), transcript(text) + "  malformed 1:3 line too short []\n");
}

TEST(DataFileReader, AHeaderWithoutATimeStillStartsARun) {
  const std::string text = std::string(headerMarkerCp1251()) + "soon\r\n" +
                           "00:00:200 46366.4583356481 1 2 3 4 5 6 \r\n";
  EXPECT_EQ(transcript(text),
            "run 1 at line 1 (no time)\n"
            "  malformed 1:1 header date-time is not \"yyyy:mm:dd hh:mm:ss\" [" +
                std::string(headerMarkerCp1251()) + "soon]\n"
            "  1:2 46366.5 m0 1 2 3 4 5 6\n");
}

TEST(DataFileReader, ReadsAFileAndNamesOneItCannotOpen) {
  const auto folder = std::filesystem::temp_directory_path() / ("kelmo_reader_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const auto path = folder / "test.dat";
  std::ofstream(path, std::ios::binary) << fixture();
  Transcript t;
  EXPECT_EQ(readDataFile(path.string(), t), std::nullopt);
  EXPECT_EQ(t.out.str(), transcript(fixture()));

  Transcript none;
  const auto error = readDataFile((folder / "missing.dat").string(), none);
  ASSERT_TRUE(error.has_value());
  EXPECT_NE(error->find("missing.dat"), std::string::npos) << *error;
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace kelmo::datafile
