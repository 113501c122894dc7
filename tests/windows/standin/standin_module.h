#pragma once
// One module of the stand-in library: the simulated E-154 behind the slot table, with its
// reads completed through the kernel by the simulator's own KernelCompletedReads (a
// message pipe is the device handle). Only the slot table is the stand-in's own.
#include <windows.h>

#include <memory>

#include "sim/kernel_completed_reads_windows.h"
#include "sim/sim_module.h"
#include "standin_slots.h"

namespace standin {

class StandInModule final : public E154Slots {
 public:
  // Null when the reads cannot be set up.
  static std::unique_ptr<StandInModule> create(kelmo::sim::SimModule& sim);
  ~StandInModule() = default;
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
  StandInModule(kelmo::sim::SimModule& sim, std::unique_ptr<kelmo::sim::KernelCompletedReads> reads)
      : sim_(sim), reads_(std::move(reads)) {}

  kelmo::sim::SimModule& sim_;
  std::unique_ptr<kelmo::sim::KernelCompletedReads> reads_;
};

}  // namespace standin
