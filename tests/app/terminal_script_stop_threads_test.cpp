// A script run without a window (--run-script, the headless start-up) stops at Ctrl-C or
// SIGTERM as a failed run, tells the operator when it lasts, and gives the signals back.
#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

#include "app/screenless_script_window.h"
#include "app/terminal_script_stop.h"
#include "config/kelmo_params.h"
#include "platform/cp1251.h"
#include "script_test_support.h"

namespace kelmo {
namespace {

using Lines = std::vector<std::string>;

TEST(TerminalScriptStop, CtrlCOrSigtermStopsARunningScriptAsAFailedRun) {
  createGlobalParams();
  for (const int signal : {SIGINT, SIGTERM}) {
    test::TempDir dir;
    const std::string file = dir.file("kelmo.ini");
    test::writeBytes(file, utf8ToCp1251("begin\r\n  writeLn('вперёд');\r\n  while true do ;\r\nend.\r\n"));

    Lines pane;
    std::string notice;
    ScreenlessScriptWindow::Reporting reporting;
    reporting.onLine = [&pane](const std::string& line) { pane.push_back(line); };
    // The notice comes while the script runs: the operator reads it and presses Ctrl-C.
    reporting.onNotice = [&notice, signal](const std::string& text) {
      notice = text;
      std::raise(signal);
    };
    ScreenlessScriptWindow window(reporting);
    window.loadFile(file);
    EXPECT_FALSE(window.compileAndRun()) << signal;
    EXPECT_EQ(pane, (Lines{"Compiled Script: ", "Succesfully compiled", "", "вперёд",
                           "Error while executing script: Script stopped"}))
        << signal;
    EXPECT_EQ(notice, "Скрипт " + file + " выполняется; Ctrl-C - остановить");
  }
}

TEST(TerminalScriptStop, AShortRunGivesNoNoticeAndTheSignalsGoBack) {
  createGlobalParams();
  const auto previousInt = std::signal(SIGINT, SIG_IGN);
  const auto previousTerm = std::signal(SIGTERM, SIG_IGN);
  test::TempDir dir;
  const std::string file = dir.file("kelmo.ini");
  test::writeBytes(file, "begin\r\n  writeLn('ok');\r\nend.\r\n");
  bool noticed = false;
  ScreenlessScriptWindow::Reporting reporting;
  reporting.onNotice = [&noticed](const std::string&) { noticed = true; };
  ScreenlessScriptWindow window(reporting);
  window.loadFile(file);
  EXPECT_TRUE(window.compileAndRun());
  EXPECT_FALSE(noticed);
  EXPECT_EQ(std::signal(SIGINT, previousInt), SIG_IGN);
  EXPECT_EQ(std::signal(SIGTERM, previousTerm), SIG_IGN);
}

}  // namespace
}  // namespace kelmo
