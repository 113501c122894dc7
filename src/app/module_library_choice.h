#pragma once
// The module library the program uses, chosen once at start-up from the environment,
// before the settings script runs (a script may initialise the module).
#include <memory>
#include <string>

#include "acquisition/module_library.h"

namespace kelmo {

// KELMO_MODULE_LIBRARY unset, empty or "sim" gives the simulator configured by KELMO_SIM,
// whose virtual slots are claimed against other programs through lock files in
// KELMO_SIM_LOCK_DIR ($XDG_RUNTIME_DIR, or /tmp, when unset). Any other choice, or a
// malformed KELMO_SIM, gives null and a message naming the value in error.
// On Windows KELMO_MODULE_LIBRARY is the path or file name of the module library, the
// vendor's file name when unset or empty, or "sim" for the simulator, whose reads complete
// through the kernel there as the vendor's do; its slots are claimed in KELMO_SIM_LOCK_DIR,
// or the user's temporary folder. A library that cannot be loaded gives a message that
// also says how to start on the simulator.
std::shared_ptr<ModuleLibrary> chooseModuleLibraryFromEnvironment(std::string& error);

// Puts the environment's choice in use. On a bad choice writes "kelmo: " and the
// message to standard error (and into *written when given) and returns false: the program
// ends with kBadModuleLibraryExitCode.
bool chooseModuleLibraryAtStartup(std::string* written = nullptr);

inline constexpr int kBadModuleLibraryExitCode = 2;

}  // namespace kelmo
