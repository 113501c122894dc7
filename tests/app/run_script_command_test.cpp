// kelmo --run-script FILE, run in a child process: standard output holds the lines of the
// output pane and the showMessage texts, the exit code tells whether the script ran.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/run_script_command.h"
#include "platform/cp1251.h"
#include "script_test_support.h"

namespace kelmo {
namespace {

struct CommandResult {
  int exitCode = -1;
  std::string out;
};

CommandResult runCommand(const std::string& fileName) {
  std::fflush(stdout);
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return {};
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(pipeFds[1], STDOUT_FILENO);
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    const int code = runScriptCommand(fileName);
    std::fflush(stdout);
    ::_exit(code);
  }
  ::close(pipeFds[1]);
  CommandResult result;
  char buffer[4096];
  for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) result.out.append(buffer, static_cast<std::size_t>(n));
  ::close(pipeFds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  return result;
}

CommandResult runScript(const std::string& utf8Script) {
  test::TempDir dir;
  const std::string file = dir.file("check.ini");
  test::writeBytes(file, utf8ToCp1251(utf8Script));
  return runCommand(file);
}

TEST(RunScriptCommand, PrintsThePaneLinesAndMessagesAndSucceeds) {
  const CommandResult r = runScript(
      "begin\r\n"
      "  writeLn('период ' + IntToStr(kelmo_params.DATA_QUERY_PERIOD_MS));\r\n"
      "  showMessage('готово');\r\n"
      "  kelmo_params.setRange(7, 160);\r\n"
      "end.\r\n");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "Compiled Script: \nSuccesfully compiled\n\nпериод 200\nготово\nSuccesfully Executed\n");
}

// Nobody can answer a dialog here: each prints its text and takes its default at once.
TEST(RunScriptCommand, DialogsPrintTheirTextAndDoNotWait) {
  const CommandResult r = runScript(
      "var s: string;\r\n"
      "begin\r\n"
      "  if MessageDlg('Начать?', mtConfirmation, mbYesNo, 0) = mrYes then writeLn('да');\r\n"
      "  s := 'старое';\r\n"
      "  if not InputQuery('Ввод', 'Имя', s) then writeLn(s);\r\n"
      "  writeLn(InputBox('Ввод', 'Каналов', '4'));\r\n"
      "end.\r\n");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out,
            "Compiled Script: \nSuccesfully compiled\n\nНачать?\nда\nВвод: Имя\nстарое\nВвод: Каналов\n4\n"
            "Succesfully Executed\n");
}

// Abort is the script stopping itself: the lines before it, success, exit 0.
TEST(RunScriptCommand, AScriptThatAbortsItselfSucceeds) {
  const CommandResult r = runScript(
      "begin\r\n"
      "  kelmo_params.DATA_QUERY_PERIOD_MS := 500;\r\n"
      "  if not FileExists('калибровка.txt') then\r\n"
      "  begin\r\n"
      "    writeLn('нет калибровки, остальное по умолчанию');\r\n"
      "    Abort;\r\n"
      "  end;\r\n"
      "  writeLn('не дошли');\r\n"
      "end.\r\n");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out,
            "Compiled Script: \nSuccesfully compiled\n\nнет калибровки, остальное по умолчанию\nSuccesfully Executed\n");
}

TEST(RunScriptCommand, FailuresExitWithOne) {
  struct Case {
    const char* script;
    std::string lastLine;
  };
  const Case cases[] = {
      {"begin\r\n  kelmo_params.setRange(8, 5000);\r\nend.\r\n",
       "Error while executing script: Exception: номер канала может быть от 0 до 7, а передано 8\n"},
      // An exception of a class that no handler takes.
      {"begin\r\n  try\r\n    kelmo_params.adcRate := StrToFloat('4,0x');\r\n  except\r\n"
       "    on E: EMathError do writeLn('не то');\r\n  end;\r\nend.\r\n",
       "Error while executing script: Exception: '4,0x' is not a valid floating point value\n"},
      {"begin\r\n  Assert(kelmo_params.ChannelsQuantity > 8, 'мало каналов');\r\nend.\r\n",
       "Error while executing script: Exception: мало каналов (line 2)\n"},
      // A compile failure: the compile text alone, ending in its empty line.
      {"begin\r\n  writeLn('x')\r\n  writeLn('y');\r\nend.\r\n", "\n\n"},
      {"", "\n\n"},
  };
  for (const Case& c : cases) {
    const CommandResult r = runScript(c.script);
    EXPECT_EQ(r.exitCode, 1) << c.script;
    EXPECT_EQ(r.out.rfind("Compiled Script: \n", 0), 0u) << r.out;
    ASSERT_GE(r.out.size(), c.lastLine.size());
    EXPECT_EQ(r.out.substr(r.out.size() - c.lastLine.size()), c.lastLine) << r.out;
    EXPECT_EQ(r.out.find("Succesfully Executed"), std::string::npos) << r.out;
  }
}

TEST(RunScriptCommand, AnUnreadableFileExitsWithOneAndPrintsNothing) {
  test::TempDir dir;
  const CommandResult r = runCommand(dir.file("missing.ini"));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "");
}

}  // namespace
}  // namespace kelmo
