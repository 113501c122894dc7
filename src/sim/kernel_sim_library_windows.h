#pragma once
// The simulated module library inside the program on Windows: the simulated E-154 of
// SimLibrary, each module handed out with its reads completed through the kernel.
// Windows only.
#include <memory>
#include <mutex>
#include <vector>

#include "acquisition/module_library.h"
#include "sim/kernel_sim_module_windows.h"
#include "sim/sim_library.h"

namespace kelmo::sim {

class KernelSimLibrary final : public ModuleLibrary {
 public:
  explicit KernelSimLibrary(SimConfig config = {}) : sim_(std::move(config)) {}
  ~KernelSimLibrary() override;

  DWORD GetDllVersion() override { return sim_.GetDllVersion(); }
  // A new module for "e154"; none for any other name, when no interface is configured, or
  // when its reads cannot be set up.
  ILE154* CreateLInstance(const char* deviceName) override;

  const SimConfig& config() const { return sim_.config(); }

 private:
  SimLibrary sim_;  // outlives the modules below: they wrap its modules
  std::mutex mutex_;
  std::vector<std::unique_ptr<KernelSimModule>> modules_;
};

}  // namespace kelmo::sim
