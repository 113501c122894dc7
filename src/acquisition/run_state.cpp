#include "acquisition/run_state.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stdexcept>

#include "platform/log_msg.h"
#include "support/stack_frame.h"

namespace kelmo {

namespace {

// ModuleLock: served in the order it was asked for. A thread that calls the module back to
// back (the air valve with no pause) would otherwise take it again before a woken waiter
// could, and starve the read thread until the module's buffer runs over.
// A ticket lock waiting on its own condition variable (waiting on the atomics themselves
// lost wake-ups with MinGW's library).
class FairLock {
 public:
  void lock() {
    std::unique_lock guard(mutex_);
    const std::uint32_t ticket = next_++;
    turn_.wait(guard, [&] { return serving_ == ticket; });
  }
  void unlock() {
    {
      std::lock_guard guard(mutex_);
      ++serving_;
    }
    turn_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable turn_;
  std::uint32_t next_ = 0;
  std::uint32_t serving_ = 0;
};

// Made on first use and never destroyed, so a worker that outlives static destruction
// still finds it.
std::atomic<FairLock*> moduleLock{nullptr};

FairLock& moduleLockCreated() {
  static FairLock* const created = new FairLock;
  moduleLock.store(created, std::memory_order_release);
  return *created;
}

// Read and written under ModuleLock only.
std::uint8_t testState = TestIdle;

}  // namespace

std::atomic<bool> StopRequested{false};
std::atomic<std::uint16_t> ThreadErrorCode{0};
std::atomic<bool> MeasureFinished{false};
std::array<double, 8> ChannelVolts{};
std::atomic<double> NextVoltsTime{0.0};
AutoResetEvent FreshVolts;

void lockModule() { moduleLockCreated().lock(); }

void unlockModule() {
  FairLock* lock = moduleLock.load(std::memory_order_acquire);
  if (lock == nullptr) throw std::logic_error("Assertion failure: ModuleLock does not exist");
  lock->unlock();
}

void lockModuleForScope() {
  lockModule();
  registerFinalizer(unlockModule);
}

std::uint8_t getTestState() {
  const ScopeHandle scope = enterScope();
  lockModuleForScope();
  return testState;
}

void setTestState(std::uint8_t state) {
  const ScopeHandle scope = enterScope();
  lockModuleForScope();
  testState = state;
}

const char* threadErrorLine(std::uint16_t code) {
  switch (code) {
    case ErrStopAdc: return " ADC Thread: STOP_ADC() --> Bad! :(((";
    case ErrReadData: return " ADC Thread: ReadData() --> Bad :(((";
    case ErrWaitingData: return " ADC Thread: Waiting data Error! :(((";
    case ErrTerminated: return " ADC Thread: The program was terminated! :-)";
    case ErrWritingFile: return " ADC Thread: Writing data file error! :(((";
    case ErrStartAdc: return " ADC Thread: START_ADC() --> Bad :(((";
    case ErrCancelIo:
      return " ADC Thread: Can't cancel ending input and output (I/O) operations! :(((";
    case ErrTtlIn: return " ADC Thread: TTL_IN() --> Bad! :(((";
    case ErrTtlOut: return " ADC Thread: TTL_OUT() --> Bad! :(((";
    case ErrEnableTtlOut: return " ADC Thread: ENABLE_TTL_OUT() --> Bad! :(((";
    default: return " ADC Thread: Unknown error! :(((";
  }
}

void reportThreadError() { logMsg(threadErrorLine(ThreadErrorCode.load())); }

void recordStopCode() {
  // A stop must not hide a failure recorded before it.
  std::uint16_t none = 0;
  ThreadErrorCode.compare_exchange_strong(none, ErrTerminated);
}

void resetRunState() {
  setTestState(TestIdle);
  StopRequested = false;
  ThreadErrorCode = 0;
  MeasureFinished = false;
  lockModule();
  ChannelVolts.fill(0.0);
  unlockModule();
  NextVoltsTime = 0.0;
  FreshVolts.reset();
}

}  // namespace kelmo
