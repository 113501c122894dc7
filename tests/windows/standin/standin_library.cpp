// The stand-in module library: the two entry points of the module library, carrying the
// simulated E-154 configured by KELMO_SIM (as the program's own simulator reads it).
// For tests only.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sim/sim_library.h"
#include "standin_module.h"

namespace {

struct Library {
  explicit Library(kelmo::sim::SimConfig config) : sim(std::move(config)) {}
  kelmo::sim::SimLibrary sim;
  std::mutex mutex;
  std::vector<std::unique_ptr<standin::StandInModule>> modules;
};

// Made at the first call and never destroyed: the library stays loaded until the process
// ends (it pins itself), so no module thread can outlive its code, and nothing has to
// be joined while the loader lock is held.
const char anchor = 0;  // an address inside this library

Library& library() {
  static Library* instance = [] {
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&anchor), &self);
    kelmo::sim::SimConfig config;
    if (const char* text = std::getenv("KELMO_SIM")) {
      std::string problem;
      if (!kelmo::sim::parseSimConfig(text, config, problem)) {
        // Version 0 makes any program refuse the library.
        std::fprintf(stderr, "stand-in module library: KELMO_SIM: %s\n", problem.c_str());
        config = kelmo::sim::SimConfig{};
        config.version = 0;
      }
    }
    return new Library(std::move(config));
  }();
  return *instance;
}

}  // namespace

extern "C" __declspec(dllexport) DWORD WINAPI GetDllVersion() { return library().sim.GetDllVersion(); }

extern "C" __declspec(dllexport) void* WINAPI CreateLInstance(const char* deviceName) {
  Library& lib = library();
  auto* sim = static_cast<kelmo::sim::SimModule*>(lib.sim.CreateLInstance(deviceName));
  if (sim == nullptr) return nullptr;
  std::unique_ptr<standin::StandInModule> module = standin::StandInModule::create(*sim);
  if (!module) return nullptr;
  std::lock_guard lock(lib.mutex);
  lib.modules.push_back(std::move(module));
  // The interface is the object itself: its first word points to the slot table.
  return static_cast<standin::E154Slots*>(lib.modules.back().get());
}
