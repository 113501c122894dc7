#pragma once
// One module of the stand-in library: the simulated E-154 behind the slot table, with its
// reads completed through the kernel. The device handle is the reading end of a message
// pipe; ReadData issues the caller's read on it with the caller's overlapped block, and a
// pump thread writes each block the simulated module fills as one message, so the kernel
// fills the caller's buffer, signals the caller's event and cancels the caller's reads.
// STOP_ADC hands out every block filled before it; a read the caller cancels while the
// stream runs keeps its block with the module until then.
#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "platform/auto_reset_event.h"

#include "sim/sim_module.h"
#include "standin_slots.h"

namespace standin {

class StandInModule final : public E154Slots {
 public:
  // Null when the pipe cannot be made.
  static std::unique_ptr<StandInModule> create(kelmo::sim::SimModule& sim);
  ~StandInModule();
  StandInModule(const StandInModule&) = delete;
  StandInModule& operator=(const StandInModule&) = delete;

  BOOL WINAPI OpenLDevice(WORD virtualSlot) override;
  BOOL WINAPI CloseLDevice() override;
  BOOL WINAPI ReleaseLInstance() override;
  HANDLE WINAPI DeviceHandle() override;
  BOOL WINAPI GetModuleName(char* name) override;
  BOOL WINAPI GetUsbSpeed(BYTE* usbSpeed) override;
  BOOL WINAPI Unused6() override { return FALSE; }
  BOOL WINAPI Unused7() override { return FALSE; }
  BOOL WINAPI GET_ADC_PARS(void* adcRecord) override;
  BOOL WINAPI SET_ADC_PARS(void* adcRecord) override;
  BOOL WINAPI START_ADC() override;
  BOOL WINAPI STOP_ADC() override;
  BOOL WINAPI Unused12() override { return FALSE; }
  BOOL WINAPI Unused13() override { return FALSE; }
  BOOL WINAPI ReadData(void* readRequest) override;
  BOOL WINAPI Unused15() override { return FALSE; }
  BOOL WINAPI ProcessOnePoint(SHORT code, double* volts, DWORD controlEntry, BOOL calibrateOffset,
                              BOOL calibrateGain) override;
  BOOL WINAPI Unused17() override { return FALSE; }
  BOOL WINAPI Unused18() override { return FALSE; }
  BOOL WINAPI Unused19() override { return FALSE; }
  BOOL WINAPI ENABLE_TTL_OUT(BOOL enable) override;
  BOOL WINAPI TTL_IN(WORD* ttlIn) override;
  BOOL WINAPI TTL_OUT(WORD ttlOut) override;
  BOOL WINAPI Unused23() override { return FALSE; }
  BOOL WINAPI Unused24() override { return FALSE; }
  BOOL WINAPI Unused25() override { return FALSE; }
  BOOL WINAPI GET_MODULE_DESCRIPTION(void* descriptionRecord) override;

 private:
  // The simulated module's side of one caller's read: its own buffer, event and request.
  struct Block {
    explicit Block(DWORD samples);
    std::vector<std::int16_t> buffer;
    kelmo::AutoResetEvent done;
    kelmo::OVERLAPPED_BLOCK overlapped{};
    kelmo::IO_REQUEST_LUSBAPI request{};
    bool withdrawn = false;  // given up by the module; its event will not be set
  };

  StandInModule(kelmo::sim::SimModule& sim, HANDLE deviceEnd, HANDLE moduleEnd);
  void pump();
  void stopPump();
  void withdrawBlocks();
  void discardUnreadMessages();

  kelmo::sim::SimModule& sim_;
  HANDLE deviceEnd_;  // the caller reads here
  HANDLE moduleEnd_;  // the pump writes here

  std::mutex issueMutex_;  // one read at a time, so the caller's reads and the blocks pair up in order
  std::mutex mutex_;       // everything below
  std::condition_variable changed_;
  std::deque<std::shared_ptr<Block>> blocks_;  // in the order issued
  std::set<std::thread::id> issuers_;
  bool stopping_ = false;
  kelmo::AutoResetEvent wake_;
  std::thread pump_;
};

}  // namespace standin
