#include "app/module_io.h"

#include <string>

#include "acquisition/init_module.h"
#include "acquisition/module_globals.h"
#include "acquisition/module_library.h"
#include "acquisition/run_state.h"
#include "app/run_script_file.h"
#include "support/stack_frame.h"

namespace kelmo {

namespace {

// The line goes to the window that runs the script; with none it has nowhere to show.
void writeToScripter(const std::string& line) {
  if (fmScripter != nullptr) fmScripter->writeLn(line);
}

// Calls op(module) under ModuleLock; false without a module interface, and with no module
// library at all the pane says why.
template <class Operation>
bool callModule(Operation op) {
  const ScopeHandle scope = enterScope();
  lockModuleForScope();
  if (pModule == nullptr) {
    if (!moduleLibrary()) writeToScripter(kNoModuleLibrary);
    return false;
  }
  return op(*pModule) != 0;
}

}  // namespace

bool pModule_ENABLE_TTL_OUT(bool value) {
  return callModule([value](ILE154& module) { return module.ENABLE_TTL_OUT(value ? kModuleTrue : 0); });
}

bool pModule_TTL_OUT(std::uint16_t value) {
  return callModule([value](ILE154& module) { return module.TTL_OUT(value); });
}

bool pModule_TTL_IN(std::uint16_t& value) {
  WORD word = 0;
  const bool ok = callModule([&word](ILE154& module) { return module.TTL_IN(&word); });
  if (ok) value = word;
  return ok;
}

bool pModule_init_e154() {
  // Only the main thread leaves idle (F9), and scripts run on it: no run can start between
  // this test and the initialisation.
  if (getTestState() != TestIdle) {
    writeToScripter(kTestAlreadyRunning);
    return false;
  }
  std::string errorText;
  bool ok = false;
  {
    const ScopeHandle scope = enterScope();
    lockModuleForScope();
    ok = initModule(writeToScripter, errorText);
  }
  if (!ok) writeToScripter(errorText);
  return ok;
}

}  // namespace kelmo
