#pragma once
// The reads of a simulated module completed through the kernel, as the vendor's library
// completes them: the caller's buffer filled, its overlapped block written and its kernel
// event signalled by the kernel, and its pending reads cancelled by CancelIo on the
// module's device handle. Windows only.
//
// The device handle is the reading end of a message pipe. A read issues the caller's read
// on it with the caller's overlapped block, and gives the simulated module a block of its
// own of the same size; a pump thread writes each block the module fills as one message,
// which the kernel hands to the caller's read that waits in the same order. STOP_ADC hands
// out every block filled before it; a read the caller cancels while the stream runs keeps
// its block with the module until then.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "acquisition/e154_interface.h"
#include "platform/auto_reset_event.h"
#include "sim/sim_module.h"

namespace kelmo::sim {

class KernelCompletedReads {
 public:
  // Null when the pipe cannot be made.
  static std::unique_ptr<KernelCompletedReads> create(SimModule& sim);
  ~KernelCompletedReads();
  KernelCompletedReads(const KernelCompletedReads&) = delete;
  KernelCompletedReads& operator=(const KernelCompletedReads&) = delete;

  // The module's ReadData: the caller's request, whose Overlapped is a Windows OVERLAPPED
  // with a kernel event. Nonzero when the read is pending.
  BOOL readData(std::int16_t* buffer, DWORD samples, void* overlapped, DWORD timeoutMs);
  // The module's STOP_ADC and ReleaseLInstance, with what each means for the reads.
  BOOL stopAdc();
  BOOL releaseInstance();
  // The kernel handle the caller cancels its reads on; null when the module gives none.
  void* deviceHandle();

 private:
  // The simulated module's side of one caller's read: its own buffer, event and request.
  struct Block {
    explicit Block(DWORD samples);
    std::vector<std::int16_t> buffer;
    AutoResetEvent done;
    OVERLAPPED_BLOCK overlapped{};
    IO_REQUEST_LUSBAPI request{};
    bool withdrawn = false;  // given up by the module; its event will not be set
  };

  KernelCompletedReads(SimModule& sim, void* deviceEnd, void* moduleEnd);
  void pump();
  void withdrawBlocks();
  void discardUnreadMessages();
  void stopPump();

  SimModule& sim_;
  void* deviceEnd_;  // the caller reads here
  void* moduleEnd_;  // the pump writes here

  std::mutex issueMutex_;  // one read at a time, so the caller's reads and the blocks pair up in order
  std::mutex mutex_;       // everything below
  std::condition_variable changed_;
  std::deque<std::shared_ptr<Block>> blocks_;  // in the order issued
  std::set<std::thread::id> issuers_;
  bool stopping_ = false;
  AutoResetEvent wake_;
  std::thread pump_;
};

}  // namespace kelmo::sim
