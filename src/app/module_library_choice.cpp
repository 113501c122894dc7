#include "app/module_library_choice.h"

#include <cstdio>

#include "platform/console_text.h"
#include "platform/program_environment.h"

#ifdef _WIN32
#include "acquisition/vendor_library_windows.h"
#else
#include "sim/sim_library.h"
#endif

namespace kelmo {

namespace {

#ifndef _WIN32
// Where the simulated slots are claimed: one folder for every program of this user.
std::string simSlotLockDir() {
  for (const char* name : {"KELMO_SIM_LOCK_DIR", "XDG_RUNTIME_DIR"}) {
    const std::string dir = environmentVariable(name).value_or("");
    if (!dir.empty()) return dir;
  }
  return "/tmp";
}
#endif

}  // namespace

std::shared_ptr<ModuleLibrary> chooseModuleLibraryFromEnvironment(std::string& error) {
  // Read as UTF-16 on Windows: the library's path may name a Russian folder.
  const std::string choice = environmentVariable("KELMO_MODULE_LIBRARY").value_or("");
#ifdef _WIN32
  const std::string file = !choice.empty() ? choice : kVendorLibraryFileName;
  if (file == "sim") {
    error = "KELMO_MODULE_LIBRARY=sim: the simulated module runs inside the program only off Windows; "
            "give the path of a module library";
    return nullptr;
  }
  return loadVendorLibrary(file, error);
#else
  if (!choice.empty() && choice != "sim") {
    error = "KELMO_MODULE_LIBRARY=" + choice +
            ": no such module library; the only one available here is \"sim\", the simulated module";
    return nullptr;
  }
  sim::SimConfig config;
  config.slotLockDir = simSlotLockDir();
  if (const std::optional<std::string> text = environmentVariable("KELMO_SIM")) {
    std::string problem;
    if (!sim::parseSimConfig(*text, config, problem)) {
      error = "KELMO_SIM: " + problem;
      return nullptr;
    }
  }
  return std::make_shared<sim::SimLibrary>(std::move(config));
#endif
}

bool chooseModuleLibraryAtStartup() {
  std::string error;
  std::shared_ptr<ModuleLibrary> library = chooseModuleLibraryFromEnvironment(error);
  if (!library) {
    writeConsoleLine(stderr, "kelmo: " + error);
    return false;
  }
  setModuleLibrary(std::move(library));
  return true;
}

}  // namespace kelmo
