#include "measure/measure_thread.h"

#include <thread>

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

void pauseFor(std::chrono::milliseconds period) {
  if (const MeasurePause& pause = pauseBetweenPeriods()) {
    pause(period);
  } else {
    std::this_thread::sleep_for(period);
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
