#pragma once
// Calls of each operation, counted across every module of a library, and the faults
// that decide whether a call fails.
#include <array>
#include <atomic>
#include <cstdint>

#include "sim/sim_config.h"

namespace kelmo::sim {

class OperationLedger {
 public:
  explicit OperationLedger(const std::array<Fault, kOperationCount>& faults) : faults_(faults) {}

  // Counts one call; true when this call is to fail.
  bool callFails(Operation op);
  std::uint64_t calls(Operation op) const;

 private:
  std::array<Fault, kOperationCount> faults_;
  std::array<std::atomic<std::uint64_t>, kOperationCount> calls_{};
};

}  // namespace kelmo::sim
