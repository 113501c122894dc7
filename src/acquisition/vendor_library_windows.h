#pragma once
// The module vendor's library as a DLL: its two entry points looked up by name, the
// interface it hands out used through ILE154. Windows only.
#include <memory>
#include <string>

#include "acquisition/module_library.h"

namespace kelmo {

// The file name the vendor installs the library under.
inline constexpr const char* kVendorLibraryFileName = "Lusbapi.dll";

// Why a library was not loaded, for the advice that goes with the message.
enum class VendorLibraryLoadFailure {
  None,               // loaded, or loaded but lacking an entry point
  NotLoaded,          // not found, or the system refused it
  OtherArchitecture,  // a DLL for another processor (a 32-bit one in a 64-bit program)
};

// Loads the library from a path or a bare file name (found along the Windows DLL search
// path). Null, with the reason in error, when it cannot be loaded or lacks an entry point.
// The DLL stays loaded as long as the returned library lives.
std::shared_ptr<ModuleLibrary> loadVendorLibrary(const std::string& fileName, std::string& error,
                                                 VendorLibraryLoadFailure* failure = nullptr);

}  // namespace kelmo
