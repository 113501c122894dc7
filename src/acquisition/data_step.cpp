#include "acquisition/data_step.h"

#include <cmath>
#include <cstdint>

namespace kelmo {

std::uint32_t DataStep = 0;
std::array<std::vector<std::int16_t>, 2> ReadBuffers;

std::uint64_t computeDataStep(unsigned channels, double adcRateKHz, int periodMs, int buffersPerPeriod) {
  long double x = static_cast<long double>(channels) * (static_cast<long double>(adcRateKHz) * 1000.0L);
  x = x * (static_cast<long double>(periodMs) / 1000.0L);
  x = x / static_cast<long double>(buffersPerPeriod);
  x = x / 32.0L;
  // No buffers per period, or a rate beyond reason: larger than any request can be.
  if (!(x >= 0.0L && x < 1e15L)) return UINT64_MAX;
  return (static_cast<std::uint64_t>(std::trunc(x)) + 1) * 32;
}

}  // namespace kelmo
