#include "app/module_library_choice.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "sim/sim_library.h"

namespace kelmo {
namespace {

using sim::SimLibrary;

class EnvironmentTest : public ::testing::Test {
 protected:
  void TearDown() override {
    unsetenv("KELMO_MODULE_LIBRARY");
    unsetenv("KELMO_SIM");
  }
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

}  // namespace
}  // namespace kelmo
