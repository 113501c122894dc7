#include "air/air_thread.h"

#include <chrono>
#include <thread>

#include "acquisition/module_globals.h"
#include "acquisition/run_state.h"
#include "config/kelmo_params.h"

namespace kelmo {

namespace {

constexpr WORD kAllOutputsHigh = 65535;

template <class Call>
bool underModuleLock(Call call) {
  lockModule();
  const bool ok = call() != 0;
  unlockModule();
  return ok;
}

bool enableOutputs(bool enable) {
  return underModuleLock([enable] { return pModule->ENABLE_TTL_OUT(enable ? kModuleTrue : 0); });
}

bool driveOutputs(WORD outputs) {
  return underModuleLock([outputs] { return pModule->TTL_OUT(outputs); });
}

// Read anew for every pause, so a value confirmed in the window applies from the next one.
void pauseMs(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace

void airThreadBody() {
  if (!enableOutputs(true)) {
    // No pulses, and the run ends: the read thread finds the code after its next block,
    // leaves its loop and asks the others to stop, so the outcome line names this failure.
    ThreadErrorCode = ErrEnableTtlOut;
    return;
  }
  for (;;) {
    pauseMs(kelmo_params().airDelay);
    if (!driveOutputs(kAllOutputsHigh)) {
      ThreadErrorCode = ErrTtlOut;
      StopRequested = true;
      break;
    }
    pauseMs(kelmo_params().airLength);
    if (!driveOutputs(0)) {
      ThreadErrorCode = ErrTtlOut;
      StopRequested = true;
      break;
    }
    if (StopRequested) break;
  }
  if (!enableOutputs(false)) {
    ThreadErrorCode = ErrEnableTtlOut;
    return;
  }
  StopRequested = true;
}

}  // namespace kelmo
