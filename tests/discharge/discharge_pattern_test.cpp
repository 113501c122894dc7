#include "discharge/discharge_pattern.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "config/kelmo_params.h"

namespace kelmo {
namespace {

using Block = std::vector<std::int16_t>;

// The pattern played from phase 0 without a break, frame by frame, applying the changes
// in their order at each phase: the plain reading of the pattern the blocks must match.
Block continuousStream(const DischargePattern& p, std::size_t frames) {
  Block out;
  out.reserve(2 * frames);
  const std::uint64_t T = p.period();
  std::int16_t left = 0, right = 0;
  std::uint64_t u = 0;
  for (std::size_t i = 0; i < frames; ++i) {
    if (u == 0) { left = p.dischargeLevel; right = 0; }
    if (u == p.dischargeFrames) left = 0;
    if (u == p.dischargeFrames + p.afterDischargeFrames) right = p.chargeLevel;
    if (u == p.dischargeFrames + p.afterDischargeFrames + p.chargeFrames) right = 0;
    out.push_back(left);
    out.push_back(right);
    if (++u == T) u = 0;
  }
  return out;
}

Block synthesized(const DischargePattern& p, std::uint64_t counter) {
  Block block(kDischargeBlockSamples, 99);
  synthesizeBlock(std::span<std::int16_t, kDischargeBlockSamples>(block), counter, p);
  return block;
}

DischargePattern pattern(double dMs, double pdMs, double cMs, double pcMs, double dRel, double cRel) {
  return {framesOf(dMs), framesOf(pdMs), framesOf(cMs), framesOf(pcMs), sampleOf(dRel), sampleOf(cRel)};
}

// The rig's default pattern: 50 ms discharge, 5 ms pause, 1 ms charge, 5 ms pause.
const DischargePattern kRig = pattern(50, 5, 1, 5, 0.5, -1.0);

TEST(DischargeFrames, DurationsRoundHalfToEvenAfterDividingThenMultiplying) {
  struct Case { double ms; std::uint64_t frames; };
  for (const Case c : {Case{50, 2205}, {5, 220}, {15, 662}, {1, 44}, {0, 0}, {1000, 44100},
                       {0.5 / 44.1, 0}, {1.5 / 44.1, 2}, {-3, 0}, {-0.0, 0},
                       {std::numeric_limits<double>::quiet_NaN(), 0}}) {
    EXPECT_EQ(framesOf(c.ms), c.frames) << c.ms << " ms";
  }
  // Huge durations stay finite and leave room for the phase arithmetic.
  EXPECT_GT(framesOf(std::numeric_limits<double>::infinity()), 0u);
  EXPECT_LT(framesOf(std::numeric_limits<double>::infinity()), std::uint64_t{1} << 50);
}

TEST(DischargeLevels, RoundHalfToEvenAndClampToTheSampleRange) {
  struct Case { double rel; std::int16_t sample; };
  for (const Case c : {Case{-1.0, -32768}, {0.5, 16384}, {0.25, 8192}, {0.0, 0},
                       {1.0, 32767}, {1.5, 32767}, {-1.5, -32768}, {-1e300, -32768},
                       {2.5 / 32768, 2}, {3.5 / 32768, 4}, {-2.5 / 32768, -2},
                       {std::numeric_limits<double>::quiet_NaN(), 0}}) {
    EXPECT_EQ(sampleOf(c.rel), c.sample) << c.rel;
  }
}

TEST(DischargeSynthesis, RigPatternPulsesSitAtTheirPhasesInEveryPeriod) {
  ASSERT_EQ(kRig.period(), 2689u);
  const Block stream = continuousStream(kRig, 3 * 2689);
  for (std::size_t f = 0; f < 3 * 2689; ++f) {
    const std::size_t u = f % 2689;
    EXPECT_EQ(stream[2 * f], u <= 2204 ? 16384 : 0) << "frame " << f;
    EXPECT_EQ(stream[2 * f + 1], (u >= 2425 && u <= 2468) ? -32768 : 0) << "frame " << f;
  }
  // Block 0 is the stream's first 4096 frames; blocks 1 and 2 start at phases 1407 and 125.
  EXPECT_EQ(synthesized(kRig, 0), Block(stream.begin(), stream.begin() + kDischargeBlockSamples));
  const Block one = synthesized(kRig, 1);
  const Block two = synthesized(kRig, 2);
  const Block fromPhase1407(stream.begin() + 2 * 1407, stream.begin() + 2 * 1407 + kDischargeBlockSamples);
  const Block fromPhase125(stream.begin() + 2 * 125, stream.begin() + 2 * 125 + kDischargeBlockSamples);
  EXPECT_EQ(one, fromPhase1407);
  EXPECT_EQ(two, fromPhase125);
}

TEST(DischargeSynthesis, ConsecutiveBlocksJoinBitExactlyIntoTheContinuousPattern) {
  const std::vector<DischargePattern> patterns = {
      kRig,
      pattern(50, 0, 1, 5, 1.0, -1.0),     // charge right after discharge
      pattern(10, 0, 10, 0, 0.25, 0.25),   // no silence at all
      pattern(0, 5, 1, 5, 1.0, -1.0),      // no discharge
      pattern(50, 5, 0, 5, 1.0, -1.0),     // no charge
      pattern(0, 0, 0, 1000.0 / 44100, 1.0, 1.0),  // one silent frame
      pattern(1000, 500, 250, 900, -0.75, 0.5),    // period longer than a block
      pattern(4096000.0 / 44100, 0, 0, 0, 0.1, 0.1),  // period of exactly one block
  };
  constexpr std::size_t kBlocks = 12;
  for (std::size_t i = 0; i < patterns.size(); ++i) {
    const Block stream = continuousStream(patterns[i], kBlocks * kDischargeBlockFrames);
    Block joined;
    for (std::uint64_t counter = 0; counter < kBlocks; ++counter) {
      const Block b = synthesized(patterns[i], counter);
      joined.insert(joined.end(), b.begin(), b.end());
    }
    EXPECT_EQ(joined, stream) << "pattern " << i;
  }
}

TEST(DischargeSynthesis, PhaseComesFromTheCounterAlsoFarIntoARun) {
  // A block far into a run equals the block at the counter's phase, so the phase needs
  // no history and no overflow shows for large counters.
  const std::uint64_t counter = (std::uint64_t{1} << 40) + 12345;
  const std::uint64_t pos = (counter % 2689) * 4096 % 2689;
  const Block stream = continuousStream(kRig, pos + kDischargeBlockFrames);
  EXPECT_EQ(synthesized(kRig, counter), Block(stream.begin() + 2 * pos, stream.end()));
}

TEST(DischargeSynthesis, ZeroPeriodIsSilence) {
  EXPECT_EQ(synthesized(pattern(0, 0, 0, 0, 1.0, -1.0), 0), Block(kDischargeBlockSamples, 0));
  EXPECT_EQ(synthesized(pattern(-5, -1, 0.001, -7, 1.0, -1.0), 3), Block(kDischargeBlockSamples, 0));
}

TEST(DischargeSynthesis, ReadsTheSixParametersOfTheGlobalObject) {
  createGlobalParams();
  tKELMO_Params& p = kelmo_params();
  p.dischargeTimemS = 15;
  p.afterDischargePauseMs = 1;
  p.chargeTimemS = 5;
  p.afterChargePauseMs = 50;
  p.dischargeURel = 0.25;
  p.chargeURel = 3.0;
  const DischargePattern read = currentDischargePattern();
  EXPECT_EQ(read.dischargeFrames, 662u);
  EXPECT_EQ(read.afterDischargeFrames, 44u);
  EXPECT_EQ(read.chargeFrames, 220u);
  EXPECT_EQ(read.afterChargeFrames, 2205u);
  EXPECT_EQ(read.dischargeLevel, 8192);
  EXPECT_EQ(read.chargeLevel, 32767);
  Block fromGlobal(kDischargeBlockSamples);
  synthesizeBlock(std::span<std::int16_t, kDischargeBlockSamples>(fromGlobal), 7);
  EXPECT_EQ(fromGlobal, synthesized(read, 7));
  destroyGlobalParams();
}

}  // namespace
}  // namespace kelmo
