#include "app/screenless_script_window.h"

#include <cstdio>

#include "app/settings_file.h"
#include "app/terminal_script_stop.h"
#include "platform/console_text.h"

namespace kelmo {

ScreenlessScriptWindow::Reporting ScreenlessScriptWindow::writeToStandardError() {
  Reporting reporting;
  reporting.onShow = [](const std::vector<std::string>& pane) {
    for (const std::string& line : pane) writeConsoleLine(stderr, line);
  };
  return reporting;
}

ScreenlessScriptWindow::ScreenlessScriptWindow(Reporting reporting) : reporting_(std::move(reporting)) {}

void ScreenlessScriptWindow::loadFile(const std::string& fileName) {
  fileName_ = fileName;
  editorLines_ = readScriptFile(fileName);
}

bool ScreenlessScriptWindow::compileAndRun() {
  if (!runner_.compile(joinScriptLines(editorLines_))) return false;
  const TerminalScriptStop stopKeys(runner_, fileName_, reporting_.onNotice);
  return runner_.execute();
}

bool ScreenlessScriptWindow::showModal() {
  runner_.clearRunSucceeded();
  if (reporting_.onShow) reporting_.onShow(outputLines_);
  return runner_.runSucceeded();
}

void ScreenlessScriptWindow::addOutput(const std::string& entry) {
  for (std::string& line : paneLines(entry)) {
    if (reporting_.onLine) reporting_.onLine(line);
    outputLines_.push_back(std::move(line));
  }
}

void ScreenlessScriptWindow::showScriptMessage(const std::string& text) {
  if (reporting_.onMessage) {
    reporting_.onMessage(text);
  } else {
    ScriptOutput::showScriptMessage(text);
  }
}

}  // namespace kelmo
