#pragma once
// The simulated ADC's conversion: the four input ranges, the codes they give with the
// module's own offset and gain errors, the calibration that undoes them, and the clock
// divider that sets the sampling rate.
#include <array>
#include <cstdint>

namespace kelmo::sim {

// Codes at full scale of an ideal converter; the rest of the 16 bits is headroom for the
// offset and gain errors.
constexpr double kCodesAtFullScale = 32000.0;

// Full scale of the range codes 0..3, in millivolts.
constexpr std::array<double, 4> kRangeFullScaleMv = {5000.0, 1600.0, 500.0, 160.0};

// What the module's calibration store holds for each range: the raw code is
// ideal * gain + offset.
struct RangeCalibration {
  double offsetCodes;
  double gain;
};
constexpr std::array<RangeCalibration, 4> kCalibration = {{
    {12.0, 1.0025},
    {-7.0, 0.9981},
    {25.0, 1.0043},
    {-18.0, 0.9962},
}};

// The range code of a control-table entry (range * 64 + channel).
constexpr int rangeOfEntry(unsigned entry) { return static_cast<int>((entry >> 6) & 3u); }
constexpr int channelOfEntry(unsigned entry) { return static_cast<int>(entry & 63u); }

// The code the module reports for the input voltage (volts), clipping at full scale.
std::int16_t quantise(double volts, int rangeCode);

// The module's code-to-volts conversion, with or without each correction.
double codeToVolts(std::int16_t code, int rangeCode, bool correctOffset, bool correctGain);

// The sampling clock: a fixed master clock divided by a whole number.
constexpr double kMasterClockKHz = 24000.0;
constexpr double kMaxAdcRateKHz = 100.0;

struct AdcTiming {
  double adcRateKHz;          // samples per millisecond
  double interKadrDelayMs;    // extra pause between frames, whole clock periods
  double kadrRateKHz;         // frames per millisecond
};
// The rates the module actually runs at for the requested ones; channels >= 1.
AdcTiming adcTimingFor(double requestedRateKHz, double requestedInterKadrDelayMs, unsigned channels);

}  // namespace kelmo::sim
