#include "platform/exe_path.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/utf16.h"
#else
#include <climits>
#include <unistd.h>
#endif

namespace kelmo {

std::string executablePath() {
#ifdef _WIN32
  // The wide call: the program may sit in a folder with a Cyrillic name. Paths may be
  // longer than MAX_PATH, so the buffer grows until the name fits.
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return "kelmo";
    if (n < buffer.size()) return utf16ToUtf8(std::wstring_view(buffer.data(), n));
    buffer.resize(buffer.size() * 2);
  }
#else
  char buf[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string("kelmo");
#endif
}

}  // namespace kelmo
