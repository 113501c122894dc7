#pragma once
// The settings script window: an editor for the script, a read-only output pane and a key
// hint. F9 compiles and runs the editor text against the live parameter object, Ctrl-S
// saves it; closing with unsaved changes asks whether to save.
#include <QDialog>
#include <atomic>
#include <string>
#include <vector>

#include "app/run_script_file.h"
#include "app/script_runner.h"

class QLabel;
class QPlainTextEdit;
class QDialog;
class QsciScintilla;

namespace kelmo {

class TfmScripter final : public QDialog, public ScriptWindow, private ScriptOutput {
  Q_OBJECT

 public:
  // The marker that shows the line of the first compile error.
  static constexpr int kErrorMarker = 1;
  // A silent run that lasts longer shows the running notice (what runs, how to stop it).
  static constexpr int kRunningNoticeAfterMs = 1000;

  explicit TfmScripter(QWidget* parent = nullptr);
  ~TfmScripter() override;

  // ScriptWindow
  void loadFile(const std::string& fileName) override;
  bool compileAndRun() override;
  bool showModal() override;
  void writeLn(const std::string& text) override;

  // Writes the editor lines to the file and clears the modified flag; throws
  // SettingsFileError and leaves the flag set when the file cannot be written.
  void saveFile();

  const std::string& fileName() const { return fileName_; }
  bool modified() const { return modified_; }
  bool runSucceeded() const { return runner_.runSucceeded(); }
  // True while a script executes (the window goes on handling events meanwhile).
  bool running() const { return running_; }
  // The notice of a long silent run, while it is shown; null otherwise.
  QDialog* runningNotice() const { return runningNotice_; }
  QsciScintilla* memo1() const { return memo1_; }
  QPlainTextEdit* Memo2() const { return Memo2_; }
  QLabel* Label1() const { return Label1_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  // Every way of closing the window (title bar, its key, Esc) passes the close query.
  void reject() override;

 private:
  // ScriptOutput: Memo2. The script executes on a thread of its own; what it writes is
  // handed to the window's thread.
  void clearOutput() override;
  void addOutput(const std::string& entry) override;
  void showScriptMessage(const std::string& text) override;
  void appendToPane(const std::string& entry);

  // Executes the compiled script on a worker thread while this thread goes on handling
  // events (the charts of a test run keep moving, Esc and Ctrl+Break can stop the script).
  bool executeWhileResponsive();
  bool isStopKey(const QKeyEvent& e) const;
  void showRunningNotice();

  // True when the key was one the window acts on.
  bool FormKeyDown(const QKeyEvent& e);
  bool FormCloseQuery();
  void memo1Change() { modified_ = true; }
  void saveFromKeyboard();
  void showFirstCompileError();
  std::vector<std::string> editorLines() const;

  QLabel* Label1_ = nullptr;
  QsciScintilla* memo1_ = nullptr;
  QPlainTextEdit* Memo2_ = nullptr;
  ScriptRunner runner_{*this};  // PSScript1 and its plug-ins
  std::string fileName_;
  bool modified_ = false;
  bool running_ = false;
  QDialog* runningNotice_ = nullptr;
};

}  // namespace kelmo
