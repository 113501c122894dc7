#pragma once
// Everything that makes one simulated module differ from another: identity, signals,
// timing and the faults it shows on demand. Read from KELMO_SIM or set by tests.
#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "sim/sim_operation.h"

namespace kelmo::sim {

constexpr int kSimChannels = 8;

// The voltage on one input: dc + amplitude * sin(2 pi frequency t + phase) + noise, where
// noise is Gaussian with the given standard deviation. Volts, hertz, radians.
struct Signal {
  double dc = 0.0;
  double amplitude = 0.0;
  double frequencyHz = 0.0;
  double noise = 0.0;
  double phase = 0.0;
};

// Levels of the rig: channels 0..5 carry Ur, Ir, Uref, the a sensor, the pressure sensor
// (0.2..2.2 V, about 0..45 on the P chart) and U6, slow enough to show through the read
// thread's low-pass filter.
std::array<Signal, kSimChannels> rigSignals();

// When an operation fails: never, on every call, on its first call only, or from its
// n-th call on (calls counted per library, from 1).
struct Fault {
  enum class Mode { Never, Always, Once, From };
  Mode mode = Mode::Never;
  std::uint64_t fromCall = 0;
};

struct SimConfig {
  std::uint32_t version = 0x00030004;  // GetDllVersion: major << 16 | minor
  bool interfaceAvailable = true;       // CreateLInstance("e154") gives an interface
  int slot = 0;                         // the virtual slot the module answers in; -1: none
  std::string name = "E154";            // GetModuleName, at most 31 characters
  std::string serialNumber = "1E154SIM0042";
  std::string revision = "B";
  std::string mcuDriverVersion = "2.10";
  std::string mcuDriverText = "simulated";
  bool highSpeedUsb = true;
  std::chrono::microseconds latency{500};  // asleep in every bus transfer
  bool paced = true;                       // false: blocks are filled as soon as requested
  std::optional<std::uint16_t> fixedTtlIn; // none: the inputs follow the driven outputs
  std::array<Signal, kSimChannels> signals = rigSignals();
  std::uint64_t seed = 1;                  // of the noise
  std::array<Fault, kOperationCount> faults{};
  std::uint64_t lateFromBlock = 0;         // blocks from this one on (counted from 1) come late; 0: none
  std::optional<std::chrono::milliseconds> lateBy;  // none: the request's time-out plus a second
  // Where the slot is claimed against other programs (OpenLDevice fails while another
  // holds it); empty: the module is this program's alone, as in tests that make their own.
  std::string slotLockDir;
};

// Applies "key=value;key=value" over config. On a malformed pair returns false, leaves
// config unchanged and sets error to a message that quotes the pair.
bool parseSimConfig(std::string_view text, SimConfig& config, std::string& error);

}  // namespace kelmo::sim
