#pragma once
// The simulated module library: the two entry points, the modules it has handed out and
// the calls they have seen.
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "acquisition/module_library.h"
#include "sim/operation_ledger.h"
#include "sim/sim_config.h"
#include "sim/sim_module.h"

namespace kelmo::sim {

class SimLibrary final : public ModuleLibrary {
 public:
  explicit SimLibrary(SimConfig config = {});
  ~SimLibrary() override;  // stops every module's stream

  DWORD GetDllVersion() override;
  // A new module for "e154"; none for any other name or when no interface is configured.
  ILE154* CreateLInstance(const char* deviceName) override;

  const SimConfig& config() const { return *config_; }
  // Calls of an operation across every module of this library.
  std::uint64_t calls(Operation op) const { return ledger_->calls(op); }
  // The module created last, or null. Modules live as long as the library.
  SimModule* lastModule();
  std::size_t modulesCreated();

 private:
  std::shared_ptr<const SimConfig> config_;
  std::shared_ptr<OperationLedger> ledger_;
  std::mutex mutex_;
  std::vector<std::unique_ptr<SimModule>> modules_;
};

// The simulated module behind an interface (on Windows also behind its kernel-completed
// reads), or null when it is another module.
SimModule* simModuleOf(ILE154* module);

}  // namespace kelmo::sim
