#include "app/report/report_command.h"

#include <charconv>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <memory>
#include <string_view>

#include "app/report/csv_export.h"
#include "app/report/report_tables.h"
#include "datafile/data_file_reader.h"
#include "platform/cp1251.h"
#include "platform/console_text.h"
#include "platform/file_path.h"

namespace kelmo {

namespace {

PlotWriter& plotWriter() {
  static PlotWriter writer;
  return writer;
}

struct ReportOptions {
  std::string file;
  int run = 0;  // 0: all; negative counts from the end
  bool runGiven = false;
  bool stats = false;
  std::optional<std::string> csv;
  std::optional<std::string> plot;
};

int usageError(const std::string& message) {
  writeConsoleText(stderr, "kelmo report: " + message + "\nTry 'kelmo --help' for more information.\n");
  return kReportUsageOrFile;
}

int fileError(const std::string& message) {
  writeConsoleLine(stderr, "kelmo report: " + message);
  return kReportUsageOrFile;
}

// FILE [--run N] [--stats] [--csv OUT] [--plot OUT], options in any order.
std::optional<std::string> parseOptions(const std::vector<std::string>& args, ReportOptions& o) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 == args.size()) return std::nullopt;
      return args[++i];
    };
    if (arg == "--run") {
      const auto text = value();
      if (!text) return "--run needs a run number (1 is the first, -1 the last)";
      int n = 0;
      const auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), n);
      if (ec != std::errc() || end != text->data() + text->size() || n == 0)
        return "--run needs a nonzero whole number, not '" + *text + "'";
      o.run = n;
      o.runGiven = true;
    } else if (arg == "--stats") {
      o.stats = true;
    } else if (arg == "--csv") {
      o.csv = value();
      if (!o.csv || o.csv->empty()) return "--csv needs a file name or - for standard output";
    } else if (arg == "--plot") {
      o.plot = value();
      if (!o.plot || o.plot->empty()) return "--plot needs a file name ending in .png, .svg or .pdf";
      const std::string ext = std::filesystem::path(*o.plot).extension().string();
      if (ext != ".png" && ext != ".svg" && ext != ".pdf")
        return "--plot writes .png, .svg or .pdf files, not '" + *o.plot + "'";
    } else if (arg.rfind("-", 0) == 0 && arg != "-") {
      return "unknown option '" + arg + "'";
    } else if (o.file.empty()) {
      o.file = arg;
    } else {
      return "one data file only, not also '" + arg + "'";
    }
  }
  if (o.file.empty()) return "report needs a data file";
  return std::nullopt;
}

// Malformed lines as they come, on standard error: "FILE:LINE: reason: text".
class MalformedLister : public datafile::ReadSink {
 public:
  explicit MalformedLister(const std::string& file) : file_(file) {}
  void malformed(const datafile::MalformedLine& m) override {
    constexpr std::size_t kShown = 80;
    std::string text = cp1251ToUtf8(m.text.substr(0, kShown));
    for (char& c : text)
      if (static_cast<unsigned char>(c) < 0x20) c = '?';
    writeConsoleLine(stderr, file_ + ":" + std::to_string(m.lineNumber) + ": " + std::string(m.reason) + ": '" + text +
                                 "'" + (m.text.size() > kShown ? "..." : ""));
  }

 private:
  std::string file_;
};

// Decimates the run that will be plotted: a given one, or the last |N| while the count of
// runs is not known yet.
class PlotCollector : public datafile::ReadSink {
 public:
  explicit PlotCollector(int run) : run_(run) {}
  void runStarted(const datafile::RunStart& s) override {
    if (run_ > 0) {
      if (s.index == run_) current_ = &kept_.emplace_back(s.index, datafile::MinMaxDecimator(kPlotBuckets)).second;
      else current_ = nullptr;
      return;
    }
    kept_.emplace_back(s.index, datafile::MinMaxDecimator(kPlotBuckets));
    if (kept_.size() > static_cast<std::size_t>(-run_)) kept_.pop_front();
    current_ = &kept_.back().second;
  }
  void record(const datafile::DataRecord& r) override {
    if (current_) current_->add(r.data);
  }
  const datafile::MinMaxDecimator* of(int index) const {
    for (const auto& [i, d] : kept_)
      if (i == index) return &d;
    return nullptr;
  }

 private:
  int run_;
  std::deque<std::pair<int, datafile::MinMaxDecimator>> kept_;
  datafile::MinMaxDecimator* current_ = nullptr;
};

// A CSV file is written beside its final name and renamed into place when complete.
class CsvTarget {
 public:
  std::optional<std::string> open(const std::string& name) {
    name_ = name;
    if (name == "-") {
      file_ = stdout;
      return std::nullopt;
    }
    temporary_ = name + ".part";
    file_ = openFile(temporary_, "wb");
    if (!file_) return "cannot write '" + name + "'";
    return std::nullopt;
  }
  std::optional<std::string> commit() {
    if (file_ == stdout) return std::fflush(stdout) == 0 ? std::nullopt : std::optional<std::string>("cannot write the CSV to standard output");
    const bool ok = !std::ferror(file_) && std::fclose(file_) == 0;
    file_ = nullptr;
    std::error_code ec;
    if (ok) std::filesystem::rename(filePath(temporary_), filePath(name_), ec);
    if (!ok || ec) {
      std::filesystem::remove(filePath(temporary_), ec);
      return "cannot write '" + name_ + "'";
    }
    return std::nullopt;
  }
  ~CsvTarget() {
    if (file_ && file_ != stdout) {
      std::fclose(file_);
      std::error_code ec;
      std::filesystem::remove(filePath(temporary_), ec);
    }
  }
  std::FILE* file() const { return file_; }

 private:
  std::string name_, temporary_;
  std::FILE* file_ = nullptr;
};

// N counted from 1, or from the end when negative; 0 when there is no such run.
int resolveRun(int run, int count) {
  if (run > 0) return run <= count ? run : 0;
  return -run <= count ? count + run + 1 : 0;
}

}  // namespace

void installPlotWriter(PlotWriter writer) { plotWriter() = std::move(writer); }

int reportCommand(const std::vector<std::string>& args) {
  ReportOptions o;
  if (const auto error = parseOptions(args, o)) return usageError(*error);
  if (o.plot && !plotWriter()) return usageError("--plot is not available: this kelmo was built without Qt");
  if (std::filesystem::is_directory(o.file)) return fileError("cannot read '" + o.file + "': it is a folder");

  datafile::RunSummarizer summary;
  MalformedLister lister(o.file);
  PlotCollector plots(o.runGiven ? o.run : -1);
  CsvTarget csvTarget;
  std::unique_ptr<CsvExport> csv;
  datafile::FanoutSink pass;
  pass.add(&summary);
  pass.add(&lister);
  if (o.plot) pass.add(&plots);
  // A run counted from the end is known only after a first pass.
  const bool csvInFirstPass = o.csv && o.run >= 0;
  if (o.csv) {
    if (const auto error = csvTarget.open(*o.csv)) return fileError(*error);
  }
  if (csvInFirstPass) {
    csv = std::make_unique<CsvExport>(csvTarget.file(), o.run);
    pass.add(csv.get());
  }
  if (const auto error = datafile::readDataFile(o.file, pass)) return fileError(*error);
  const std::vector<datafile::RunSummary>& runs = summary.finish();
  const int count = static_cast<int>(runs.size());

  int selected = 0;
  if (o.runGiven) {
    selected = resolveRun(o.run, count);
    if (selected == 0)
      return fileError("there is no run " + std::to_string(o.run) + " in '" + o.file + "' (it holds " +
                       std::to_string(count) + " run" + (count == 1 ? "" : "s") + ")");
  }

  if (o.csv && !csvInFirstPass) {
    // Malformed lines were listed by the first pass.
    csv = std::make_unique<CsvExport>(csvTarget.file(), selected);
    if (const auto error = datafile::readDataFile(o.file, *csv)) return fileError(*error);
  }
  if (o.csv) {
    if (const auto error = csvTarget.commit()) return fileError(*error);
  }

  if (o.plot) {
    const int plotted = o.runGiven ? selected : count;
    const datafile::MinMaxDecimator* decimated = plots.of(plotted);
    if (plotted == 0 || decimated == nullptr) return fileError("'" + o.file + "' holds no run to plot");
    const datafile::MinMaxSeries series = decimated->result();
    const PlotRequest request{o.file, *o.plot, &runs[static_cast<std::size_t>(plotted - 1)], &series, count};
    if (const auto error = plotWriter()(request)) return fileError(*error);
  }

  // Tables go to standard output unless the CSV does.
  if (!(o.csv && *o.csv == "-")) {
    std::vector<const datafile::RunSummary*> shown;
    for (const datafile::RunSummary& run : runs)
      if (selected == 0 || run.start.index == selected) shown.push_back(&run);
    // Through the console helper: a Russian file name must reach a Windows console readable.
    const std::uint64_t malformed = summary.malformedTotal();
    std::string text = o.file + ": " + std::to_string(count) + " run" + (count == 1 ? "" : "s") + ", " +
                       std::to_string(malformed) + " malformed line" + (malformed == 1 ? "" : "s") + "\n";
    text += runTable(shown);
    for (const datafile::RunSummary* run : shown) {
      const bool detailed = o.stats || selected != 0;
      if (!detailed) continue;
      text += "\nrun " + std::to_string(run->start.index) + "\n" + gapList(*run);
      if (o.stats) text += statsTable(*run);
    }
    writeConsoleText(stdout, text);
  }
  return summary.malformedTotal() ? kReportMalformedLines : kReportDone;
}

}  // namespace kelmo
