#include "platform/console_text.h"

#include <algorithm>
#include <string>

#ifdef _WIN32
#include <io.h>
#include <windows.h>

#include "platform/utf16.h"
#endif

namespace kelmo {

namespace {

#ifdef _WIN32
// The stream's console, or null when the stream goes to a file or a pipe.
HANDLE consoleOf(std::FILE* stream) {
  const int fd = _fileno(stream);
  if (fd < 0) return nullptr;
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) ? handle : nullptr;
}

// False when the console took nothing of the text (then it goes the other way).
bool writeToConsole(HANDLE console, std::string_view text) {
  const std::wstring wide = utf8ToUtf16(text);
  std::size_t done = 0;
  while (done < wide.size()) {
    DWORD written = 0;
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 16384));
    if (!WriteConsoleW(console, wide.data() + done, chunk, &written, nullptr) || written == 0) break;
    done += written;
  }
  return done > 0 || wide.empty();
}
#endif

}  // namespace

void writeConsoleText(std::FILE* stream, std::string_view text) {
#ifdef _WIN32
  if (HANDLE console = consoleOf(stream)) {
    // What the C library still holds goes first, so the order of the texts stays.
    std::fflush(stream);
    if (writeToConsole(console, text)) return;
  }
#endif
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

void writeConsoleLine(std::FILE* stream, std::string_view text) {
  std::string line;
  line.reserve(text.size() + 1);
  line.append(text);
  line += '\n';
  writeConsoleText(stream, line);
}

}  // namespace kelmo
