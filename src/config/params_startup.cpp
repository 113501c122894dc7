// The global parameter object, its start-up with the settings script, and its shutdown.
#include <atomic>
#include <exception>
#include <memory>
#include <stdexcept>
#include <utility>

#include "config/kelmo_params.h"
#include "platform/debug_output.h"
#include "platform/message_box.h"

namespace kelmo {
namespace {

// Owned here; workers read the pointer, so it is published atomically.
std::unique_ptr<tKELMO_Params> globalParamsOwner;
std::atomic<tKELMO_Params*> globalParams{nullptr};
SettingsScriptRunner settingsScriptRunner;

}  // namespace

std::string SettingsFileName = "kelmo.ini";

tKELMO_Params& kelmo_params() {
  tKELMO_Params* params = globalParams.load(std::memory_order_acquire);
  if (params == nullptr) throw std::logic_error("kelmo_params: the parameter object has not been created");
  return *params;
}

void createGlobalParams() {
  auto fresh = std::make_unique<tKELMO_Params>(nullptr);
  globalParams.store(fresh.get(), std::memory_order_release);
  globalParamsOwner = std::move(fresh);  // destroys any earlier object
}

void destroyGlobalParams() {
  globalParams.store(nullptr, std::memory_order_release);
  globalParamsOwner.reset();
}

void setSettingsScriptRunner(SettingsScriptRunner runner) { settingsScriptRunner = std::move(runner); }

bool initialiseParameters() {
  createGlobalParams();
  // Until the script layer installs its runner, the built-in defaults stand.
  if (!settingsScriptRunner) return true;
  bool succeeded = false;
  try {
    succeeded = settingsScriptRunner(SettingsFileName);
  } catch (const std::exception& e) {
    // An unreadable settings file ends the start-up like a failed script.
    debugOutput(std::string("Settings script '") + SettingsFileName + "' failed: " + e.what());
  }
  if (succeeded) return true;
  showMessageBox({"Error", "Не удалось инициализировать параметры программы", BoxIcon::Error, BoxButtons::Ok});
  return false;
}

}  // namespace kelmo
