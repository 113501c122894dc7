#include "sim/adc_model.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kelmo::sim {
namespace {

TEST(AdcModelTest, CodeRoundTripStaysWithinOneCodeInEveryRange) {
  for (int range = 0; range < 4; ++range) {
    const double fullScale = kRangeFullScaleMv[range] / 1000.0;
    const double oneCode = fullScale / kCodesAtFullScale;
    double worst = 0.0;
    for (int step = -1000; step <= 1000; ++step) {
      const double volts = fullScale * step / 1000.0 * 0.9999;
      const double back = codeToVolts(quantise(volts, range), range, true, true);
      worst = std::max(worst, std::abs(back - volts));
    }
    EXPECT_LE(worst, oneCode) << "range " << range;
    // Without the corrections the module's offset and gain errors show.
    const double uncorrected = codeToVolts(quantise(0.5 * fullScale, range), range, false, false);
    EXPECT_GT(std::abs(uncorrected - 0.5 * fullScale), 2 * oneCode) << "range " << range;
  }
}

TEST(AdcModelTest, InputBeyondFullScaleClips) {
  for (int range = 0; range < 4; ++range) {
    const double fullScale = kRangeFullScaleMv[range] / 1000.0;
    EXPECT_EQ(quantise(10 * fullScale, range), quantise(fullScale, range)) << range;
    EXPECT_EQ(quantise(-10 * fullScale, range), quantise(-fullScale, range)) << range;
    EXPECT_NEAR(codeToVolts(quantise(1e9, range), range, true, true), fullScale, fullScale / kCodesAtFullScale);
  }
}

TEST(AdcModelTest, ControlTableEntryNamesRangeAndChannel) {
  EXPECT_EQ(rangeOfEntry(194), 3);
  EXPECT_EQ(channelOfEntry(194), 2);
  EXPECT_EQ(rangeOfEntry(7), 0);
  EXPECT_EQ(channelOfEntry(7), 7);
}

TEST(AdcModelTest, RateIsTheNearestTheDividerGivesCappedAt100kHz) {
  struct Case {
    double requested;
    unsigned channels;
    double adcRate;
  };
  const Case cases[] = {
      {4.0, 8, 4.0},
      {3.3, 2, 24000.0 / 7273},
      {100.0, 1, 100.0},
      {150.0, 4, 100.0},
      {99.9, 1, 24000.0 / 240},  // 240.24 rounds to the cap's divider
      {0.0, 1, 24000.0 / 16777215},
      {-5.0, 1, 24000.0 / 16777215},
  };
  for (const Case& c : cases) {
    const AdcTiming timing = adcTimingFor(c.requested, 0.0, c.channels);
    EXPECT_DOUBLE_EQ(timing.adcRateKHz, c.adcRate) << c.requested;
    EXPECT_DOUBLE_EQ(timing.interKadrDelayMs, 0.0);
    EXPECT_DOUBLE_EQ(timing.kadrRateKHz, c.adcRate / c.channels) << c.requested;
  }
  const AdcTiming withPause = adcTimingFor(10.0, 0.25, 2);  // 2.5 sampling periods -> 2
  EXPECT_DOUBLE_EQ(withPause.interKadrDelayMs, 0.2);
  EXPECT_DOUBLE_EQ(withPause.kadrRateKHz, 10.0 / 4);
}

}  // namespace
}  // namespace kelmo::sim
