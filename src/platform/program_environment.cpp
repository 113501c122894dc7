#include "platform/program_environment.h"

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

#include "platform/utf16.h"
#endif

namespace kelmo {

std::vector<std::string> programArguments(int argc, char** argv) {
#ifdef _WIN32
  // The shell's splitting rules are the C runtime's; argv is that split in the ANSI code page.
  (void)argc;
  (void)argv;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  if (wide == nullptr) return arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(utf16ToUtf8(wide[i]));
  LocalFree(wide);
  return arguments;
#else
  return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
#endif
}

std::optional<std::string> environmentVariable(const char* name) {
#ifdef _WIN32
  const wchar_t* value = ::_wgetenv(utf8ToUtf16(name).c_str());
  if (value == nullptr) return std::nullopt;
  return utf16ToUtf8(value);
#else
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
#endif
}

}  // namespace kelmo
