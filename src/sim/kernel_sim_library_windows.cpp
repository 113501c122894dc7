#include "sim/kernel_sim_library_windows.h"

namespace kelmo::sim {

KernelSimLibrary::~KernelSimLibrary() {
  // Each module's reads let go of their blocks before the simulated modules go.
  std::lock_guard lock(mutex_);
  modules_.clear();
}

ILE154* KernelSimLibrary::CreateLInstance(const char* deviceName) {
  auto* sim = static_cast<SimModule*>(sim_.CreateLInstance(deviceName));
  if (sim == nullptr) return nullptr;
  std::unique_ptr<KernelSimModule> module = KernelSimModule::create(*sim);
  if (!module) return nullptr;
  std::lock_guard lock(mutex_);
  modules_.push_back(std::move(module));
  return modules_.back().get();
}

}  // namespace kelmo::sim
