#pragma once
// The operations of the simulated module that can be counted and made to fail, with the
// names a configuration uses for them.
#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace kelmo::sim {

enum class Operation : std::size_t {
  OpenLDevice,
  CloseLDevice,
  ReleaseLInstance,
  GetDeviceHandle,
  GetModuleName,
  GetUsbSpeed,
  GET_ADC_PARS,
  SET_ADC_PARS,
  START_ADC,
  STOP_ADC,
  ReadData,
  ProcessOnePoint,
  ENABLE_TTL_OUT,
  TTL_IN,
  TTL_OUT,
  GET_MODULE_DESCRIPTION,
  CancelIo,  // cancelling the pending reads on the device handle
};
constexpr std::size_t kOperationCount = static_cast<std::size_t>(Operation::CancelIo) + 1;

constexpr std::array<std::string_view, kOperationCount> kOperationNames = {
    "OpenLDevice", "CloseLDevice", "ReleaseLInstance", "GetDeviceHandle", "GetModuleName",
    "GetUsbSpeed", "GET_ADC_PARS", "SET_ADC_PARS", "START_ADC", "STOP_ADC", "ReadData",
    "ProcessOnePoint", "ENABLE_TTL_OUT", "TTL_IN", "TTL_OUT", "GET_MODULE_DESCRIPTION",
    "CancelIo",
};

constexpr std::string_view operationName(Operation op) {
  return kOperationNames[static_cast<std::size_t>(op)];
}

// Exact, case-sensitive.
std::optional<Operation> operationNamed(std::string_view name);

}  // namespace kelmo::sim
