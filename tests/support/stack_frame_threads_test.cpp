#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "support/stack_frame.h"

namespace kelmo {
namespace {

TEST(StackFrameThreads, ANewThreadStartsWithoutAFrameWhileAnotherHasOne) {
  ScopeHandle scope = enterScope();
  TStackFrame* seenInThread = &scope.readSelf();
  bool refused = false;
  std::thread other([&] {
    seenInThread = currentFrame();
    try {
      registerFinalizer([] {});
    } catch (const NoScopeError&) {
      refused = true;
    }
  });
  other.join();
  EXPECT_EQ(seenInThread, nullptr);
  EXPECT_TRUE(refused);
  EXPECT_EQ(currentFrame(), &scope.readSelf()) << "the other thread left this thread's chain alone";
  EXPECT_EQ(scope.readSelf().ownedCount(), 0);
}

// Each worker holds the shared lock through a scope for every increment, as the
// test-state accessors do; every thread keeps its own chain of frames.
TEST(StackFrameThreads, ScopedLocksOnSeveralThreadsKeepTheirOwnChains) {
  std::mutex lock;
  int guarded = 0;
  std::atomic<int> misplaced{0};
  constexpr int kThreads = 4;
  constexpr int kRounds = 2000;
  auto worker = [&] {
    ScopeHandle outer = enterScope();
    TStackFrame* outerFrame = &outer.readSelf();
    for (int i = 0; i < kRounds; ++i) {
      ScopeHandle scope = enterScope();
      if (scope.readSelf().previousFrame() != outerFrame) ++misplaced;
      lock.lock();
      registerFinalizer([&lock] { lock.unlock(); });
      ++guarded;
    }
    if (currentFrame() != outerFrame) ++misplaced;
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) threads.emplace_back(worker);
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(guarded, kThreads * kRounds);
  EXPECT_EQ(misplaced.load(), 0);
}

}  // namespace
}  // namespace kelmo
