#include "support/stack_frame.h"

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/debug_output.h"

namespace kelmo {
namespace {

using Events = std::vector<std::string>;

// Records its own destruction.
class Tracked {
 public:
  Tracked(Events& events, std::string name) : events_(events), name_(std::move(name)) {}
  ~Tracked() { events_.push_back("~" + name_); }

 private:
  Events& events_;
  std::string name_;
};

TEST(StackFrame, EndsLastRegisteredFirstWhateverTheMix) {
  Events events;
  {
    ScopeHandle scope = enterScope();
    Tracked* a = registerObject(new Tracked(events, "A"));
    EXPECT_NE(a, nullptr);
    registerFinalizer([&] { events.push_back("F"); });
    registerObject(std::make_unique<Tracked>(events, "B"));
    EXPECT_TRUE(events.empty()) << "nothing happens before the scope ends";
  }
  EXPECT_EQ(events, (Events{"~B", "F", "~A"}));
}

TEST(StackFrame, RegisterObjectHandsBackTheSameObject) {
  Events events;
  ScopeHandle scope = enterScope();
  auto owned = std::make_unique<Tracked>(events, "X");
  Tracked* raw = owned.get();
  EXPECT_EQ(registerObject(std::move(owned)), raw);
}

TEST(StackFrame, CurrentFrameFollowsEnteringAndEnding) {
  ASSERT_EQ(currentFrame(), nullptr);
  {
    ScopeHandle outer = enterScope();
    TStackFrame* outerFrame = &outer.readSelf();
    EXPECT_EQ(currentFrame(), outerFrame);
    EXPECT_EQ(outerFrame->previousFrame(), nullptr);
    {
      ScopeHandle empty = enterScope();
      EXPECT_EQ(currentFrame(), &empty.readSelf());
      EXPECT_EQ(empty.readSelf().previousFrame(), outerFrame);
    }
    EXPECT_EQ(currentFrame(), outerFrame) << "an empty scope only reverts the current frame";
    EXPECT_EQ(outerFrame->ownedCount(), 0);
  }
  EXPECT_EQ(currentFrame(), nullptr);
}

TEST(StackFrame, NestedScopesHandleTheirOwnItemsAndTheOuterTakesLaterOnes) {
  Events events;
  {
    ScopeHandle outer = enterScope();
    registerFinalizer([&] { events.push_back("outer first"); });
    {
      ScopeHandle inner = enterScope();
      registerFinalizer([&] { events.push_back("inner"); });
    }
    EXPECT_EQ(events, (Events{"inner"}));
    registerFinalizer([&] { events.push_back("outer later"); });
    EXPECT_EQ(outer.readSelf().ownedCount(), 2);
  }
  EXPECT_EQ(events, (Events{"inner", "outer later", "outer first"}));
}

TEST(StackFrame, ACopiedHandleKeepsTheFrameUntilItGoesToo) {
  Events events;
  auto copy = std::make_unique<std::optional<ScopeHandle>>();
  {
    ScopeHandle scope = enterScope();
    registerFinalizer([&] { events.push_back("F"); });
    copy->emplace(scope);
  }
  EXPECT_TRUE(events.empty()) << "the copy still refers to the frame";
  copy->reset();
  EXPECT_EQ(events, (Events{"F"}));
  EXPECT_EQ(currentFrame(), nullptr);
}

// A routine that holds a lock for the rest of its body, as getTestState does.
int readUnderLock(std::mutex& lock, bool fail) {
  ScopeHandle scope = enterScope();
  lock.lock();
  registerFinalizer([&lock] { lock.unlock(); });
  if (fail) throw std::runtime_error("read failed");
  return 42;
}

TEST(StackFrame, TheLockIsLeftOnReturnAndOnTheErrorPath) {
  std::mutex lock;
  EXPECT_EQ(readUnderLock(lock, false), 42);
  ASSERT_TRUE(lock.try_lock()) << "left on return";
  lock.unlock();

  EXPECT_THROW(readUnderLock(lock, true), std::runtime_error);
  ASSERT_TRUE(lock.try_lock()) << "left on the error path";
  lock.unlock();
  EXPECT_EQ(currentFrame(), nullptr);
}

TEST(StackFrame, RegisteringWithoutAScopeIsRefusedAndLeaksNothing) {
  ASSERT_EQ(currentFrame(), nullptr);
  Events events;
  EXPECT_THROW(registerObject(new Tracked(events, "orphan")), NoScopeError);
  EXPECT_EQ(events, (Events{"~orphan"})) << "the refused object is destroyed at once";

  bool ran = false;
  EXPECT_THROW(registerFinalizer([&] { ran = true; }), NoScopeError);
  EXPECT_FALSE(ran) << "a refused finalizer never runs";
}

TEST(StackFrame, AFailingItemDoesNotStopTheOthersAndIsRaisedAtTheEnd) {
  Events events;
  auto failingScope = [&] {
    ScopeHandle scope = enterScope();
    registerObject(new Tracked(events, "A"));
    registerFinalizer([] { throw std::runtime_error("finalizer failed"); });
    registerFinalizer([&] { events.push_back("F"); });
  };
  try {
    failingScope();
    ADD_FAILURE() << "the failure was swallowed";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "finalizer failed");
  }
  EXPECT_EQ(events, (Events{"F", "~A"}));
  EXPECT_EQ(currentFrame(), nullptr);
}

TEST(StackFrame, AFailingItemDuringAnErrorGoesToTheDebugOutput) {
  std::vector<std::string> debug;
  captureDebugOutput([&](const std::string& text) { debug.push_back(text); });
  bool laterItemRan = false;
  try {
    ScopeHandle scope = enterScope();
    registerFinalizer([&] { laterItemRan = true; });
    registerFinalizer([] { throw std::runtime_error("finalizer failed"); });
    throw std::logic_error("routine failed");
  } catch (const std::logic_error& e) {
    EXPECT_STREQ(e.what(), "routine failed") << "the routine's own error goes on";
  }
  captureDebugOutput(nullptr);
  EXPECT_TRUE(laterItemRan);
  ASSERT_EQ(debug.size(), 1u);
  EXPECT_NE(debug[0].find("finalizer failed"), std::string::npos) << debug[0];
  EXPECT_EQ(currentFrame(), nullptr);
}

}  // namespace
}  // namespace kelmo
