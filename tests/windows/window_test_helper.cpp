// What the window tests need done from inside Windows (run under the emulator):
//   window_test_helper clipboard
//       writes the clipboard's text to standard output as UTF-8 (exit 1 when it holds none);
//       the program under test put it there when the test pressed Ctrl-A, Ctrl-C.
//   window_test_helper start-as-explorer FOLDER PROGRAM [ARGUMENTS...]
//       starts the program in the folder as Explorer starts a windowed program: without a
//       console and without standard input, output or error; waits for it and exits with
//       its exit code.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string utf8(const wchar_t* text, std::size_t length) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), bytes.data(), size, nullptr, nullptr);
  return bytes;
}

int printClipboard() {
  // The program that owns the clipboard may hold it open for a moment.
  bool open = false;
  for (int attempt = 0; attempt < 50 && !open; ++attempt) {
    open = OpenClipboard(nullptr) != FALSE;
    if (!open) Sleep(100);
  }
  if (!open) {
    std::fprintf(stderr, "window_test_helper: the clipboard cannot be opened (error %lu)\n", GetLastError());
    return 1;
  }
  int status = 1;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* text = static_cast<const wchar_t*>(GlobalLock(data))) {
      const std::string bytes = utf8(text, wcslen(text));
      std::fwrite(bytes.data(), 1, bytes.size(), stdout);
      status = 0;
      GlobalUnlock(data);
    }
  } else {
    std::fprintf(stderr, "window_test_helper: the clipboard holds no text\n");
  }
  CloseClipboard();
  return status;
}

// One argument of a command line, quoted as CommandLineToArgvW reads it back.
std::wstring quoted(const std::wstring& argument) {
  std::wstring text = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    text.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    text += c;
  }
  text.append(2 * backslashes, L'\\');
  return text + L"\"";
}

int startAsExplorer(const std::vector<std::wstring>& arguments) {
  std::wstring commandLine;
  for (std::size_t i = 1; i < arguments.size(); ++i) commandLine += (i > 1 ? L" " : L"") + quoted(arguments[i]);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;  // and every one of them none
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                      arguments[0].c_str(), &startup, &process)) {
    std::fprintf(stderr, "window_test_helper: cannot start the program (error %lu)\n", GetLastError());
    return 255;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = 255;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(exitCode);
}

}  // namespace

int main() {
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::wstring> arguments(argv + 1, argv + count);
  LocalFree(argv);
  if (arguments.size() == 1 && arguments[0] == L"clipboard") return printClipboard();
  if (arguments.size() >= 3 && arguments[0] == L"start-as-explorer")
    return startAsExplorer({arguments.begin() + 1, arguments.end()});
  std::fprintf(stderr, "usage: window_test_helper clipboard | start-as-explorer FOLDER PROGRAM [ARGUMENTS...]\n");
  return 2;
}
