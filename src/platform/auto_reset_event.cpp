#include "platform/auto_reset_event.h"

#include <algorithm>

namespace kelmo {

void AutoResetEvent::set() {
  std::lock_guard lock(mutex_);
  signalled_ = true;
  changed_.notify_one();
  // Waiters are woken while the event's mutex is held, so none can leave and be
  // destroyed in between; waitAny never holds its own mutex while taking this one.
  for (Waiter* w : waiters_) {
    std::lock_guard wl(w->mutex);
    w->pending = true;
    w->woken.notify_one();
  }
}

void AutoResetEvent::reset() {
  std::lock_guard lock(mutex_);
  signalled_ = false;
}

void AutoResetEvent::wait() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return signalled_; });
  signalled_ = false;
}

bool AutoResetEvent::waitFor(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  if (!changed_.wait_for(lock, timeout, [this] { return signalled_; })) return false;
  signalled_ = false;
  return true;
}

bool AutoResetEvent::tryConsume() {
  std::lock_guard lock(mutex_);
  if (!signalled_) return false;
  signalled_ = false;
  return true;
}

void AutoResetEvent::watch(Waiter* w) {
  std::lock_guard lock(mutex_);
  waiters_.push_back(w);
}

void AutoResetEvent::unwatch(Waiter* w) {
  std::lock_guard lock(mutex_);
  waiters_.erase(std::remove(waiters_.begin(), waiters_.end(), w), waiters_.end());
}

int AutoResetEvent::waitAny(AutoResetEvent& first, AutoResetEvent& second,
                            std::chrono::milliseconds timeout) {
  Waiter waiter;
  first.watch(&waiter);
  second.watch(&waiter);
  const bool limited = timeout.count() >= 0;
  const auto deadline = std::chrono::steady_clock::now() + (limited ? timeout : std::chrono::milliseconds(0));
  int result = -1;
  for (;;) {
    // The first event is looked at first, so it wins when both are set.
    if (first.tryConsume()) { result = 0; break; }
    if (second.tryConsume()) { result = 1; break; }
    std::unique_lock lock(waiter.mutex);
    if (limited) {
      if (!waiter.woken.wait_until(lock, deadline, [&] { return waiter.pending; })) {
        lock.unlock();
        if (first.tryConsume()) result = 0;
        else if (second.tryConsume()) result = 1;
        break;
      }
    } else {
      waiter.woken.wait(lock, [&] { return waiter.pending; });
    }
    waiter.pending = false;
  }
  first.unwatch(&waiter);
  second.unwatch(&waiter);
  return result;
}

}  // namespace kelmo
