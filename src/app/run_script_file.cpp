#include "app/run_script_file.h"

#include <utility>

#include "app/screenless_script_window.h"
#include "support/stack_frame.h"

namespace kelmo {

ScriptWindow* fmScripter = nullptr;

namespace {

ScriptWindowFactory& installedFactory() {
  static ScriptWindowFactory factory;
  return factory;
}

std::unique_ptr<ScriptWindow> createScriptWindow() {
  const ScriptWindowFactory& factory = installedFactory();
  if (factory) return factory();
  return std::make_unique<ScreenlessScriptWindow>(ScreenlessScriptWindow::writeToStandardError());
}

}  // namespace

ScriptWindowFactory setScriptWindowFactory(ScriptWindowFactory factory) {
  return std::exchange(installedFactory(), std::move(factory));
}

bool tRunScriptFromFile::runScriptFile(const std::string& fileName, bool showWindow) {
  const ScopeHandle scope = enterScope();
  registerObject(std::make_unique<tRunScriptFromFile>());
  // Registered after the runner object, so the window goes first when the scope ends.
  fmScripter = createScriptWindow().release();
  registerFinalizer([] { delete std::exchange(fmScripter, nullptr); });

  fmScripter->loadFile(fileName);
  if (!showWindow && fmScripter->compileAndRun()) return true;
  return fmScripter->showModal();
}

bool runSettingsScript(const std::string& fileName) { return tRunScriptFromFile::runScriptFile(fileName, false); }

void editSettingsScript(const std::string& fileName) { tRunScriptFromFile::runScriptFile(fileName, true); }

}  // namespace kelmo
