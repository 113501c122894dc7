#pragma once
// The script engine of a script window (PSScript1) with the window's plug-in list, and the
// compile-and-run that fills the window's output pane.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "script/script_engine.h"
#include "script_library/script_dialogs.h"

namespace kelmo {

// What a script run writes to: the output pane, the message box of showMessage and the
// dialogs of MessageDlg, InputBox and InputQuery.
class ScriptOutput : public script_library::ScriptDialogs {
 public:
  virtual void clearOutput() = 0;
  // Adds one entry as a memo adds a line: an entry holding CR LF shows as several lines,
  // and one ending in CR LF leaves an empty line after it.
  virtual void addOutput(const std::string& entry) = 0;
  // showMessage of a script: a plain box with an OK button, by default.
  virtual void showScriptMessage(const std::string& text);
  // The dialogs through the message-box seam, by default.
  script_library::DialogButton messageDialog(const std::string& text, script_library::DialogKind kind,
                                             const std::vector<script_library::DialogButton>& buttons) override;
  bool inputQuery(const std::string& caption, const std::string& prompt, std::string& value) override;
};

// The plug-ins a script window offers, in order: the standard library's groups (external
// routines and COM objects refused, classes, date utilities, dialogs asking `dialogs`,
// strings, maths, files), then the parameter plug-in and the module I/O plug-in. The
// engine's own system unit (TObject, TComponent, the basic routines) comes first by itself.
// Nothing that loads libraries or creates windows.
std::vector<std::shared_ptr<script::ImportPlugin>> scriptWindowPlugins(script_library::ScriptDialogs& dialogs);

class ScriptRunner {
 public:
  // The output must outlive the runner.
  explicit ScriptRunner(ScriptOutput& output);

  // Compiles scriptText and, when that succeeds, executes it, writing the texts of a run to
  // the output. Returns the run-succeeded flag.
  bool compileAndRun(std::string_view scriptText);
  // The two halves: compile clears the flag and the output and writes the compile text;
  // execute runs the compiled script and writes its outcome line. A window that must stay
  // responsive runs execute on a thread of its own (the engine is used by one thread at a
  // time), and its output must then accept entries from that thread.
  bool compile(std::string_view scriptText);
  bool execute();
  // Stops a running execute at its next statement; from any thread, also a signal handler.
  void requestStop() { engine_.requestStop(); }

  bool runSucceeded() const { return runSucceeded_; }
  void clearRunSucceeded() { runSucceeded_ = false; }
  // The compiler messages of the last compile, and the first error among them.
  const std::vector<script::CompilerMessage>& messages() const { return engine_.messages(); }
  std::optional<script::CompilerMessage> firstCompileError() const;

  script::ScriptEngine& engine() { return engine_; }

 private:
  ScriptOutput& output_;
  script::ScriptEngine engine_;
  bool runSucceeded_ = false;
};

// The lines an output entry shows as: split at CR LF, LF or CR; a break at the end leaves an
// empty last line.
std::vector<std::string> paneLines(std::string_view entry);

// The exact texts of a run.
inline constexpr const char* kCompiledScript = "Compiled Script: ";
inline constexpr const char* kSuccesfullyCompiled = "Succesfully compiled";
inline constexpr const char* kSuccesfullyExecuted = "Succesfully Executed";
inline constexpr const char* kErrorWhileExecuting = "Error while executing script: ";

}  // namespace kelmo
