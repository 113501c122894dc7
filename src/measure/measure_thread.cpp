#include "measure/measure_thread.h"

#include <thread>

#include "acquisition/data_step.h"
#include "acquisition/module_globals.h"
#include "acquisition/run_state.h"
#include "measure/data_recorder.h"
#include "measure/measurement.h"
#include "platform/log_msg.h"
#include "platform/main_window_port.h"

namespace kelmo {

namespace {

constexpr std::chrono::milliseconds kPauseBeforeFinished{100};

MeasurePause& pauseBetweenPeriods() {
  static MeasurePause pause;
  return pause;
}

// The longest wait for fresh volts: a period, and the read thread's own time-out for a
// block, after which it gives up and ends the run (waking this thread as it goes).
std::chrono::milliseconds freshVoltsBound(std::chrono::milliseconds period) {
  return period + std::chrono::milliseconds(readTimeoutMs(DataStep, AdcPars.AdcRate));
}

// Until the read thread has converted the volts of the next period mark: each line carries
// values of its own period, and the lines follow the period clock.
void waitForFreshVolts(std::chrono::milliseconds period) { FreshVolts.waitFor(freshVoltsBound(period)); }

void pauseFor(std::chrono::milliseconds period) {
  if (const MeasurePause& pause = pauseBetweenPeriods()) {
    pause(period);
  } else {
    waitForFreshVolts(period);
  }
}

bool readDigitalInputs() {
  lockModule();
  WORD inputs = 0;
  const bool ok = pModule->TTL_IN(&inputs) != 0;
  if (ok) DigitalInputs = inputs;
  unlockModule();
  return ok;
}

}  // namespace

void setMeasurePause(MeasurePause pause) { pauseBetweenPeriods() = std::move(pause); }

void measureThreadBody(int periodMs) {
  DataRecorder recorder;
  recorder.begin();
  // The first line waits for the run's first volts, not the previous run's (or none).
  waitForFreshVolts(std::chrono::milliseconds(periodMs));

  for (;;) {
    lockModule();
    calcMeasuredValues();
    unlockModule();

    if (!readDigitalInputs()) {
      ThreadErrorCode = ErrTtlIn;
      StopRequested = true;  // the air thread ends after its pulse
      break;
    }
    postKeyNotification(kKeyEnter);

    // Only this thread writes the values: read here without the lock.
    recorder.append(dataLine(now(), MeasuredValues));
    if (!recorder.writeOut(false)) {
      ThreadErrorCode = ErrWritingFile;
      StopRequested = true;
      break;
    }
    if (StopRequested) {
      recordStopCode();
      break;
    }
    pauseFor(std::chrono::milliseconds(periodMs));
  }

  setTestState(TestFinishing);
  recorder.writeOut(true);
  std::this_thread::sleep_for(kPauseBeforeFinished);
  MeasureFinished = true;
  postKeyNotification(kKeyEscape);
}

}  // namespace kelmo
