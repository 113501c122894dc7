#include "platform/auto_reset_event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/os_thread.h"

namespace kelmo {
namespace {

using namespace std::chrono_literals;

TEST(AutoResetEvent, ASetWakesOneWaitAndResets) {
  AutoResetEvent e;
  EXPECT_FALSE(e.waitFor(0ms));
  e.set();
  EXPECT_TRUE(e.waitFor(0ms));
  EXPECT_FALSE(e.waitFor(10ms));  // reset by the successful wait
  AutoResetEvent born(true);
  EXPECT_TRUE(born.waitFor(0ms));
}

TEST(AutoResetEvent, WaitAnyPrefersTheLowerIndexAndLeavesTheOtherSet) {
  AutoResetEvent in, out;
  in.set();
  out.set();
  EXPECT_EQ(AutoResetEvent::waitAny(in, out), 0);
  EXPECT_EQ(AutoResetEvent::waitAny(in, out), 1);
  EXPECT_EQ(AutoResetEvent::waitAny(in, out, 20ms), -1);
}

TEST(AutoResetEvent, WaitAnyWakesWhenAnotherThreadSetsEitherEvent) {
  AutoResetEvent first, second;
  for (int round = 0; round < 50; ++round) {
    AutoResetEvent& target = round % 2 ? first : second;
    std::thread setter([&] { target.set(); });
    const int got = AutoResetEvent::waitAny(first, second, 5000ms);
    setter.join();
    EXPECT_EQ(got, round % 2 ? 0 : 1);
  }
}

TEST(OsThread, RunsTheBodyOnASmallStackAndJoins) {
  std::atomic<int> ran{0};
  OsThread t;
  ASSERT_TRUE(t.start([&] { ran = 1; }, 8192, "TinyStackWorker"));
  t.join();
  EXPECT_EQ(ran.load(), 1);
  EXPECT_FALSE(t.joinable());
}

TEST(OsThread, DestructionJoins) {
  std::atomic<bool> done{false};
  {
    OsThread t;
    ASSERT_TRUE(t.start([&] {
      std::this_thread::sleep_for(20ms);
      done = true;
    }));
  }
  EXPECT_TRUE(done.load());
}

}  // namespace
}  // namespace kelmo
