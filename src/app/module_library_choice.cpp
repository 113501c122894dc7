#include "app/module_library_choice.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

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
    const char* dir = std::getenv(name);
    if (dir != nullptr && *dir != '\0') return dir;
  }
  return "/tmp";
}
#endif

}  // namespace

std::shared_ptr<ModuleLibrary> chooseModuleLibraryFromEnvironment(std::string& error) {
  const char* choice = std::getenv("KELMO_MODULE_LIBRARY");
#ifdef _WIN32
  const std::string file = choice != nullptr && *choice != '\0' ? choice : kVendorLibraryFileName;
  if (file == "sim") {
    error = "KELMO_MODULE_LIBRARY=sim: the simulated module runs inside the program only off Windows; "
            "give the path of a module library";
    return nullptr;
  }
  return loadVendorLibrary(file, error);
#else
  if (choice != nullptr && *choice != '\0' && std::strcmp(choice, "sim") != 0) {
    error = std::string("KELMO_MODULE_LIBRARY=") + choice +
            ": no such module library; the only one available here is \"sim\", the simulated module";
    return nullptr;
  }
  sim::SimConfig config;
  config.slotLockDir = simSlotLockDir();
  if (const char* text = std::getenv("KELMO_SIM")) {
    std::string problem;
    if (!sim::parseSimConfig(text, config, problem)) {
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
    std::fprintf(stderr, "kelmo: %s\n", error.c_str());
    return false;
  }
  setModuleLibrary(std::move(library));
  return true;
}

}  // namespace kelmo
