#include "app/settings_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/cp1251.h"
#include "platform/file_path.h"
#include "platform/replace_file.h"

namespace kelmo {

namespace {

#ifdef _WIN32
// Binary mode keeps the bytes as they are; Windows has no close-on-exec flag to give.
constexpr int kOpenMode = O_BINARY;
#else
constexpr int kOpenMode = O_CLOEXEC;
#endif

// The full path that was tried: a relative name alone does not say which folder it was in.
std::string fullPath(const std::string& fileName) {
  std::error_code ec;
  const std::filesystem::path path = std::filesystem::absolute(filePath(fileName), ec);
  return ec ? fileName : fileNameText(path.lexically_normal());
}

[[noreturn]] void fail(const char* action, const std::string& fileName, int error) {
  throw SettingsFileError(std::string(action) + " \"" + fullPath(fileName) + "\": " + std::strerror(error));
}

// Closes the descriptor when the scope ends, whichever way.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

constexpr const char* kCannotRead = "Не удалось прочитать файл";
constexpr const char* kCannotWrite = "Не удалось записать файл";

// The file's bytes as UTF-8. Settings files are Windows-1251; a script written in an editor
// that saves UTF-8 (with or without its byte-order mark) is taken as such rather than shown
// as two letters per character.
std::string scriptText(std::string_view bytes) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) return std::string(bytes.substr(kByteOrderMark.size()));
  return isMultiByteUtf8(bytes) ? std::string(bytes) : cp1251ToUtf8(bytes);
}

}  // namespace

std::vector<std::string> splitScriptLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.emplace_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::string joinScriptLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

std::vector<std::string> readScriptFile(const std::string& fileName) {
  FileDescriptor file(openFileDescriptor(fileName, O_RDONLY | kOpenMode));
  if (file.get() < 0) fail(kCannotRead, fileName, errno);
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) fail(kCannotRead, fileName, errno);
  if (S_ISDIR(info.st_mode)) fail(kCannotRead, fileName, EISDIR);

  std::string bytes;
  char buffer[8192];
  for (;;) {
    const ssize_t n = ::read(file.get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(kCannotRead, fileName, errno);
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  return splitScriptLines(scriptText(bytes));
}

void writeScriptFile(const std::string& fileName, const std::vector<std::string>& lines) {
  const std::error_code error = replaceFileAtomically(fileName, utf8ToCp1251(joinScriptLines(lines)));
  if (error) throw SettingsFileError(std::string(kCannotWrite) + " \"" + fileName + "\": " + error.message());
}

}  // namespace kelmo
