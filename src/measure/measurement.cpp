#include "measure/measurement.h"

#include <cmath>

#include "acquisition/run_state.h"
#include "config/kelmo_params.h"

namespace kelmo {

std::array<double, 6> MeasuredValues{};
double R = 0;
double Ua = 0;
double Up = 0;
double U6 = 0;
std::uint16_t DigitalInputs = 0;

namespace {

// The pressure sensor's calibration: two points (input, P) and the input scale.
constexpr double kP0In = 3.8, kP0Out = 0.0;
constexpr double kP1In = 45.0, kP1Out = 45.0;
constexpr double kPInputScale = 100.0 / 5.0;

// The a sensor's offset in millivolts at P values, ascending in P.
struct OffsetPoint {
  double p;
  double offsetMv;
};
constexpr std::array<OffsetPoint, 9> aOffsetTable = {{
    {0, 227}, {5, 238}, {10, 243}, {15, 250}, {21, 256}, {30, 263}, {40, 273}, {50, 284}, {60, 290},
}};
constexpr double kAScale = 15.0 / 3.97;
constexpr double kDegenerateSegment = 1e-7;

constexpr double kIrNearZero = 1e-4;
constexpr double kRLimit = 1000.0;

}  // namespace

double calcP(double volts) {
  const double s = volts * 100.0 / 5.0;
  return kP0Out + (s - kP0In) / (kP1In - kP0In) * (kP1Out - kP0Out);
}

double calcA(double p, double volts) {
  std::size_t i = 0;
  while (i < aOffsetTable.size() && p > aOffsetTable[i].p) ++i;
  // Above the table the line runs through the second and the last point.
  std::size_t lo = 1, hi = aOffsetTable.size() - 1;
  if (i < aOffsetTable.size()) {
    lo = i > 0 ? i - 1 : 0;
    hi = i;
  }
  const double ylo = aOffsetTable[lo].offsetMv / 1000.0;
  const double yhi = aOffsetTable[hi].offsetMv / 1000.0;
  const double dx = aOffsetTable[hi].p - aOffsetTable[lo].p;
  // At or below P = 0 the segment has no length and no offset is taken.
  if (std::fabs(dx) >= kDegenerateSegment) volts -= ylo + (p - aOffsetTable[lo].p) / dx * (yhi - ylo);
  return volts * kAScale;
}

void calcMeasuredValues() {
  const double ur = ChannelVolts[0];
  double ir = ChannelVolts[1];
  const double uref = ChannelVolts[2];
  const double aVolts = ChannelVolts[3];
  const double pVolts = ChannelVolts[4];
  Ua = aVolts;
  Up = pVolts;
  U6 = ChannelVolts[5];

  ir = ir / static_cast<double>(kelmo_params().IrScale);
  const double w = ur * ir;
  const double p = calcP(pVolts);
  const double a = calcA(p, aVolts);
  MeasuredValues = {ur, ir, uref, a, p, w};

  if (std::fabs(ir) < kIrNearZero) {
    R = kRLimit;
  } else {
    R = ur / ir;
    if (R < -kRLimit) R = -kRLimit;
    if (R > kRLimit) R = kRLimit;
  }
}

void resetMeasurement() {
  MeasuredValues.fill(0.0);
  R = Ua = Up = U6 = 0;
  DigitalInputs = 0;
}

}  // namespace kelmo
