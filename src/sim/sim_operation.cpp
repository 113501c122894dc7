#include "sim/sim_operation.h"

namespace kelmo::sim {

std::optional<Operation> operationNamed(std::string_view name) {
  for (std::size_t i = 0; i < kOperationCount; ++i)
    if (kOperationNames[i] == name) return static_cast<Operation>(i);
  return std::nullopt;
}

}  // namespace kelmo::sim
