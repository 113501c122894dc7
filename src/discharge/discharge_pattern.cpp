#include "discharge/discharge_pattern.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "config/kelmo_params.h"

namespace kelmo {

namespace {

// Keeps the period and the phase arithmetic far from 64-bit overflow.
constexpr double kMaxFrames = 1ull << 48;

// Round half to even, in the default rounding mode.
double roundHalfEven(double x) { return std::nearbyint(x); }

}  // namespace

std::uint64_t framesOf(double ms) {
  const double frames = roundHalfEven((ms / 1000.0) * kDischargeRate);
  if (!(frames > 0)) return 0;
  return static_cast<std::uint64_t>(std::min(frames, kMaxFrames));
}

std::int16_t sampleOf(double relativeLevel) {
  const double sample = roundHalfEven(relativeLevel * 32768.0);
  if (std::isnan(sample)) return 0;
  return static_cast<std::int16_t>(std::clamp(sample, -32768.0, 32767.0));
}

DischargePattern currentDischargePattern() {
  const tKELMO_Params& p = kelmo_params();
  DischargePattern pattern;
  pattern.dischargeFrames = framesOf(p.dischargeTimemS);
  pattern.afterDischargeFrames = framesOf(p.afterDischargePauseMs);
  pattern.chargeFrames = framesOf(p.chargeTimemS);
  pattern.afterChargeFrames = framesOf(p.afterChargePauseMs);
  pattern.dischargeLevel = sampleOf(p.dischargeURel);
  pattern.chargeLevel = sampleOf(p.chargeURel);
  return pattern;
}

void synthesizeBlock(std::span<std::int16_t, kDischargeBlockSamples> block, std::uint64_t counter,
                     const DischargePattern& pattern) {
  const std::uint64_t period = pattern.period();
  if (period == 0) {
    std::fill(block.begin(), block.end(), std::int16_t{0});
    return;
  }
  const std::uint64_t chargeStart = pattern.dischargeFrames + pattern.afterDischargeFrames;
  const std::uint64_t chargeEnd = chargeStart + pattern.chargeFrames;
  // The phase comes straight from the counter, so the cost does not depend on the period.
  std::uint64_t u = ((counter % period) * kDischargeBlockFrames) % period;
  for (std::size_t j = 0; j < kDischargeBlockFrames; ++j) {
    block[2 * j] = u < pattern.dischargeFrames ? pattern.dischargeLevel : std::int16_t{0};
    block[2 * j + 1] = (u >= chargeStart && u < chargeEnd) ? pattern.chargeLevel : std::int16_t{0};
    if (++u == period) u = 0;
  }
}

void synthesizeBlock(std::span<std::int16_t, kDischargeBlockSamples> block, std::uint64_t counter) {
  DischargePattern pattern;  // silence once the parameter object is gone at shutdown
  try {
    pattern = currentDischargePattern();
  } catch (const std::logic_error&) {
  }
  synthesizeBlock(block, counter, pattern);
}

}  // namespace kelmo
