#pragma once
// A simulated E-154 behind the module interface: identity, ADC settings, a sample stream
// paced by the steady clock, digital I/O and faults on demand.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "acquisition/cancel_pending_reads.h"
#include "acquisition/e154_interface.h"
#include "sim/operation_ledger.h"
#include "sim/signal_source.h"
#include "sim/sim_config.h"
#include "sim/slot_claim.h"

namespace kelmo::sim {

class SimModule final : public ILE154, public DeviceIo {
 public:
  SimModule(std::shared_ptr<const SimConfig> config, std::shared_ptr<OperationLedger> ledger);
  ~SimModule();
  SimModule(const SimModule&) = delete;
  SimModule& operator=(const SimModule&) = delete;

  BOOL KELMO_STDCALL OpenLDevice(WORD virtualSlot) override;
  BOOL KELMO_STDCALL CloseLDevice() override;
  BOOL KELMO_STDCALL ReleaseLInstance() override;
  DeviceHandle KELMO_STDCALL GetDeviceHandle() override;
  BOOL KELMO_STDCALL GetModuleName(char* name) override;
  BOOL KELMO_STDCALL GetUsbSpeed(BYTE* usbSpeed) override;
  BOOL KELMO_STDCALL Slot6() override { return 0; }
  BOOL KELMO_STDCALL Slot7() override { return 0; }
  BOOL KELMO_STDCALL GET_ADC_PARS(ADC_PARS_E154* pars) override;
  BOOL KELMO_STDCALL SET_ADC_PARS(ADC_PARS_E154* pars) override;
  BOOL KELMO_STDCALL START_ADC() override;
  BOOL KELMO_STDCALL STOP_ADC() override;
  BOOL KELMO_STDCALL Slot12() override { return 0; }
  BOOL KELMO_STDCALL Slot13() override { return 0; }
  BOOL KELMO_STDCALL ReadData(IO_REQUEST_LUSBAPI* request) override;
  BOOL KELMO_STDCALL Slot15() override { return 0; }
  BOOL KELMO_STDCALL ProcessOnePoint(std::int16_t code, double* volts, DWORD controlTableEntry,
                                     BOOL calibrateOffset, BOOL calibrateGain) override;
  BOOL KELMO_STDCALL Slot17() override { return 0; }
  BOOL KELMO_STDCALL Slot18() override { return 0; }
  BOOL KELMO_STDCALL Slot19() override { return 0; }
  BOOL KELMO_STDCALL ENABLE_TTL_OUT(BOOL enable) override;
  BOOL KELMO_STDCALL TTL_IN(WORD* ttlIn) override;
  BOOL KELMO_STDCALL TTL_OUT(WORD ttlOut) override;
  BOOL KELMO_STDCALL Slot23() override { return 0; }
  BOOL KELMO_STDCALL Slot24() override { return 0; }
  BOOL KELMO_STDCALL Slot25() override { return 0; }
  BOOL KELMO_STDCALL GET_MODULE_DESCRIPTION(MODULE_DESCRIPTION_E154* description) override;

  // Withdraws the issuer's reads. A cancel made to fail still withdraws them (so that no
  // buffer or event is touched after it returns) but signals none of them.
  bool cancelIo(std::thread::id issuer) override;

  // What the module has done so far (each brings the stream up to now first).
  struct Counters {
    std::uint64_t producedSamples = 0;  // since the last START_ADC
    std::uint64_t deliveredSamples = 0; // written into read buffers, since START_ADC
    std::uint64_t lostSamples = 0;      // produced while no read was pending, ever
    std::uint64_t overruns = 0;         // times the stream found no read pending, ever
    std::uint64_t completedBlocks = 0;  // reads filled, since the last START_ADC
    std::size_t pendingReads = 0;
  };
  Counters counters();
  bool running();
  bool released();
  ADC_PARS_E154 adcSettings();   // the settings in force (as SET_ADC_PARS left them)
  WORD ttlOutputs();
  bool ttlOutputsEnabled();

 private:
  using Clock = std::chrono::steady_clock;

  struct PendingRead {
    std::int16_t* buffer;
    DWORD count;
    DWORD filled;
    OVERLAPPED_BLOCK* overlapped;
    DWORD timeoutMs;
    std::thread::id issuer;
  };
  struct LateRead {
    PendingRead read;
    Clock::time_point due;
  };
  // The acquisition plan fixed at START_ADC: one entry per position in a frame.
  struct FrameSlot {
    int channel;
    int range;
  };

  bool fails(Operation op) { return ledger_->callFails(op); }
  void busTransfer() const;
  bool usable() const;  // opened and not released (mutex_ held)

  // Everything below runs with mutex_ held.
  void advanceTo(Clock::time_point now);
  void fillUnpaced();
  void fill(std::int16_t* destination, std::uint64_t firstSample, std::size_t count) const;
  void complete(PendingRead read, Clock::time_point now);
  void deliverLate(Clock::time_point now);
  static void signal(const PendingRead& read, std::uintptr_t status);
  std::optional<Clock::time_point> nextWake() const;
  void produce();
  void stopProduction();  // lifecycleMutex_ held, mutex_ not held

  std::shared_ptr<const SimConfig> config_;
  std::shared_ptr<OperationLedger> ledger_;
  SignalSource signals_;

  std::mutex lifecycleMutex_;  // START_ADC, STOP_ADC, release: the producer thread's life
  std::thread producer_;

  std::mutex mutex_;  // everything below
  std::condition_variable changed_;
  bool opened_ = false;
  SlotClaim slotClaim_;  // held from OpenLDevice to CloseLDevice or release
  bool released_ = false;
  ADC_PARS_E154 pars_{};
  bool running_ = false;
  Clock::time_point start_{};
  std::vector<FrameSlot> plan_;
  double adcRateHz_ = 0.0;
  double kadrRateHz_ = 0.0;
  std::uint64_t produced_ = 0;
  std::uint64_t delivered_ = 0;
  std::uint64_t completedBlocks_ = 0;
  std::uint64_t lost_ = 0;
  std::uint64_t overruns_ = 0;
  bool inOverrun_ = false;
  std::deque<PendingRead> pending_;
  std::vector<LateRead> late_;
  bool ttlEnabled_ = false;
  WORD ttlOut_ = 0;
};

}  // namespace kelmo::sim
