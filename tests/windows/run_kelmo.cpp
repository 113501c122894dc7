#include "run_kelmo.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace kelmo_test {

namespace fs = std::filesystem;

RunResult runKelmo(const fs::path& dir, const std::wstring& arguments, const fs::path& errFile) {
  RunResult result;
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
    ADD_FAILURE() << "no pipe: error " << GetLastError();
    return result;
  }
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  HANDLE err = CreateFileW(errFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(err, INVALID_HANDLE_VALUE);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = writeEnd;
  startup.hStdError = err;
  std::wstring commandLine = L"\"" + fs::absolute(KELMO_PROGRAM).wstring() + L"\" " + arguments;
  PROCESS_INFORMATION process{};
  result.started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                  dir.c_str(), &startup, &process) != FALSE;
  const DWORD startError = GetLastError();
  CloseHandle(writeEnd);
  CloseHandle(err);
  if (!result.started) {
    CloseHandle(readEnd);
    ADD_FAILURE() << "kelmo could not be started: error " << startError;
    return result;
  }
  // The pipe ends when kelmo ends (it is the only writer left).
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) result.out.append(buffer, got);
  CloseHandle(readEnd);
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 120000), WAIT_OBJECT_0) << "kelmo did not end";
  GetExitCodeProcess(process.hProcess, &result.exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  result.err = fileBytes(errFile);
  return result;
}

std::string inCodePage(std::wstring_view text, UINT codePage) {
  const int length = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), bytes.data(), length, nullptr,
                      nullptr);
  return bytes;
}

bool isUtf8(const std::string& bytes, std::wstring* text) {
  if (bytes.empty()) return true;
  const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                         static_cast<int>(bytes.size()), nullptr, 0);
  if (length == 0) return false;
  if (text != nullptr) {
    text->assign(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text->data(), length);
  }
  return true;
}

std::string fileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

std::string withoutCarriageReturns(std::string text) {
  std::erase(text, '\r');
  return text;
}

}  // namespace kelmo_test
