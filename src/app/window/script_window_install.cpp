#include "app/window/script_window_install.h"

#include <QWidget>
#include <memory>

#include "app/run_script_file.h"
#include "app/script_startup.h"
#include "app/window/script_window.h"
#include "app/window/settings_editor_hook.h"
#include "config/kelmo_params.h"
#include "platform/log_msg.h"

namespace kelmo {

void installScriptWindow() {
  setScriptWindowFactory([] {
    // Owned by the main window when one exists (there is none at start-up).
    auto* mainWindow = dynamic_cast<QWidget*>(registeredMainWindow());
    return std::make_unique<TfmScripter>(mainWindow);
  });
  setSettingsEditor(editSettingsScript);
  setSettingsScriptRunner(runStartupSettingsScript);
}

}  // namespace kelmo
