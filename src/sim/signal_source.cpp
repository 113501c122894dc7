#include "sim/signal_source.h"

#include <cmath>
#include <numbers>

namespace kelmo::sim {

namespace {

// A counter-based generator: each sample number maps to its own random word.
std::uint64_t mix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

double unitInterval(std::uint64_t word) {  // (0, 1]
  return (static_cast<double>(word >> 11) + 1.0) * 0x1.0p-53;
}

}  // namespace

double SignalSource::gaussian(std::uint64_t sampleNumber) const {
  const std::uint64_t first = mix(seed_ ^ mix(sampleNumber));
  const std::uint64_t second = mix(first);
  return std::sqrt(-2.0 * std::log(unitInterval(first))) *
         std::cos(2.0 * std::numbers::pi * unitInterval(second));
}

double SignalSource::volts(int channel, double t, std::uint64_t sampleNumber) const {
  if (channel < 0 || channel >= kSimChannels) return 0.0;
  const Signal& s = signals_[channel];
  double v = s.dc;
  if (s.amplitude != 0.0) v += s.amplitude * std::sin(2.0 * std::numbers::pi * s.frequencyHz * t + s.phase);
  if (s.noise != 0.0) v += s.noise * gaussian(sampleNumber);
  return v;
}

}  // namespace kelmo::sim
