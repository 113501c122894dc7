#include "app/module_library_choice.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/console_text.h"
#include "platform/file_path.h"
#include "platform/program_environment.h"

#ifdef _WIN32
#include "acquisition/vendor_library_windows.h"
#include "sim/kernel_sim_library_windows.h"
#else
#include "sim/sim_library.h"
#endif

namespace kelmo {

namespace {

constexpr const char* kSimulatedModuleChoice = "sim";

#ifdef _WIN32
// Said whenever the module library cannot be loaded: the program still runs without it.
constexpr const char* kSimulatedModuleHint =
    "To run kelmo on its simulated module instead, set KELMO_MODULE_LIBRARY=sim: in a command prompt\n"
    "  set KELMO_MODULE_LIBRARY=sim\n"
    "  kelmo\n"
    "or start kelmo-sim.cmd in kelmo's folder.";

#ifdef _WIN64
constexpr const char* kProgramArchitecture = "64-bit, x86_64";
#else
constexpr const char* kProgramArchitecture = "32-bit, i686";
#endif
#endif

// Where the simulated slots are claimed: one folder for every program of this user.
std::string simSlotLockDir() {
#ifdef _WIN32
  const char* const names[] = {"KELMO_SIM_LOCK_DIR"};
#else
  const char* const names[] = {"KELMO_SIM_LOCK_DIR", "XDG_RUNTIME_DIR"};
#endif
  for (const char* name : names) {
    const std::string dir = environmentVariable(name).value_or("");
    if (!dir.empty()) return dir;
  }
#ifdef _WIN32
  // The user's temporary folder (%TEMP%).
  std::error_code failed;
  const std::filesystem::path temp = std::filesystem::temp_directory_path(failed);
  if (!failed) return fileNameText(temp);
#endif
  return "/tmp";
}

std::shared_ptr<ModuleLibrary> simulatedModule(std::string& error) {
  sim::SimConfig config;
  config.slotLockDir = simSlotLockDir();
  if (const std::optional<std::string> text = environmentVariable("KELMO_SIM")) {
    std::string problem;
    if (!sim::parseSimConfig(*text, config, problem)) {
      error = "KELMO_SIM: " + problem;
      return nullptr;
    }
  }
#ifdef _WIN32
  return std::make_shared<sim::KernelSimLibrary>(std::move(config));
#else
  return std::make_shared<sim::SimLibrary>(std::move(config));
#endif
}

}  // namespace

std::shared_ptr<ModuleLibrary> chooseModuleLibraryFromEnvironment(std::string& error) {
  // Read as UTF-16 on Windows: the library's path may name a Russian folder.
  const std::string choice = environmentVariable("KELMO_MODULE_LIBRARY").value_or("");
#ifdef _WIN32
  if (choice == kSimulatedModuleChoice) return simulatedModule(error);
  const std::string file = !choice.empty() ? choice : kVendorLibraryFileName;
  VendorLibraryLoadFailure failure = VendorLibraryLoadFailure::None;
  std::shared_ptr<ModuleLibrary> library = loadVendorLibrary(file, error, &failure);
  if (failure == VendorLibraryLoadFailure::OtherArchitecture) {
    error += "\n\"" + file + "\" is a library for another processor architecture than this kelmo's (" +
             std::string(kProgramArchitecture) + "): take the kelmo package built for the library's";
  }
  if (failure != VendorLibraryLoadFailure::None) error += std::string("\n") + kSimulatedModuleHint;
  return library;
#else
  if (!choice.empty() && choice != kSimulatedModuleChoice) {
    error = "KELMO_MODULE_LIBRARY=" + choice +
            ": no such module library; the only one available here is \"sim\", the simulated module";
    return nullptr;
  }
  return simulatedModule(error);
#endif
}

bool chooseModuleLibraryAtStartup(std::string* written) {
  std::string error;
  std::shared_ptr<ModuleLibrary> library = chooseModuleLibraryFromEnvironment(error);
  if (!library) {
    writeConsoleLine(stderr, "kelmo: " + error);
    if (written != nullptr) *written = "kelmo: " + error;
    return false;
  }
  setModuleLibrary(std::move(library));
  return true;
}

}  // namespace kelmo
