#pragma once
// The voltages on the module's inputs as functions of time and sample number: the same
// sample always gets the same noise, however the stream is cut into blocks.
#include <array>
#include <cstdint>

#include "sim/sim_config.h"

namespace kelmo::sim {

class SignalSource {
 public:
  SignalSource(const std::array<Signal, kSimChannels>& signals, std::uint64_t seed)
      : signals_(signals), seed_(seed) {}

  // Volts on the physical input at time t (seconds since the start) for the sample with
  // the given number. Inputs without a signal read 0 V.
  double volts(int channel, double t, std::uint64_t sampleNumber) const;

 private:
  double gaussian(std::uint64_t sampleNumber) const;

  std::array<Signal, kSimChannels> signals_;
  std::uint64_t seed_;
};

}  // namespace kelmo::sim
