#pragma once
// The library the module is reached through: its two entry points. The built-in simulator
// by default; KELMO_MODULE_LIBRARY chooses another at start-up.
#include <memory>
#include <string>

#include "acquisition/e154_interface.h"

namespace kelmo {

class ModuleLibrary {
 public:
  virtual ~ModuleLibrary() = default;
  // Major version in the high 16 bits, minor in the low 16.
  virtual DWORD GetDllVersion() = 0;
  // The interface for the given device name ("e154"), or null.
  virtual ILE154* CreateLInstance(const char* deviceName) = 0;
};

// The library in use, or null while none is set; set once at start-up (tests set their
// own). Replacing a library ends the interfaces it gave out: release pModule first.
std::shared_ptr<ModuleLibrary> moduleLibrary();
void setModuleLibrary(std::shared_ptr<ModuleLibrary> library);

}  // namespace kelmo
