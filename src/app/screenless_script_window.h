#pragma once
// A script window without a screen, for the headless program and kelmo --run-script: the
// editor and the output pane are lists of lines, and "showing" it hands the output pane to
// whoever can report it, since nobody can edit and run the script there.
#include <functional>
#include <string>
#include <vector>

#include "app/run_script_file.h"
#include "app/script_runner.h"

namespace kelmo {

class ScreenlessScriptWindow final : public ScriptWindow, private ScriptOutput {
 public:
  struct Reporting {
    // Each output line as soon as it is added.
    std::function<void(const std::string& line)> onLine;
    // showMessage of a script; none: the message box.
    std::function<void(const std::string& text)> onMessage;
    // A run that lasts: that it runs and how to stop it; none: standard error.
    std::function<void(const std::string& text)> onNotice;
    // Showing the window: the output pane as it stands.
    std::function<void(const std::vector<std::string>& pane)> onShow;
  };
  // Shown, the window writes its output pane to standard error.
  static Reporting writeToStandardError();

  explicit ScreenlessScriptWindow(Reporting reporting);

  void loadFile(const std::string& fileName) override;
  bool compileAndRun() override;
  // Nobody can correct the script here: reports the pane and returns false.
  bool showModal() override;
  void writeLn(const std::string& text) override { addOutput(text); }

  const std::string& fileName() const { return fileName_; }
  const std::vector<std::string>& editorLines() const { return editorLines_; }
  const std::vector<std::string>& outputLines() const { return outputLines_; }

 private:
  void clearOutput() override { outputLines_.clear(); }
  void addOutput(const std::string& entry) override;
  void showScriptMessage(const std::string& text) override;
  // Nobody answers here: the text becomes an output line and the dialog its default.
  script_library::DialogButton messageDialog(const std::string& text, script_library::DialogKind kind,
                                             const std::vector<script_library::DialogButton>& buttons) override {
    return dialogs_.messageDialog(text, kind, buttons);
  }
  bool inputQuery(const std::string& caption, const std::string& prompt, std::string& value) override {
    return dialogs_.inputQuery(caption, prompt, value);
  }

  Reporting reporting_;
  script_library::ScreenlessDialogs dialogs_{[this](const std::string& line) { addOutput(line); }};
  ScriptRunner runner_{*this};
  std::string fileName_;
  std::vector<std::string> editorLines_;
  std::vector<std::string> outputLines_;
};

}  // namespace kelmo
