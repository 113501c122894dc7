#pragma once
// The life of a test run as every thread sees it: the one lock, the run state, the
// shared flags and the worker error code with its report.
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform/auto_reset_event.h"

namespace kelmo {

enum TestStateCode : std::uint8_t { TestIdle = 0, TestStarting = 1, TestRunning = 2, TestFinishing = 3 };

// ModuleLock: created on first use, never destroyed.
void lockModule();
void unlockModule();
// lockModule, and unlockModule when the current scope frame ends.
void lockModuleForScope();

std::uint8_t getTestState();
void setTestState(std::uint8_t state);

extern std::atomic<bool> StopRequested;
extern std::atomic<std::uint16_t> ThreadErrorCode;
extern std::atomic<bool> MeasureFinished;

// Worker error codes; 8..10 are the digital I/O failures.
enum ThreadError : std::uint16_t {
  ErrStopAdc = 1, ErrReadData = 2, ErrWaitingData = 3, ErrTerminated = 4, ErrWritingFile = 5,
  ErrStartAdc = 6, ErrCancelIo = 7, ErrTtlIn = 8, ErrTtlOut = 9, ErrEnableTtlOut = 10,
};
// The console line for a code.
const char* threadErrorLine(std::uint16_t code);
// logMsg of the line for the current ThreadErrorCode (main thread).
void reportThreadError();
// Code 4 for a run asked to stop, written only while no failure has been recorded.
void recordStopCode();

// The 8 channel values in volts, written by the read thread under ModuleLock.
extern std::array<double, 8> ChannelVolts;
// The period clock: a continuous date-time (crosses midnight), set by chart preparation.
extern std::atomic<double> NextVoltsTime;
// Set by the read thread each time it has converted ChannelVolts (once per period mark);
// the measurement thread takes its next line after it, so that every line carries values
// of its own period. Reset at the start of a run.
extern AutoResetEvent FreshVolts;

// Resets every value above to its program-start state (tests).
void resetRunState();

}  // namespace kelmo
