#include "acquisition/overlapped_event.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace kelmo {

#ifdef _WIN32

OverlappedEvent::OverlappedEvent() : handle_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

OverlappedEvent::~OverlappedEvent() {
  if (handle_ != nullptr) CloseHandle(handle_);
}

void* OverlappedEvent::handle() { return handle_; }

bool OverlappedEvent::waitFor(std::chrono::milliseconds timeout) {
  if (handle_ == nullptr) return false;
  // INFINITE is the largest count; longer waits are cut to just below it.
  const auto ms = timeout.count() < 0 ? 0 : timeout.count() >= INFINITE ? INFINITE - 1 : timeout.count();
  return WaitForSingleObject(handle_, static_cast<::DWORD>(ms)) == WAIT_OBJECT_0;
}

#else

OverlappedEvent::OverlappedEvent() = default;
OverlappedEvent::~OverlappedEvent() = default;

void* OverlappedEvent::handle() { return &event_; }

bool OverlappedEvent::waitFor(std::chrono::milliseconds timeout) { return event_.waitFor(timeout); }

#endif

}  // namespace kelmo
