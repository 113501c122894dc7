#include "acquisition/read_thread.h"

#include <chrono>
#include <cmath>
#include <thread>

#include "acquisition/cancel_pending_reads.h"
#include "acquisition/data_step.h"
#include "acquisition/module_globals.h"
#include "acquisition/overlapped_event.h"
#include "acquisition/run_state.h"
#include "config/kelmo_params.h"
#include "platform/date_time.h"
#include "platform/log_msg.h"

namespace kelmo {

namespace {

constexpr double kMsPerDay = 86400000.0;
constexpr std::chrono::milliseconds kPauseAtEnd{100};
// Beyond this many periods behind (a clock never set, a machine woken from sleep) the
// clock jumps to the grid mark after t at once instead of period by period.
constexpr double kMaxStepwiseAdvance = 1000.0;

// A module call under ModuleLock.
template <class Call>
bool underModuleLock(Call call) {
  lockModule();
  const bool ok = call() != 0;
  unlockModule();
  return ok;
}

// One read request with its overlapped block and event.
struct Request {
  OverlappedEvent event;
  OVERLAPPED_BLOCK overlapped{};
  IO_REQUEST_LUSBAPI io{};
};

}  // namespace

std::int16_t filteredCode(double filtered) {
  const double rounded = std::nearbyint(filtered);  // the default mode: halves to even
  if (!(std::fabs(rounded) < 9.0e18)) return 0;  // not finite or beyond any code: no low bits to take
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<long long>(rounded)));
}

void filterBlock(std::array<double, 8>& state, const std::int16_t* samples, std::size_t count,
                 unsigned channels, double k) {
  if (channels == 0 || channels > 8) return;
  const long double gain = k;
  const long double keep = 1.0L - gain;
  const std::size_t frames = count / channels;
  // Frame by frame, so that the channels' chains of dependent steps overlap.
  std::array<double, 8> s = state;
  for (std::size_t j = 0; j < frames; ++j, samples += channels)
    for (unsigned c = 0; c < channels; ++c)
      s[c] = static_cast<double>(keep * s[c] + gain * static_cast<long double>(samples[c]));
  for (unsigned c = 0; c < channels; ++c) state[c] = s[c];
}

void seedFilter(std::array<double, 8>& state, const std::int16_t* firstFrame, unsigned channels) {
  for (unsigned c = 0; c < channels && c < state.size(); ++c) state[c] = firstFrame[c];
}

namespace {

// The wall clock was set back (end of daylight saving time, a time correction): t lies
// behind the last mark passed by more than a period.
bool clockSetBack(double nextVoltsTime, double t, double periodDays) {
  const double lastMark = nextVoltsTime - periodDays;
  return lastMark - t > periodDays;
}

}  // namespace

bool voltsDue(double nextVoltsTime, double t, double periodDays) {
  return t >= nextVoltsTime || clockSetBack(nextVoltsTime, t, periodDays);
}

double nextPeriodMark(double nextVoltsTime, double t, double periodDays) {
  // Waiting for the old marks would freeze the volts for as long as the step back.
  if (clockSetBack(nextVoltsTime, t, periodDays)) nextVoltsTime = t;
  if ((t - nextVoltsTime) / periodDays > kMaxStepwiseAdvance)
    nextVoltsTime += std::floor((t - nextVoltsTime) / periodDays) * periodDays;
  while (nextVoltsTime <= t) nextVoltsTime += periodDays;
  return nextVoltsTime;
}

TReadData::TReadData(unsigned channels, int periodMs)
    : channels_(channels > 8 ? 8 : channels), periodDays_(periodMs / kMsPerDay) {}

TReadData::~TReadData() { waitFor(); }

bool TReadData::start() {
  return thread_.start([this] { execute(); });
}

void TReadData::waitFor() {
  if (thread_.joinable()) thread_.join();
}

void TReadData::execute() {
  nameCurrentThread("ReadData");
  Request requests[2];
  const auto finish = [] {
    // Without its volts the run cannot go on: the others are asked to end it, and the
    // measurement thread stops waiting for volts that will not come.
    StopRequested = true;
    FreshVolts.set();
    postLogMsg("завершается процесс из потокового чтения");
  };

  if (!underModuleLock([] { return pModule->STOP_ADC(); })) {
    ThreadErrorCode = ErrStopAdc;
    postLogMsg("ошибка STOP_ADC");
    finish();
    return;
  }

  const std::uint32_t timeout = readTimeoutMs(DataStep, AdcPars.AdcRate);
  const auto pause = pauseBetweenBlocks(DataStep, AdcPars.AdcRate);
  for (unsigned k = 0; k < 2; ++k) {
    Request& r = requests[k];
    r.overlapped.hEvent = r.event.handle();
    r.io.Buffer = ReadBuffers[k].data();
    r.io.NumberOfWordsToPass = DataStep;
    r.io.NumberOfWordsPassed = 0;
    r.io.Overlapped = &r.overlapped;
    r.io.TimeOut = timeout;
  }

  requestIndex = 0;
  if (!underModuleLock([&] { return pModule->ReadData(&requests[0].io); })) {
    ThreadErrorCode = ErrReadData;
    postLogMsg("ошибка ReadData");
    finish();
    return;
  }

  // The filter is seeded from the first block (processBlock), not here.
  const bool started = underModuleLock([] { return pModule->START_ADC(); });

  if (!started) {
    ThreadErrorCode = ErrStartAdc;
  } else {
    for (;;) {
      requestIndex ^= 1;
      if (!underModuleLock([&] { return pModule->ReadData(&requests[requestIndex].io); })) {
        ThreadErrorCode = ErrReadData;
        break;
      }
      const unsigned other = requestIndex ^ 1u;
      if (!requests[other].event.waitFor(std::chrono::milliseconds(timeout))) {
        ThreadErrorCode = ErrWaitingData;
        break;
      }
      processBlock(other);
      if (ThreadErrorCode != 0) break;
      if (stopReading) {
        recordStopCode();
        break;
      }
      std::this_thread::sleep_for(pause);
    }
  }

  if (!underModuleLock([] { return pModule->STOP_ADC(); })) ThreadErrorCode = ErrStopAdc;
  if (!cancelPendingReads(ModuleHandle)) ThreadErrorCode = ErrCancelIo;
  std::this_thread::sleep_for(kPauseAtEnd);
  finish();
}

void TReadData::processBlock(unsigned r) {
  if (pModule == nullptr) return;
  if (!filterSeeded_ && DataStep >= channels_) {
    seedFilter(filterState, ReadBuffers[r].data(), channels_);
    filterSeeded_ = true;
  }
  filterBlock(filterState, ReadBuffers[r].data(), DataStep, channels_, kelmo_params().lowPassFilterK);

  const double t = now();
  const double next = NextVoltsTime;
  if (!voltsDue(next, t, periodDays_)) return;

  for (unsigned c = 0; c < channels_; ++c) {
    lockModule();
    double volts = 0.0;
    pModule->ProcessOnePoint(filteredCode(filterState[c]), &volts, AdcPars.ControlTable[c],
                             kModuleTrue, kModuleTrue);
    ChannelVolts[c] = volts;
    unlockModule();
  }
  NextVoltsTime = nextPeriodMark(next, t, periodDays_);
  FreshVolts.set();
}

}  // namespace kelmo
