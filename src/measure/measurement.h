#pragma once
// The six quantities of a period, computed from the channel voltages, with the extra values
// the window shows and the digital-input word. Written by the measurement thread under
// ModuleLock; the window reads them after the Enter notification.
#include <array>
#include <cstdint>

namespace kelmo {

// Positions in MeasuredValues: chart frame k and the k-th value of a data-file line.
enum MeasuredValue : std::size_t { kUr = 0, kIr = 1, kUref = 2, kA = 3, kP = 4, kW = 5 };

extern std::array<double, 6> MeasuredValues;  // Ur, Ir, Uref, a, P, W
extern double R;   // Ur / Ir within -1000 .. 1000; 1000 when Ir is near zero
extern double Ua;  // channel 3 as read
extern double Up;  // channel 4 as read
extern double U6;  // channel 5 as read
// Bit i: digital input i as last read.
extern std::uint16_t DigitalInputs;

// From ChannelVolts and IrScale. Call with ModuleLock held. No guard against IrScale 0 or
// non-finite volts: such values flow through and are written as INF or NAN.
void calcMeasuredValues();
// The pressure for the sensor voltage: the line through (3.8, 0) and (45, 45) over 20 x U.
double calcP(double volts);
// The a-sensor voltage less its P-dependent offset, scaled by 15 / 3.97.
double calcA(double p, double volts);

// Back to the program-start state (tests).
void resetMeasurement();

}  // namespace kelmo
