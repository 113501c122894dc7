#include "app/script_startup.h"

#include <cstdlib>
#include <memory>

#include "app/run_script_file.h"
#include "app/screenless_script_window.h"
#include "app/settings_file.h"
#include "config/kelmo_params.h"
#include "platform/message_box.h"

namespace kelmo {

bool runStartupSettingsScript(const std::string& fileName) {
  try {
    return runSettingsScript(fileName);
  } catch (const SettingsFileError& error) {
    showMessageBox({"Error", error.what(), BoxIcon::Error, BoxButtons::Ok});
    std::exit(kSettingsFileUnreadableExitCode);
  }
}

void installScreenlessScripts() {
  setScriptWindowFactory(
      [] { return std::make_unique<ScreenlessScriptWindow>(ScreenlessScriptWindow::writeToStandardError()); });
  setSettingsScriptRunner(runStartupSettingsScript);
}

}  // namespace kelmo
