#pragma once
// An event that wakes one waiter and resets itself, like the kernel's auto-reset event.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace kelmo {

class AutoResetEvent {
 public:
  explicit AutoResetEvent(bool signalled = false) : signalled_(signalled) {}
  void set();
  void reset();
  void wait();
  // True when the event was signalled within the time-out (and is now reset).
  bool waitFor(std::chrono::milliseconds timeout);

  // Waits for the first of two events; returns 0 or 1, the lower index when both are set.
  // Only the returned event is reset. A negative timeout waits without limit; -1 on time-out.
  static int waitAny(AutoResetEvent& first, AutoResetEvent& second,
                     std::chrono::milliseconds timeout = std::chrono::milliseconds(-1));

 private:
  // A waitAny call in progress on this event.
  struct Waiter {
    std::mutex mutex;
    std::condition_variable woken;
    bool pending = false;
  };
  bool tryConsume();
  void watch(Waiter* w);
  void unwatch(Waiter* w);

  std::mutex mutex_;
  std::condition_variable changed_;
  bool signalled_;
  std::vector<Waiter*> waiters_;
};

}  // namespace kelmo
