#include "platform/console_text.h"

#include <algorithm>
#include <string>

#ifdef _WIN32
#include <io.h>
#include <windows.h>

#include "platform/utf16.h"
#else
#include <fcntl.h>
#endif

namespace kelmo {

namespace {

#ifdef _WIN32
// The handle a stream writes to. A windowed program's C library sets up standard output
// and error without one when the program starts without them; useParentConsoleWhenDetached
// may have given the process standard handles since, which the C library cannot take over.
HANDLE handleOf(std::FILE* stream) {
  const int fd = _fileno(stream);
  if (fd >= 0) {
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (handle != INVALID_HANDLE_VALUE && handle != reinterpret_cast<HANDLE>(-2)) return handle;
  }
  if (stream == stdout) return GetStdHandle(STD_OUTPUT_HANDLE);
  if (stream == stderr) return GetStdHandle(STD_ERROR_HANDLE);
  return nullptr;
}

// The stream's console, or null when the stream goes to a file or a pipe.
HANDLE consoleOf(std::FILE* stream) {
  const HANDLE handle = handleOf(stream);
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) ? handle : nullptr;
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

// A standard handle that leads somewhere: a console, a file, a pipe or a device.
bool connected(::DWORD which) {
  HANDLE handle = GetStdHandle(which);
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
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

void useParentConsoleWhenDetached() {
#ifdef _WIN32
  const bool out = connected(STD_OUTPUT_HANDLE);
  const bool err = connected(STD_ERROR_HANDLE);
  if ((out && err) || GetConsoleWindow() != nullptr) return;
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
  // The standard handles that were missing become the console's screen; the text of
  // writeConsoleText reaches it through them (see handleOf).
  const HANDLE screen = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
  if (screen == INVALID_HANDLE_VALUE) return;
  if (!out) SetStdHandle(STD_OUTPUT_HANDLE, screen);
  if (!err) SetStdHandle(STD_ERROR_HANDLE, screen);
#endif
}

bool standardErrorIsConnected() {
#ifdef _WIN32
  return connected(STD_ERROR_HANDLE);
#else
  return ::fcntl(2, F_GETFD) != -1;
#endif
}

}  // namespace kelmo
