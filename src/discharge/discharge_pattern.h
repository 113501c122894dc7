#pragma once
// The pulse pattern in frames and sample levels, and the synthesis of one output block.
#include <cstdint>
#include <span>

namespace kelmo {

inline constexpr std::uint32_t kDischargeRate = 44100;     // frames per second
inline constexpr std::size_t kDischargeBlockFrames = 4096;
inline constexpr std::size_t kDischargeBlockSamples = 2 * kDischargeBlockFrames;

// Frames of a duration in milliseconds: (ms / 1000) × 44100 rounded half to even.
// Below zero (or not a number) counts as zero.
std::uint64_t framesOf(double ms);
// Sample of a level relative to full scale: level × 32768 rounded half to even and
// clamped to -32768 … 32767 (not a number gives 0).
std::int16_t sampleOf(double relativeLevel);

struct DischargePattern {
  std::uint64_t dischargeFrames = 0;       // nD
  std::uint64_t afterDischargeFrames = 0;  // pD
  std::uint64_t chargeFrames = 0;          // nC
  std::uint64_t afterChargeFrames = 0;     // pC
  std::int16_t dischargeLevel = 0;         // aD, left channel
  std::int16_t chargeLevel = 0;            // aC, right channel

  std::uint64_t period() const {
    return dischargeFrames + afterDischargeFrames + chargeFrames + afterChargeFrames;
  }
};

// The pattern the six discharge parameters of kelmo_params() give now.
DischargePattern currentDischargePattern();

// Fills one block of interleaved left/right samples: block `counter` of the pattern, its
// first frame at phase (counter × 4096) mod period. A period of zero frames is silence.
void synthesizeBlock(std::span<std::int16_t, kDischargeBlockSamples> block, std::uint64_t counter,
                     const DischargePattern& pattern);
// The same with the pattern read from kelmo_params().
void synthesizeBlock(std::span<std::int16_t, kDischargeBlockSamples> block, std::uint64_t counter);

}  // namespace kelmo
