#include "sim/adc_model.h"

#include <algorithm>
#include <cmath>

namespace kelmo::sim {

std::int16_t quantise(double volts, int rangeCode) {
  const double fullScaleVolts = kRangeFullScaleMv[rangeCode] / 1000.0;
  const double clipped = std::clamp(volts, -fullScaleVolts, fullScaleVolts);
  const RangeCalibration& cal = kCalibration[rangeCode];
  const double raw = std::nearbyint(clipped / fullScaleVolts * kCodesAtFullScale * cal.gain + cal.offsetCodes);
  return static_cast<std::int16_t>(std::clamp(raw, -32768.0, 32767.0));
}

double codeToVolts(std::int16_t code, int rangeCode, bool correctOffset, bool correctGain) {
  const RangeCalibration& cal = kCalibration[rangeCode];
  double ideal = code;
  if (correctOffset) ideal -= cal.offsetCodes;
  if (correctGain) ideal /= cal.gain;
  return ideal / kCodesAtFullScale * kRangeFullScaleMv[rangeCode] / 1000.0;
}

AdcTiming adcTimingFor(double requestedRateKHz, double requestedInterKadrDelayMs, unsigned channels) {
  constexpr double minDivider = kMasterClockKHz / kMaxAdcRateKHz;
  constexpr double maxDivider = 16'777'215.0;  // a 24-bit divider register
  double divider = requestedRateKHz > 0 ? std::nearbyint(kMasterClockKHz / requestedRateKHz) : maxDivider;
  divider = std::clamp(divider, minDivider, maxDivider);
  AdcTiming timing{};
  timing.adcRateKHz = kMasterClockKHz / divider;
  // The pause between frames is a whole number of sampling periods.
  const double pausePeriods =
      requestedInterKadrDelayMs > 0 ? std::nearbyint(requestedInterKadrDelayMs * timing.adcRateKHz) : 0.0;
  timing.interKadrDelayMs = pausePeriods / timing.adcRateKHz;
  timing.kadrRateKHz = timing.adcRateKHz / (channels + pausePeriods);
  return timing;
}

}  // namespace kelmo::sim
