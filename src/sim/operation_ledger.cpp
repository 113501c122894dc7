#include "sim/operation_ledger.h"

namespace kelmo::sim {

bool OperationLedger::callFails(Operation op) {
  const auto index = static_cast<std::size_t>(op);
  const std::uint64_t call = calls_[index].fetch_add(1, std::memory_order_relaxed) + 1;
  const Fault& fault = faults_[index];
  switch (fault.mode) {
    case Fault::Mode::Never: return false;
    case Fault::Mode::Always: return true;
    case Fault::Mode::Once: return call == 1;
    case Fault::Mode::From: return call >= fault.fromCall;
  }
  return false;
}

std::uint64_t OperationLedger::calls(Operation op) const {
  return calls_[static_cast<std::size_t>(op)].load(std::memory_order_relaxed);
}

}  // namespace kelmo::sim
