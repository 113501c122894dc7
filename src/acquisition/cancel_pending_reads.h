#pragma once
// Cancelling the calling thread's pending reads on the module's device handle.
// On Windows the handle is the kernel's and the cancel is the kernel's; elsewhere the
// handle points to the module's DeviceIo, which withdraws the requests itself.
#include <thread>

#include "acquisition/e154_interface.h"

namespace kelmo {

class DeviceIo {
 public:
  // Withdraws every read that the given thread issued and that is not complete yet.
  // After it returns the module touches none of their buffers or events again.
  virtual bool cancelIo(std::thread::id issuer) = 0;

 protected:
  ~DeviceIo() = default;
};

// Off Windows the module's device handle is made from its DeviceIo this way.
inline DeviceHandle deviceHandleOf(DeviceIo* io) { return static_cast<void*>(io); }

// True when the calling thread's pending reads on the handle were cancelled.
bool cancelPendingReads(DeviceHandle handle);

}  // namespace kelmo
