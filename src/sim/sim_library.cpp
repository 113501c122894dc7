#include "sim/sim_library.h"

#include <cstring>

#ifdef _WIN32
#include "sim/kernel_sim_module_windows.h"
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

SimModule* simModuleOf(ILE154* module) {
  if (auto* sim = dynamic_cast<SimModule*>(module)) return sim;
#ifdef _WIN32
  if (auto* kernel = dynamic_cast<KernelSimModule*>(module)) return &kernel->sim();
#endif
  return nullptr;
}

}  // namespace kelmo::sim
