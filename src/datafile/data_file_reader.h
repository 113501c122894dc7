#pragma once
// Streams a data file line by line, in blocks, so that a file of any size is read in
// constant memory, and tells a sink what it finds: the start of each run (its header
// line), each data line of a run, and each line that does not read (with its number and
// why). Lines are counted from 1; a line ends at LF, with or without CR before it.
//
//   RunSummarizer summary;             // or any ReadSink
//   DataFileParser parser(summary);
//   parser.feed(block); ... parser.finish();
//   // or: readDataFile("test.dat", summary)
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "datafile/data_line.h"

namespace kelmo::datafile {

struct RunStart {
  int index = 0;                 // 1-based
  std::uint64_t lineNumber = 0;  // of the header line
  TDateTime headerTime = 0;      // NaN when the header's date-time does not read
};

struct DataRecord {
  int run = 0;  // 1-based index of the run the line belongs to
  std::uint64_t lineNumber = 0;
  DataValues data;
};

struct MalformedLine {
  int run = 0;  // 0: before the first header
  std::uint64_t lineNumber = 0;
  std::string_view reason;
  std::string_view text;  // the line's bytes, valid during the call only
};

class ReadSink {
 public:
  virtual ~ReadSink() = default;
  virtual void runStarted(const RunStart&) {}
  virtual void record(const DataRecord&) {}
  virtual void malformed(const MalformedLine&) {}
};

class DataFileParser {
 public:
  explicit DataFileParser(ReadSink& sink) : sink_(sink) {}
  // Any cut of the text into blocks gives the same calls to the sink.
  void feed(std::string_view block);
  // The text after the last line end is a last line of its own.
  void finish();

  int runs() const { return run_; }
  std::uint64_t lines() const { return lineNumber_; }

 private:
  void line(std::string_view text);
  void header(std::string_view text, std::size_t markerLength);
  void report(std::string_view reason, std::string_view text);

  ReadSink& sink_;
  std::string carry_;  // a line that continues in the next block
  std::uint64_t lineNumber_ = 0;
  int run_ = 0;
  DataRecord record_;
};

// Reads the whole file into the sink; the reason when the file cannot be opened or read.
std::optional<std::string> readDataFile(const std::string& path, ReadSink& sink);

// Several sinks fed by one pass.
class SinkPair : public ReadSink {
 public:
  SinkPair(ReadSink& a, ReadSink& b) : a_(a), b_(b) {}
  void runStarted(const RunStart& r) override { a_.runStarted(r); b_.runStarted(r); }
  void record(const DataRecord& r) override { a_.record(r); b_.record(r); }
  void malformed(const MalformedLine& m) override { a_.malformed(m); b_.malformed(m); }

 private:
  ReadSink& a_;
  ReadSink& b_;
};

}  // namespace kelmo::datafile
