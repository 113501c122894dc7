#include "sim/kernel_sim_module_windows.h"

namespace kelmo::sim {

std::unique_ptr<KernelSimModule> KernelSimModule::create(SimModule& sim) {
  std::unique_ptr<KernelCompletedReads> reads = KernelCompletedReads::create(sim);
  if (!reads) return nullptr;
  return std::unique_ptr<KernelSimModule>(new KernelSimModule(sim, std::move(reads)));
}

BOOL KernelSimModule::ReadData(IO_REQUEST_LUSBAPI* request) {
  if (request == nullptr) return 0;
  request->NumberOfWordsPassed = 0;
  return reads_->readData(request->Buffer, request->NumberOfWordsToPass, request->Overlapped, request->TimeOut);
}

}  // namespace kelmo::sim
