#include "app/module_library_choice.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "sim/sim_library.h"

namespace kelmo {
namespace {

using sim::SimLibrary;

class EnvironmentTest : public ::testing::Test {
 protected:
  void TearDown() override {
    unsetenv("KELMO_MODULE_LIBRARY");
    unsetenv("KELMO_SIM");
    unsetenv("KELMO_SIM_LOCK_DIR");
    if (savedRuntimeDir_) {
      setenv("XDG_RUNTIME_DIR", savedRuntimeDir_->c_str(), 1);
    } else {
      unsetenv("XDG_RUNTIME_DIR");
    }
  }
  std::optional<std::string> savedRuntimeDir_ =
      std::getenv("XDG_RUNTIME_DIR") ? std::optional<std::string>(std::getenv("XDG_RUNTIME_DIR")) : std::nullopt;
};

TEST_F(EnvironmentTest, SimulatorIsTheDefaultAndReadsKelmoSim) {
  std::string error;
  unsetenv("KELMO_MODULE_LIBRARY");
  unsetenv("KELMO_SIM");
  auto library = chooseModuleLibraryFromEnvironment(error);
  ASSERT_NE(library, nullptr) << error;
  EXPECT_EQ(library->GetDllVersion(), 0x00030004u);

  setenv("KELMO_MODULE_LIBRARY", "sim", 1);
  setenv("KELMO_SIM", "version=4.4;slot=9", 1);
  library = chooseModuleLibraryFromEnvironment(error);
  ASSERT_NE(library, nullptr) << error;
  EXPECT_EQ(library->GetDllVersion(), 0x00040004u);
  auto* sim = dynamic_cast<SimLibrary*>(library.get());
  ASSERT_NE(sim, nullptr);
  EXPECT_EQ(sim->config().slot, 9);
}

TEST_F(EnvironmentTest, OtherLibraryOrBadKelmoSimIsRefusedWithAMessage) {
  std::string error;
  setenv("KELMO_MODULE_LIBRARY", "Lusbapi", 1);
  EXPECT_EQ(chooseModuleLibraryFromEnvironment(error), nullptr);
  EXPECT_NE(error.find("KELMO_MODULE_LIBRARY=Lusbapi"), std::string::npos) << error;

  error.clear();
  setenv("KELMO_MODULE_LIBRARY", "sim", 1);
  setenv("KELMO_SIM", "slot=3;fail=NoSuchCall", 1);
  EXPECT_EQ(chooseModuleLibraryFromEnvironment(error), nullptr);
  EXPECT_NE(error.find("KELMO_SIM"), std::string::npos) << error;
  EXPECT_NE(error.find("\"fail=NoSuchCall\""), std::string::npos) << error;
}

TEST_F(EnvironmentTest, TheSimulatedSlotsAreClaimedInTheUsersRuntimeFolder) {
  struct Case {
    const char* lockDir;
    const char* runtimeDir;
    std::string expected;
  };
  const Case cases[] = {
      {"/x/locks", "/run/user/1000", "/x/locks"},
      {nullptr, "/run/user/1000", "/run/user/1000"},
      {"", "/run/user/1000", "/run/user/1000"},
      {nullptr, nullptr, "/tmp"},
  };
  for (const Case& c : cases) {
    c.lockDir ? setenv("KELMO_SIM_LOCK_DIR", c.lockDir, 1) : unsetenv("KELMO_SIM_LOCK_DIR");
    c.runtimeDir ? setenv("XDG_RUNTIME_DIR", c.runtimeDir, 1) : unsetenv("XDG_RUNTIME_DIR");
    std::string error;
    auto library = std::dynamic_pointer_cast<SimLibrary>(chooseModuleLibraryFromEnvironment(error));
    ASSERT_NE(library, nullptr) << error;
    EXPECT_EQ(library->config().slotLockDir, c.expected);
  }
}

}  // namespace
}  // namespace kelmo
