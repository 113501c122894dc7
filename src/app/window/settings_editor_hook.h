#pragma once
// F3 and the settings button open the settings script window. The script layer installs
// the function that does it; the main window only calls through this hook.
#include <functional>
#include <string>

namespace kelmo {

using SettingsEditor = std::function<void(const std::string& fileName)>;

// Installs the editor; returns the previous one.
SettingsEditor setSettingsEditor(SettingsEditor editor);
// Opens the settings script window on fileName; false when no editor is installed.
bool openSettingsEditor(const std::string& fileName);

}  // namespace kelmo
