#include "app/window/settings_editor_hook.h"

#include <utility>

namespace kelmo {

namespace {
SettingsEditor& installedEditor() {
  static SettingsEditor editor;
  return editor;
}
}  // namespace

SettingsEditor setSettingsEditor(SettingsEditor editor) {
  return std::exchange(installedEditor(), std::move(editor));
}

bool openSettingsEditor(const std::string& fileName) {
  // Copied so that an editor that installs another one while it runs stays alive.
  const SettingsEditor editor = installedEditor();
  if (!editor) return false;
  editor(fileName);
  return true;
}

}  // namespace kelmo
