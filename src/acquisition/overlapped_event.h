#pragma once
// The event of one read request, set by the module when the request's buffer is full.
// On Windows the library completes reads through the kernel, so the event is a kernel
// auto-reset event; elsewhere it is an AutoResetEvent that the simulated module sets.
#include <chrono>

#ifndef _WIN32
#include "platform/auto_reset_event.h"
#endif

namespace kelmo {

class OverlappedEvent {
 public:
  OverlappedEvent();  // auto-reset, not signalled
  ~OverlappedEvent();
  OverlappedEvent(const OverlappedEvent&) = delete;
  OverlappedEvent& operator=(const OverlappedEvent&) = delete;

  // What the request's overlapped block carries as its event; null when none could be made.
  void* handle();
  // True when the event was signalled within the time-out (and is now reset).
  bool waitFor(std::chrono::milliseconds timeout);

 private:
#ifdef _WIN32
  void* handle_;
#else
  AutoResetEvent event_;
#endif
};

}  // namespace kelmo
