#pragma once
// The simulated E-154 as the program reaches it on Windows: the module's operations as
// they are, its reads completed through the kernel (KernelCompletedReads), so that the
// program's kernel events and CancelIo serve it as they serve the vendor's library.
// Windows only.
#include <memory>

#include "acquisition/e154_interface.h"
#include "sim/kernel_completed_reads_windows.h"
#include "sim/sim_module.h"

namespace kelmo::sim {

class KernelSimModule final : public ILE154 {
 public:
  // Null when its reads cannot be set up.
  static std::unique_ptr<KernelSimModule> create(SimModule& sim);
  ~KernelSimModule() = default;
  KernelSimModule(const KernelSimModule&) = delete;
  KernelSimModule& operator=(const KernelSimModule&) = delete;

  SimModule& sim() { return sim_; }

  BOOL KELMO_STDCALL OpenLDevice(WORD virtualSlot) override { return sim_.OpenLDevice(virtualSlot); }
  BOOL KELMO_STDCALL CloseLDevice() override { return sim_.CloseLDevice(); }
  BOOL KELMO_STDCALL ReleaseLInstance() override { return reads_->releaseInstance(); }
  DeviceHandle KELMO_STDCALL GetDeviceHandle() override { return reads_->deviceHandle(); }
  BOOL KELMO_STDCALL GetModuleName(char* name) override { return sim_.GetModuleName(name); }
  BOOL KELMO_STDCALL GetUsbSpeed(BYTE* usbSpeed) override { return sim_.GetUsbSpeed(usbSpeed); }
  BOOL KELMO_STDCALL Slot6() override { return 0; }
  BOOL KELMO_STDCALL Slot7() override { return 0; }
  BOOL KELMO_STDCALL GET_ADC_PARS(ADC_PARS_E154* pars) override { return sim_.GET_ADC_PARS(pars); }
  BOOL KELMO_STDCALL SET_ADC_PARS(ADC_PARS_E154* pars) override { return sim_.SET_ADC_PARS(pars); }
  BOOL KELMO_STDCALL START_ADC() override { return sim_.START_ADC(); }
  BOOL KELMO_STDCALL STOP_ADC() override { return reads_->stopAdc(); }
  BOOL KELMO_STDCALL Slot12() override { return 0; }
  BOOL KELMO_STDCALL Slot13() override { return 0; }
  BOOL KELMO_STDCALL ReadData(IO_REQUEST_LUSBAPI* request) override;
  BOOL KELMO_STDCALL Slot15() override { return 0; }
  BOOL KELMO_STDCALL ProcessOnePoint(std::int16_t code, double* volts, DWORD controlTableEntry,
                                     BOOL calibrateOffset, BOOL calibrateGain) override {
    return sim_.ProcessOnePoint(code, volts, controlTableEntry, calibrateOffset, calibrateGain);
  }
  BOOL KELMO_STDCALL Slot17() override { return 0; }
  BOOL KELMO_STDCALL Slot18() override { return 0; }
  BOOL KELMO_STDCALL Slot19() override { return 0; }
  BOOL KELMO_STDCALL ENABLE_TTL_OUT(BOOL enable) override { return sim_.ENABLE_TTL_OUT(enable); }
  BOOL KELMO_STDCALL TTL_IN(WORD* ttlIn) override { return sim_.TTL_IN(ttlIn); }
  BOOL KELMO_STDCALL TTL_OUT(WORD ttlOut) override { return sim_.TTL_OUT(ttlOut); }
  BOOL KELMO_STDCALL Slot23() override { return 0; }
  BOOL KELMO_STDCALL Slot24() override { return 0; }
  BOOL KELMO_STDCALL Slot25() override { return 0; }
  BOOL KELMO_STDCALL GET_MODULE_DESCRIPTION(MODULE_DESCRIPTION_E154* description) override {
    return sim_.GET_MODULE_DESCRIPTION(description);
  }

 private:
  KernelSimModule(SimModule& sim, std::unique_ptr<KernelCompletedReads> reads)
      : sim_(sim), reads_(std::move(reads)) {}

  SimModule& sim_;
  std::unique_ptr<KernelCompletedReads> reads_;
};

}  // namespace kelmo::sim
