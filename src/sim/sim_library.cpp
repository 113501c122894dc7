#include "sim/sim_library.h"

#include <cstring>

#include "platform/program_environment.h"

#ifdef _WIN32
#include "acquisition/vendor_library_windows.h"
#endif

namespace kelmo::sim {

SimLibrary::SimLibrary(SimConfig config)
    : config_(std::make_shared<const SimConfig>(std::move(config))),
      ledger_(std::make_shared<OperationLedger>(config_->faults)) {}

SimLibrary::~SimLibrary() = default;

DWORD SimLibrary::GetDllVersion() { return config_->version; }

ILE154* SimLibrary::CreateLInstance(const char* deviceName) {
  if (!config_->interfaceAvailable || deviceName == nullptr || std::strcmp(deviceName, "e154") != 0)
    return nullptr;
  std::lock_guard lock(mutex_);
  modules_.push_back(std::make_unique<SimModule>(config_, ledger_));
  return modules_.back().get();
}

SimModule* SimLibrary::lastModule() {
  std::lock_guard lock(mutex_);
  return modules_.empty() ? nullptr : modules_.back().get();
}

std::size_t SimLibrary::modulesCreated() {
  std::lock_guard lock(mutex_);
  return modules_.size();
}

SimModule* simModuleOf(ILE154* module) { return dynamic_cast<SimModule*>(module); }

std::shared_ptr<ModuleLibrary> chooseModuleLibraryFromEnvironment(std::string& error) {
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
  SimConfig config;
  if (const std::optional<std::string> text = environmentVariable("KELMO_SIM")) {
    std::string problem;
    if (!parseSimConfig(*text, config, problem)) {
      error = "KELMO_SIM: " + problem;
      return nullptr;
    }
  }
  return std::make_shared<SimLibrary>(std::move(config));
#endif
}

}  // namespace kelmo::sim
