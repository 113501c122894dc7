#pragma once
// The heartbeat of a test run: once per period, as soon as the read thread has converted
// that period's volts, the quantities, the digital inputs, the Enter notification and a
// data-file line; at the end finishing, the last write-out and
// the Esc notification on which the window joins the run.
#include <chrono>
#include <functional>

namespace kelmo {

// The thread body; periodMs is the run's period, fixed at its start.
void measureThreadBody(int periodMs);

// The pause between periods (by default until the next period's volts); tests install one
// that tells them the thread is pausing. Not to be changed while a run is active.
using MeasurePause = std::function<void(std::chrono::milliseconds)>;
void setMeasurePause(MeasurePause pause);

}  // namespace kelmo
