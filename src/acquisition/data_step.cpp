#include "acquisition/data_step.h"

#include <algorithm>
#include <cmath>

namespace kelmo {

std::uint32_t DataStep = 0;
std::array<std::vector<std::int16_t>, 2> ReadBuffers;

namespace {

constexpr double kLongestPauseMs = 20.0;

}  // namespace

std::uint32_t computeDataStep(double adcRateKHz, int periodMs, int buffersPerPeriod) {
  const long double samplesPerMs = static_cast<long double>(adcRateKHz);
  long double x = samplesPerMs * static_cast<long double>(periodMs);
  x = x / static_cast<long double>(std::max(buffersPerPeriod, 1));
  x = std::max(x, samplesPerMs * static_cast<long double>(kMinBlockMs));
  x = x / 32.0L;
  if (!(x >= 0.0L && x < static_cast<long double>(kMaxDataStep / 32))) return kMaxDataStep;
  return static_cast<std::uint32_t>((static_cast<std::uint64_t>(std::trunc(x)) + 1) * 32);
}

double blockDurationMs(std::uint32_t dataStep, double adcRateKHz) {
  return static_cast<double>(dataStep) / adcRateKHz;
}

std::chrono::microseconds pauseBetweenBlocks(std::uint32_t dataStep, double adcRateKHz) {
  const double ms = std::min(kLongestPauseMs, blockDurationMs(dataStep, adcRateKHz) / 2.0);
  return std::chrono::microseconds(static_cast<long long>(ms * 1000.0));
}

std::uint32_t readTimeoutMs(std::uint32_t dataStep, double adcRateKHz) {
  if (!(adcRateKHz > 0.0)) return 1000;  // no rate known: the second alone
  return static_cast<std::uint32_t>(blockDurationMs(dataStep, adcRateKHz)) + 1000;
}

}  // namespace kelmo
