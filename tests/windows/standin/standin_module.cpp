#include "standin_module.h"

namespace standin {

namespace {

BOOL result(kelmo::BOOL ok) { return static_cast<BOOL>(ok); }

}  // namespace

std::unique_ptr<StandInModule> StandInModule::create(kelmo::sim::SimModule& sim) {
  std::unique_ptr<kelmo::sim::KernelCompletedReads> reads = kelmo::sim::KernelCompletedReads::create(sim);
  if (!reads) return nullptr;
  return std::unique_ptr<StandInModule>(new StandInModule(sim, std::move(reads)));
}

// --- the reads, the stream and the module's life: through the kernel ---------------------

BOOL StandInModule::ReadData(void* readRequest) {
  auto* request = static_cast<ReadRequest*>(readRequest);
  if (request == nullptr) return FALSE;
  request->NumberOfWordsPassed = 0;
  return result(reads_->readData(request->Buffer, request->NumberOfWordsToPass, request->Overlapped,
                                 request->TimeOut));
}

BOOL StandInModule::START_ADC() { return result(sim_.START_ADC()); }

BOOL StandInModule::STOP_ADC() { return result(reads_->stopAdc()); }

BOOL StandInModule::ReleaseLInstance() { return result(reads_->releaseInstance()); }

HANDLE StandInModule::DeviceHandle() { return reads_->deviceHandle(); }

// --- everything else goes to the simulated module as it is -------------------------------

BOOL StandInModule::OpenLDevice(WORD virtualSlot) { return result(sim_.OpenLDevice(virtualSlot)); }

BOOL StandInModule::CloseLDevice() { return result(sim_.CloseLDevice()); }

BOOL StandInModule::GetModuleName(char* name) { return result(sim_.GetModuleName(name)); }

BOOL StandInModule::GetUsbSpeed(BYTE* usbSpeed) { return result(sim_.GetUsbSpeed(usbSpeed)); }

BOOL StandInModule::GET_ADC_PARS(void* adcRecord) {
  return result(sim_.GET_ADC_PARS(static_cast<kelmo::ADC_PARS_E154*>(adcRecord)));
}

BOOL StandInModule::SET_ADC_PARS(void* adcRecord) {
  return result(sim_.SET_ADC_PARS(static_cast<kelmo::ADC_PARS_E154*>(adcRecord)));
}

BOOL StandInModule::ProcessOnePoint(SHORT code, double* volts, DWORD controlEntry, BOOL calibrateOffset,
                                    BOOL calibrateGain) {
  return result(sim_.ProcessOnePoint(code, volts, controlEntry, calibrateOffset, calibrateGain));
}

BOOL StandInModule::ENABLE_TTL_OUT(BOOL enable) { return result(sim_.ENABLE_TTL_OUT(enable)); }

BOOL StandInModule::TTL_IN(WORD* ttlIn) { return result(sim_.TTL_IN(ttlIn)); }

BOOL StandInModule::TTL_OUT(WORD ttlOut) { return result(sim_.TTL_OUT(ttlOut)); }

BOOL StandInModule::GET_MODULE_DESCRIPTION(void* descriptionRecord) {
  return result(sim_.GET_MODULE_DESCRIPTION(static_cast<kelmo::MODULE_DESCRIPTION_E154*>(descriptionRecord)));
}

}  // namespace standin
