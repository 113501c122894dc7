#include "datafile/data_file_reader.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "platform/file_path.h"

namespace kelmo::datafile {

namespace {

constexpr std::size_t kBlockBytes = 1 << 20;
// A data line is under 200 bytes. Longer text (a file without line ends, the zeros a power
// loss leaves) is held only up to this length, so that memory stays bounded.
constexpr std::size_t kLongestLine = 1 << 16;
constexpr std::size_t kShownOfLongLine = 80;

}  // namespace

void DataFileParser::feed(std::string_view block) {
  std::size_t start = 0;
  if (!carry_.empty()) {
    const std::size_t lf = block.find('\n');
    if (lf == std::string_view::npos) {
      hold(block);
      return;
    }
    hold(block.substr(0, lf));
    line(carry_);
    carry_.clear();
    start = lf + 1;
  }
  const char* base = block.data();
  while (start < block.size()) {
    const void* lf = std::memchr(base + start, '\n', block.size() - start);
    if (lf == nullptr) {
      hold(block.substr(start));
      return;
    }
    const std::size_t end = static_cast<std::size_t>(static_cast<const char*>(lf) - base);
    line(block.substr(start, end - start));
    start = end + 1;
  }
}

void DataFileParser::hold(std::string_view part) {
  // One byte past the limit, so that a long line reads the same however it was cut.
  const std::size_t room = kLongestLine + 1 - std::min(carry_.size(), kLongestLine + 1);
  carry_.append(part.substr(0, room));
}

void DataFileParser::finish() {
  if (carry_.empty()) return;
  // Copy first: line() may be the last user of the carried text.
  const std::string last = std::move(carry_);
  carry_.clear();
  line(last);
}

void DataFileParser::line(std::string_view text) {
  ++lineNumber_;
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  if (text.size() > kLongestLine) {
    report("line too long", text.substr(0, kShownOfLongLine));
    return;
  }
  if (const std::size_t marker = headerMarkerAt(text)) {
    header(text, marker);
    return;
  }
  if (run_ == 0) {
    // Before any header nothing belongs to a run, but a header may follow garbage.
    const std::size_t at = findHeaderMarker(text);
    report(at == std::string_view::npos ? "line before the first run header" : "cut off before a run header",
           text.substr(0, at));
    if (at != std::string_view::npos) header(text.substr(at), headerMarkerAt(text.substr(at)));
    return;
  }
  if (const std::string_view reason = parseDataLine(text, record_.data); !reason.empty()) {
    // A run cut by a power loss leaves a partial line; the next run's header then
    // follows it on the same line.
    const std::size_t at = findHeaderMarker(text);
    if (at != std::string_view::npos) {
      report("cut off before a run header", text.substr(0, at));
      header(text.substr(at), headerMarkerAt(text.substr(at)));
    } else {
      report(reason, text);
    }
    return;
  }
  record_.run = run_;
  record_.lineNumber = lineNumber_;
  sink_.record(record_);
}

void DataFileParser::header(std::string_view text, std::size_t markerLength) {
  RunStart start;
  start.index = ++run_;
  start.lineNumber = lineNumber_;
  const std::string_view reason = parseHeaderTime(text.substr(markerLength), start.headerTime);
  if (!reason.empty()) start.headerTime = std::numeric_limits<double>::quiet_NaN();
  sink_.runStarted(start);
  if (!reason.empty()) report(reason, text);
}

void DataFileParser::report(std::string_view reason, std::string_view text) {
  sink_.malformed({run_, lineNumber_, reason, text});
}

std::optional<std::string> readDataFile(const std::string& path, ReadSink& sink) {
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Closer> file(openFile(path, "rb"));
  if (!file) return "cannot open '" + path + "': " + std::strerror(errno);
  DataFileParser parser(sink);
  std::vector<char> block(kBlockBytes);
  for (;;) {
    const std::size_t n = std::fread(block.data(), 1, block.size(), file.get());
    if (n > 0) parser.feed({block.data(), n});
    if (n < block.size()) {
      if (std::ferror(file.get())) return "cannot read '" + path + "': " + std::strerror(errno);
      break;
    }
  }
  parser.finish();
  return std::nullopt;
}

}  // namespace kelmo::datafile
