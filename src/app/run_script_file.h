#pragma once
// Running and editing a settings script file in a script window: at start-up silently,
// from F3 shown. The window itself comes from a factory, so the Qt window is installed by
// the windowed program and the headless program runs with a window that has no screen.
#include <functional>
#include <memory>
#include <string>

namespace kelmo {

// The script window as this layer drives it (TfmScripter and its screenless stand-in).
class ScriptWindow {
 public:
  virtual ~ScriptWindow() = default;
  // Stores the file name, replaces the editor text by the file's lines and clears the
  // modified flag. Throws SettingsFileError when the file cannot be read.
  virtual void loadFile(const std::string& fileName) = 0;
  // Compiles and runs the editor text; returns the run-succeeded flag.
  virtual bool compileAndRun() = 0;
  // Clears the run-succeeded flag, shows the window modally and, when it has closed,
  // returns the run-succeeded flag.
  virtual bool showModal() = 0;
  // Appends the text as a line to the output pane.
  virtual void writeLn(const std::string& text) = 0;
};

using ScriptWindowFactory = std::function<std::unique_ptr<ScriptWindow>()>;
// Installs the factory of script windows; returns the previous one. Without one installed
// a window with no screen is made whose showing writes its output pane to standard error.
ScriptWindowFactory setScriptWindowFactory(ScriptWindowFactory factory);

// The script window that is currently loaded, or null: set only while runScriptFile runs.
extern ScriptWindow* fmScripter;

class tRunScriptFromFile {
 public:
  // Loads the file into a new script window and either runs it silently (showing the
  // window only when that run fails) or shows the window. Returns whether the last run
  // succeeded. A file that cannot be read raises SettingsFileError; the window is destroyed
  // on every path.
  static bool runScriptFile(const std::string& fileName, bool showWindow);
};

// The start-up run of the settings script.
bool runSettingsScript(const std::string& fileName);
// F3: the window on the settings script; the outcome does not matter.
void editSettingsScript(const std::string& fileName);

}  // namespace kelmo
