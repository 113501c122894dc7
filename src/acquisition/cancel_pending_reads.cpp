#include "acquisition/cancel_pending_reads.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace kelmo {

bool cancelPendingReads(DeviceHandle handle) {
#ifdef _WIN32
  return CancelIo(static_cast<HANDLE>(handle)) != 0;
#else
  if (handle == nullptr) return false;
  return static_cast<DeviceIo*>(handle)->cancelIo(std::this_thread::get_id());
#endif
}

}  // namespace kelmo
