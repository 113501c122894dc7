#pragma once
// The streaming read thread of a test run: two read requests kept on the module, every
// sample through a first-order low-pass filter per channel, and once per period the
// filtered values converted into ChannelVolts.
#include <array>
#include <atomic>
#include <cstdint>

#include "platform/os_thread.h"

namespace kelmo {

// The code of a filtered value: rounded half to even, its low 16 bits taken as signed.
std::int16_t filteredCode(double filtered);

// One pass of the filter over a block of interleaved frames (channel c of frame j at
// channels * j + c): state = (1 - k) * state + k * sample in extended precision, each
// result stored as a double.
void filterBlock(std::array<double, 8>& state, const std::int16_t* samples, std::size_t count,
                 unsigned channels, double k);

// The filter's starting point: each channel's first sample of the run (the first frame of
// the first block), so that the run's first values are already settled.
void seedFilter(std::array<double, 8>& state, const std::int16_t* firstFrame, unsigned channels);

// Whether the volts are due at t: t has reached the next mark, or the clock has been set
// back behind the last mark by more than a period (then the marks start again from t).
bool voltsDue(double nextVoltsTime, double t, double periodDays);
// Advances the period clock past t: one period at a time, so the marks stay on the grid;
// a clock set back by more than a period anchors the grid on t.
double nextPeriodMark(double nextVoltsTime, double t, double periodDays);

class TReadData {
 public:
  // The channel count and period are those of the run, fixed at its start.
  TReadData(unsigned channels, int periodMs);
  ~TReadData();  // waits for the thread's end
  TReadData(const TReadData&) = delete;
  TReadData& operator=(const TReadData&) = delete;

  // Lets the thread run; false when no thread could be made.
  bool start();
  // Asks the loop to end after its current block.
  void stop() { stopReading = true; }
  // Waits without limit for the thread's end.
  void waitFor();

 private:
  void execute();
  void processBlock(unsigned r);

  std::atomic<bool> stopReading{false};
  std::array<double, 8> filterState{};
  bool filterSeeded_ = false;
  std::uint16_t requestIndex = 0;
  unsigned channels_;
  double periodDays_;
  OsThread thread_;
};

}  // namespace kelmo
