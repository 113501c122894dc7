// The generator's diagnostics reach a debugger attached to kelmo, as the rig's developers
// read them (DebugView, a debugger): one OutputDebugStringA message per text, without a
// line break added. The test is that debugger.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "run_kelmo.h"

namespace {

namespace fs = std::filesystem;

struct DebuggedRun {
  DWORD exitCode = 0;
  std::vector<std::string> texts;  // the messages, in order
  bool ended = false;
};

std::string messageOf(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info) {
  const std::size_t unit = info.fUnicode ? 2 : 1;
  std::string bytes(info.nDebugStringLength * unit, '\0');
  SIZE_T got = 0;
  ReadProcessMemory(process, info.lpDebugStringData, bytes.data(), bytes.size(), &got);
  bytes.resize(got);
  if (info.fUnicode) {
    std::wstring wide(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
    if (!wide.empty() && wide.back() == L'\0') wide.pop_back();
    return kelmo_test::inCodePage(wide, CP_ACP);
  }
  if (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();
  return bytes;
}

// Starts kelmo under this process as its debugger and collects its debug output until it ends.
DebuggedRun debugKelmo(const fs::path& dir, const std::wstring& arguments) {
  DebuggedRun run;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  std::wstring commandLine = L"\"" + fs::absolute(KELMO_PROGRAM).wstring() + L"\" " + arguments;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS, nullptr,
                      dir.c_str(), &startup, &process)) {
    ADD_FAILURE() << "kelmo could not be started: error " << GetLastError();
    return run;
  }
  DEBUG_EVENT event{};
  while (!run.ended && WaitForDebugEvent(&event, 60000)) {
    DWORD status = DBG_CONTINUE;
    switch (event.dwDebugEventCode) {
      case OUTPUT_DEBUG_STRING_EVENT:
        run.texts.push_back(messageOf(process.hProcess, event.u.DebugString));
        break;
      case CREATE_PROCESS_DEBUG_EVENT:
        if (event.u.CreateProcessInfo.hFile) CloseHandle(event.u.CreateProcessInfo.hFile);
        break;
      case LOAD_DLL_DEBUG_EVENT:
        if (event.u.LoadDll.hFile) CloseHandle(event.u.LoadDll.hFile);
        break;
      case EXCEPTION_DEBUG_EVENT:
        // The loader's breakpoint is ours to pass; any other exception is the program's own.
        if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT)
          status = DBG_EXCEPTION_NOT_HANDLED;
        break;
      case EXIT_PROCESS_DEBUG_EVENT:
        run.exitCode = event.u.ExitProcess.dwExitCode;
        run.ended = true;
        break;
      default:
        break;
    }
    ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
  }
  if (!run.ended) TerminateProcess(process.hProcess, 99);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return run;
}

TEST(DebuggerOutput, TakesTheGeneratorsTextsOnePerMessage) {
  const fs::path dir = fs::absolute("debugger_output");
  fs::remove_all(dir);
  fs::create_directories(dir);
  kelmo_test::writeBytes(dir / "generator.pas", "begin\r\n"
                                                "  startAsymmetricDischarge;\r\n"
                                                "  Sleep(500);\r\n"
                                                "  stopAsymmetricDischarge;\r\n"
                                                "end.\r\n");
  ASSERT_TRUE(SetEnvironmentVariableW(L"KELMO_SOUND", L"virtual"));
  // kelmo chooses the module library before any script runs.
  ASSERT_TRUE(SetEnvironmentVariableW(L"KELMO_MODULE_LIBRARY", fs::absolute(KELMO_STANDIN_DLL).c_str()));
  ASSERT_TRUE(SetEnvironmentVariableW(L"KELMO_DEBUG", nullptr));

  const DebuggedRun run = debugKelmo(dir, L"--run-script generator.pas");
  ASSERT_TRUE(run.ended) << "kelmo did not end";
  EXPECT_EQ(run.exitCode, 0u);
  // Half a second is about five blocks of 4096 frames: each block synthesised ("in" and its
  // slot) and written gives its own messages, none with a line break.
  std::size_t synthesised = 0;
  std::size_t written = 0;
  for (const std::string& text : run.texts) {
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << '"' << text << '"';
    synthesised += text.size() == 3 && text.rfind("in", 0) == 0 && std::isdigit(static_cast<unsigned char>(text[2])) ? 1 : 0;
    written += text == "waveOutWrite 1 succeeded" ? 1 : 0;
  }
  EXPECT_GE(synthesised, 3u);
  EXPECT_GE(written, 2u);
}

}  // namespace
