// One program per simulated slot: a module claims its slot in a lock folder shared by the
// programs of a machine; the claim ends with close, release or the holder's death.
#include "sim/slot_claim.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "sim/sim_library.h"

namespace kelmo::sim {
namespace {

namespace fs = std::filesystem;

class SlotClaimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A folder of this test's own: tests running in parallel do not meet in it.
    dir_ = fs::temp_directory_path() / ("kelmo_slots_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // A library as another program would have it: its own modules, the shared folder.
  std::unique_ptr<SimLibrary> program(int slot = 0) const {
    SimConfig config;
    config.slot = slot;
    config.latency = std::chrono::microseconds(0);
    config.slotLockDir = (dir_ / "locks").string();  // made on first use
    return std::make_unique<SimLibrary>(config);
  }

  fs::path dir_;
};

TEST_F(SlotClaimTest, ASecondProgramFindsTheSlotBusyUntilTheFirstLetsGo) {
  auto first = program();
  auto second = program();
  ILE154* a = first->CreateLInstance("e154");
  ILE154* b = second->CreateLInstance("e154");
  ASSERT_TRUE(a->OpenLDevice(0));
  EXPECT_FALSE(b->OpenLDevice(0));

  ASSERT_TRUE(a->CloseLDevice());
  EXPECT_TRUE(b->OpenLDevice(0));
  EXPECT_FALSE(a->OpenLDevice(0));

  ASSERT_TRUE(b->ReleaseLInstance());
  EXPECT_TRUE(a->OpenLDevice(0));
  a->ReleaseLInstance();
}

TEST_F(SlotClaimTest, OtherSlotsAreNotTaken) {
  auto first = program(0);
  auto second = program(1);
  ILE154* a = first->CreateLInstance("e154");
  ILE154* b = second->CreateLInstance("e154");
  EXPECT_TRUE(a->OpenLDevice(0));
  EXPECT_TRUE(b->OpenLDevice(1));
  a->ReleaseLInstance();
  b->ReleaseLInstance();
}

TEST_F(SlotClaimTest, WithoutAFolderEveryModuleHasTheSlot) {
  SimConfig config;
  config.latency = std::chrono::microseconds(0);
  SimLibrary one(config);
  SimLibrary other(config);
  EXPECT_TRUE(one.CreateLInstance("e154")->OpenLDevice(0));
  EXPECT_TRUE(other.CreateLInstance("e154")->OpenLDevice(0));
}

TEST_F(SlotClaimTest, AKilledHolderFreesTheSlot) {
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    auto holder = program();
    const char opened = holder->CreateLInstance("e154")->OpenLDevice(0) ? 'y' : 'n';
    (void)!::write(ready[1], &opened, 1);
    for (;;) ::pause();  // until killed, with the slot open
  }
  ::close(ready[1]);
  char opened = 0;
  ASSERT_EQ(::read(ready[0], &opened, 1), 1);
  ::close(ready[0]);
  ASSERT_EQ(opened, 'y');

  auto mine = program();
  ILE154* module = mine->CreateLInstance("e154");
  EXPECT_FALSE(module->OpenLDevice(0));

  ::kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_TRUE(module->OpenLDevice(0));
  module->ReleaseLInstance();
}

}  // namespace
}  // namespace kelmo::sim
