#include "sim/sim_module.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/auto_reset_event.h"
#include "platform/os_thread.h"
#include "sim/adc_model.h"

namespace kelmo::sim {

namespace {

// Completion states written into the overlapped block, as the kernel does.
constexpr std::uintptr_t kStatusSuccess = 0;
constexpr std::uintptr_t kStatusPending = 0x103;
constexpr std::uintptr_t kStatusCancelled = 0xC0000120;

// The settings the module wakes up with; the program overwrites the first three and
// the table, and passes the synchronisation settings back as they are.
ADC_PARS_E154 powerOnSettings() {
  ADC_PARS_E154 pars{};
  pars.ClkSource = 1;
  pars.EnableClkOutput = 1;
  pars.InputMode = 3;
  pars.SynchroParams[0] = 2;
  pars.SynchroParams[1] = 0x0102;
  pars.SynchroParams[2] = 0x0304;
  pars.SynchroParams[3] = 5;
  pars.ChannelsQuantity = 1;
  for (WORD i = 0; i < 16; ++i) pars.ControlTable[i] = i;
  const AdcTiming timing = adcTimingFor(kMaxAdcRateKHz, 0.0, 1);
  pars.AdcRate = timing.adcRateKHz;
  pars.InterKadrDelay = timing.interKadrDelayMs;
  pars.KadrRate = timing.kadrRateKHz;
  return pars;
}

void putText(MODULE_DESCRIPTION_E154& description, std::size_t offset, const std::string& text,
             std::size_t room) {
  std::memcpy(description.bytes + offset, text.data(), std::min(text.size(), room - 1));
}

}  // namespace

SimModule::SimModule(std::shared_ptr<const SimConfig> config, std::shared_ptr<OperationLedger> ledger)
    : config_(std::move(config)),
      ledger_(std::move(ledger)),
      signals_(config_->signals, config_->seed),
      pars_(powerOnSettings()) {}

SimModule::~SimModule() {
  std::lock_guard lifecycle(lifecycleMutex_);
  {
    std::lock_guard lock(mutex_);
    running_ = false;
  }
  stopProduction();
}

void SimModule::busTransfer() const {
  if (config_->latency.count() > 0) std::this_thread::sleep_for(config_->latency);
}

bool SimModule::usable() const { return opened_ && !released_; }

// The preamble that most operations share: the bus transfer, an injected fault, then the
// module's lock and an open, unreleased module. The others take part of it: ReadData and
// ProcessOnePoint make no bus transfer of their own (the read is queued, the conversion is
// computed in the library), START_ADC and STOP_ADC also order the producer thread's life,
// and OpenLDevice is what makes a module usable.
template <class Body>
BOOL SimModule::busOperation(Operation op, Body body) {
  busTransfer();
  if (fails(op)) return 0;
  std::lock_guard lock(mutex_);
  if (!usable()) return 0;
  return body();
}

// --- identity -------------------------------------------------------------------------

BOOL SimModule::OpenLDevice(WORD virtualSlot) {
  busTransfer();
  if (fails(Operation::OpenLDevice)) return 0;
  std::lock_guard lock(mutex_);
  if (released_ || config_->slot < 0 || virtualSlot != config_->slot) return 0;
  // Another program's module in this slot: busy, as the rig's driver answers.
  if (!config_->slotLockDir.empty() && !slotClaim_.take(config_->slotLockDir, virtualSlot)) return 0;
  opened_ = true;
  return kModuleTrue;
}

BOOL SimModule::CloseLDevice() {
  if (fails(Operation::CloseLDevice)) return 0;
  std::lock_guard lock(mutex_);
  if (!usable()) return 0;
  opened_ = false;
  slotClaim_.release();
  return kModuleTrue;
}

BOOL SimModule::ReleaseLInstance() {
  if (fails(Operation::ReleaseLInstance)) return 0;
  std::lock_guard lifecycle(lifecycleMutex_);
  {
    std::lock_guard lock(mutex_);
    if (released_) return 0;
    released_ = true;
    opened_ = false;
    slotClaim_.release();
    running_ = false;
    // Whoever issued them has stopped waiting: their events are not set.
    pending_.clear();
    late_.clear();
  }
  stopProduction();
  return kModuleTrue;
}

DeviceHandle SimModule::GetDeviceHandle() {
  if (fails(Operation::GetDeviceHandle)) return nullptr;
  return deviceHandleOf(this);
}

BOOL SimModule::GetModuleName(char* name) {
  return busOperation(Operation::GetModuleName, [&]() -> BOOL {
    if (name == nullptr) return 0;
    const std::string& text = config_->name;
    std::memcpy(name, text.c_str(), text.size() + 1);
    return kModuleTrue;
  });
}

BOOL SimModule::GetUsbSpeed(BYTE* usbSpeed) {
  return busOperation(Operation::GetUsbSpeed, [&]() -> BOOL {
    if (usbSpeed == nullptr) return 0;
    *usbSpeed = config_->highSpeedUsb ? 1 : 0;
    return kModuleTrue;
  });
}

BOOL SimModule::GET_MODULE_DESCRIPTION(MODULE_DESCRIPTION_E154* description) {
  return busOperation(Operation::GET_MODULE_DESCRIPTION, [&]() -> BOOL {
    if (description == nullptr) return 0;
    *description = MODULE_DESCRIPTION_E154{};
    putText(*description, 0, "E154", kDescriptionSerialOffset);
    putText(*description, kDescriptionSerialOffset, config_->serialNumber,
            kDescriptionRevisionOffset - kDescriptionSerialOffset);
    putText(*description, kDescriptionRevisionOffset, config_->revision, 8);
    putText(*description, kDescriptionMcuVersionOffset, config_->mcuDriverVersion,
            kDescriptionMcuTextOffset - kDescriptionMcuVersionOffset);
    putText(*description, kDescriptionMcuTextOffset, config_->mcuDriverText, 32);
    return kModuleTrue;
  });
}

// --- ADC settings ---------------------------------------------------------------------

BOOL SimModule::GET_ADC_PARS(ADC_PARS_E154* pars) {
  return busOperation(Operation::GET_ADC_PARS, [&]() -> BOOL {
    if (pars == nullptr) return 0;
    *pars = pars_;
    return kModuleTrue;
  });
}

BOOL SimModule::SET_ADC_PARS(ADC_PARS_E154* pars) {
  return busOperation(Operation::SET_ADC_PARS, [&]() -> BOOL {
    if (pars == nullptr || running_) return 0;
    if (pars->ChannelsQuantity < 1 || pars->ChannelsQuantity > 16) return 0;
    const AdcTiming timing = adcTimingFor(pars->AdcRate, pars->InterKadrDelay, pars->ChannelsQuantity);
    pars->AdcRate = timing.adcRateKHz;
    pars->InterKadrDelay = timing.interKadrDelayMs;
    pars->KadrRate = timing.kadrRateKHz;
    pars_ = *pars;
    return kModuleTrue;
  });
}

// --- the stream -----------------------------------------------------------------------

BOOL SimModule::START_ADC() {
  busTransfer();
  if (fails(Operation::START_ADC)) return 0;
  std::lock_guard lifecycle(lifecycleMutex_);
  {
    std::lock_guard lock(mutex_);
    if (!usable()) return 0;
    if (running_) return kModuleTrue;
    plan_.clear();
    for (WORD i = 0; i < pars_.ChannelsQuantity; ++i)
      plan_.push_back({channelOfEntry(pars_.ControlTable[i]), rangeOfEntry(pars_.ControlTable[i])});
    adcRateHz_ = pars_.AdcRate * 1000.0;
    kadrRateHz_ = pars_.KadrRate * 1000.0;
    produced_ = 0;
    delivered_ = 0;
    completedBlocks_ = 0;
    inOverrun_ = false;
    start_ = Clock::now();
    running_ = true;
    if (!config_->paced) {
      fillUnpaced();
      return kModuleTrue;
    }
  }
  producer_ = std::thread([this] { produce(); });
  return kModuleTrue;
}

BOOL SimModule::STOP_ADC() {
  busTransfer();
  if (fails(Operation::STOP_ADC)) return 0;
  std::lock_guard lifecycle(lifecycleMutex_);
  {
    std::lock_guard lock(mutex_);
    if (released_) return 0;
    advanceTo(Clock::now());
    running_ = false;
  }
  stopProduction();
  return kModuleTrue;
}

void SimModule::stopProduction() {
  changed_.notify_all();
  if (producer_.joinable()) producer_.join();
}

BOOL SimModule::ReadData(IO_REQUEST_LUSBAPI* request) {
  if (fails(Operation::ReadData)) return 0;
  if (request == nullptr || request->Buffer == nullptr || request->NumberOfWordsToPass == 0 ||
      request->Overlapped == nullptr || request->Overlapped->hEvent == nullptr)
    return 0;
  std::lock_guard lock(mutex_);
  if (!usable()) return 0;
  // Samples made before this request arrived are not its samples.
  advanceTo(Clock::now());
  request->NumberOfWordsPassed = 0;
  request->Overlapped->Internal = kStatusPending;
  request->Overlapped->InternalHigh = 0;
  pending_.push_back({request->Buffer, request->NumberOfWordsToPass, 0, request->Overlapped,
                      request->TimeOut, std::this_thread::get_id()});
  inOverrun_ = false;
  if (!config_->paced)
    fillUnpaced();
  else
    changed_.notify_all();
  return kModuleTrue;
}

bool SimModule::cancelIo(std::thread::id issuer) {
  const bool ok = !fails(Operation::CancelIo);
  std::lock_guard lock(mutex_);
  auto withdraw = [&](const PendingRead& read) {
    if (read.issuer != issuer) return false;
    if (ok) signal(read, kStatusCancelled);
    return true;
  };
  std::erase_if(pending_, withdraw);
  std::erase_if(late_, [&](const LateRead& late) { return withdraw(late.read); });
  changed_.notify_all();
  return ok;
}

void SimModule::advanceTo(Clock::time_point now) {
  if (!running_ || !config_->paced) return;
  const double elapsed = std::chrono::duration<double>(now - start_).count();
  const auto framesOwed = static_cast<std::uint64_t>(std::max(0.0, std::floor(elapsed * kadrRateHz_)));
  const std::uint64_t samplesOwed = framesOwed * plan_.size();
  while (produced_ < samplesOwed) {
    if (pending_.empty()) {
      // Nobody to take them: the module's buffer overflows and they are gone.
      if (!inOverrun_) ++overruns_;
      inOverrun_ = true;
      lost_ += samplesOwed - produced_;
      produced_ = samplesOwed;
      return;
    }
    PendingRead& read = pending_.front();
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(read.count - read.filled, samplesOwed - produced_));
    fill(read.buffer + read.filled, produced_, count);
    read.filled += static_cast<DWORD>(count);
    produced_ += count;
    delivered_ += count;
    if (read.filled == read.count) {
      PendingRead full = read;
      pending_.pop_front();
      complete(full, now);
    }
  }
}

void SimModule::fillUnpaced() {
  if (!running_) return;
  const auto now = Clock::now();
  while (!pending_.empty()) {
    PendingRead read = pending_.front();
    pending_.pop_front();
    fill(read.buffer, produced_, read.count);
    produced_ += read.count;
    delivered_ += read.count;
    read.filled = read.count;
    complete(read, now);
  }
}

void SimModule::fill(std::int16_t* destination, std::uint64_t firstSample, std::size_t count) const {
  const std::uint64_t channels = plan_.size();
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint64_t sample = firstSample + i;
    const std::uint64_t frame = sample / channels;
    const auto position = static_cast<std::size_t>(sample % channels);
    const FrameSlot& slot = plan_[position];
    const double t = static_cast<double>(frame) / kadrRateHz_ + static_cast<double>(position) / adcRateHz_;
    destination[i] = quantise(signals_.volts(slot.channel, t, sample), slot.range);
  }
}

void SimModule::complete(PendingRead read, Clock::time_point now) {
  ++completedBlocks_;
  if (config_->lateFromBlock != 0 && completedBlocks_ >= config_->lateFromBlock) {
    const auto lateBy = config_->lateBy.value_or(std::chrono::milliseconds(read.timeoutMs) + std::chrono::seconds(1));
    late_.push_back({read, now + lateBy});
    changed_.notify_all();
    return;
  }
  signal(read, kStatusSuccess);
}

void SimModule::deliverLate(Clock::time_point now) {
  std::erase_if(late_, [&](const LateRead& late) {
    if (late.due > now) return false;
    signal(late.read, kStatusSuccess);
    return true;
  });
}

void SimModule::signal(const PendingRead& read, std::uintptr_t status) {
  read.overlapped->Internal = status;
  read.overlapped->InternalHigh = status == kStatusSuccess ? read.count * sizeof(std::int16_t) : 0;
  static_cast<AutoResetEvent*>(read.overlapped->hEvent)->set();
}

std::optional<SimModule::Clock::time_point> SimModule::nextWake() const {
  std::optional<Clock::time_point> wake;
  if (!pending_.empty()) {
    const PendingRead& head = pending_.front();
    const std::uint64_t channels = plan_.size();
    const std::uint64_t lastSample = produced_ + (head.count - head.filled);
    const std::uint64_t frames = (lastSample + channels - 1) / channels;
    // A microsecond past the mark, so that rounding never wakes it just short of it.
    wake = start_ + std::chrono::ceil<Clock::duration>(
                        std::chrono::duration<double>(static_cast<double>(frames) / kadrRateHz_)) +
           std::chrono::microseconds(1);
  }
  for (const LateRead& late : late_)
    if (!wake || late.due < *wake) wake = late.due;
  return wake;
}

void SimModule::produce() {
  // Its own name: it would inherit the reader's, and a profile of a simulated run would show
  // the module's work as the program's.
  nameCurrentThread("SimModule");
  std::unique_lock lock(mutex_);
  while (running_) {
    const auto now = Clock::now();
    advanceTo(now);
    deliverLate(now);
    if (auto wake = nextWake())
      changed_.wait_until(lock, *wake);
    else
      changed_.wait(lock);
  }
}

// --- conversion -----------------------------------------------------------------------

BOOL SimModule::ProcessOnePoint(std::int16_t code, double* volts, DWORD controlTableEntry,
                                BOOL calibrateOffset, BOOL calibrateGain) {
  if (fails(Operation::ProcessOnePoint) || volts == nullptr) return 0;
  *volts = codeToVolts(code, rangeOfEntry(controlTableEntry), calibrateOffset != 0, calibrateGain != 0);
  return kModuleTrue;
}

// --- digital I/O ----------------------------------------------------------------------

BOOL SimModule::ENABLE_TTL_OUT(BOOL enable) {
  return busOperation(Operation::ENABLE_TTL_OUT, [&]() -> BOOL {
    ttlEnabled_ = enable != 0;
    return kModuleTrue;
  });
}

BOOL SimModule::TTL_OUT(WORD ttlOut) {
  return busOperation(Operation::TTL_OUT, [&]() -> BOOL {
    ttlOut_ = ttlOut;
    return kModuleTrue;
  });
}

BOOL SimModule::TTL_IN(WORD* ttlIn) {
  return busOperation(Operation::TTL_IN, [&]() -> BOOL {
    if (ttlIn == nullptr) return 0;
    // The loopback cable sees the outputs only while they are driven.
    *ttlIn = config_->fixedTtlIn.value_or(ttlEnabled_ ? ttlOut_ : WORD{0});
    return kModuleTrue;
  });
}

// --- observation ----------------------------------------------------------------------

SimModule::Counters SimModule::counters() {
  std::lock_guard lock(mutex_);
  advanceTo(Clock::now());
  return {produced_, delivered_, lost_, overruns_, completedBlocks_, pending_.size()};
}

bool SimModule::running() {
  std::lock_guard lock(mutex_);
  return running_;
}

bool SimModule::released() {
  std::lock_guard lock(mutex_);
  return released_;
}

ADC_PARS_E154 SimModule::adcSettings() {
  std::lock_guard lock(mutex_);
  return pars_;
}

WORD SimModule::ttlOutputs() {
  std::lock_guard lock(mutex_);
  return ttlOut_;
}

bool SimModule::ttlOutputsEnabled() {
  std::lock_guard lock(mutex_);
  return ttlEnabled_;
}

}  // namespace kelmo::sim
