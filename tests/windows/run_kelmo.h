#pragma once
// Runs the Windows kelmo as a child process the way a rig's shell would: UTF-16 command
// line, a working folder, standard output read through a pipe and standard error kept in
// a file.
#include <windows.h>

#include <filesystem>
#include <string>

namespace kelmo_test {

struct RunResult {
  bool started = false;
  DWORD exitCode = 0;
  std::string out;  // the bytes read from the pipe
  std::string err;
};

// kelmo.exe with the arguments (already quoted as a command line), in dir; standard error
// goes to errFile. Waits at most two minutes.
RunResult runKelmo(const std::filesystem::path& dir, const std::wstring& arguments,
                   const std::filesystem::path& errFile);

// Text in a Windows code page (1251 for scripts, CP_UTF8).
std::string inCodePage(std::wstring_view text, UINT codePage);
// Whether the bytes are well-formed UTF-8, and their text.
bool isUtf8(const std::string& bytes, std::wstring* text = nullptr);
std::string fileBytes(const std::filesystem::path& path);
void writeBytes(const std::filesystem::path& path, const std::string& bytes);
std::string withoutCarriageReturns(std::string text);

}  // namespace kelmo_test
