// A script's module call waits while a worker holds ModuleLock, so the two never interleave.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "acquisition/init_module.h"
#include "acquisition/module_globals.h"
#include "acquisition/module_library.h"
#include "acquisition/run_state.h"
#include "app/module_io.h"
#include "config/kelmo_params.h"
#include "sim/sim_library.h"

namespace kelmo {
namespace {

TEST(ScriptModuleLock, DigitalIoCallsWaitForTheLock) {
  createGlobalParams();
  resetRunState();
  auto library = std::make_shared<sim::SimLibrary>();
  setModuleLibrary(library);
  std::string error;
  ASSERT_TRUE(initModule([](const std::string&) {}, error)) << error;

  struct Call {
    const char* name;
    sim::Operation op;
    std::function<bool()> call;
  };
  const Call calls[] = {
      {"TTL_OUT", sim::Operation::TTL_OUT, [] { return pModule_TTL_OUT(5); }},
      {"TTL_IN", sim::Operation::TTL_IN, [] { WORD w = 0; return pModule_TTL_IN(w); }},
      {"ENABLE_TTL_OUT", sim::Operation::ENABLE_TTL_OUT, [] { return pModule_ENABLE_TTL_OUT(true); }},
  };
  for (const Call& c : calls) {
    const auto before = library->calls(c.op);
    lockModule();  // a worker in the middle of its module call
    std::atomic<bool> result{false};
    std::thread script([&] { result = c.call(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(library->calls(c.op), before) << c.name << " ran while the lock was held";
    unlockModule();
    script.join();
    EXPECT_TRUE(result) << c.name;
    EXPECT_EQ(library->calls(c.op), before + 1) << c.name;
  }

  pModule->ReleaseLInstance();
  pModule = nullptr;
  resetModuleGlobals();
}

}  // namespace
}  // namespace kelmo
