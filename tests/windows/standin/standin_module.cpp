#include "standin_module.h"

#include <atomic>
#include <string>

namespace standin {

namespace {

// The simulated module's completion states in its own overlapped blocks.
constexpr std::uintptr_t kBlockFilled = 0;
constexpr std::uintptr_t kBlockPending = 0x103;

constexpr DWORD kPipeBuffer = 1 << 20;

std::wstring newPipeName() {
  static std::atomic<unsigned> count{0};
  return L"\\\\.\\pipe\\kelmo-standin-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(++count);
}

BOOL result(kelmo::BOOL ok) { return static_cast<BOOL>(ok); }

}  // namespace

StandInModule::Block::Block(DWORD samples) : buffer(samples) {
  overlapped.hEvent = &done;
  request.Buffer = buffer.data();
  request.NumberOfWordsToPass = samples;
  request.Overlapped = &overlapped;
}

std::unique_ptr<StandInModule> StandInModule::create(kelmo::sim::SimModule& sim) {
  const std::wstring name = newPipeName();
  HANDLE deviceEnd = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED,
                                      PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, kPipeBuffer,
                                      kPipeBuffer, 0, nullptr);
  if (deviceEnd == INVALID_HANDLE_VALUE) return nullptr;
  HANDLE moduleEnd = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (moduleEnd == INVALID_HANDLE_VALUE) {
    CloseHandle(deviceEnd);
    return nullptr;
  }
  return std::unique_ptr<StandInModule>(new StandInModule(sim, deviceEnd, moduleEnd));
}

StandInModule::StandInModule(kelmo::sim::SimModule& sim, HANDLE deviceEnd, HANDLE moduleEnd)
    : sim_(sim), deviceEnd_(deviceEnd), moduleEnd_(moduleEnd), pump_([this] { pump(); }) {}

StandInModule::~StandInModule() {
  stopPump();
  // Closing the reading end ends the caller's reads still pending on it.
  CloseHandle(moduleEnd_);
  CloseHandle(deviceEnd_);
}

// --- the reads --------------------------------------------------------------------------

BOOL StandInModule::ReadData(void* readRequest) {
  auto* request = static_cast<ReadRequest*>(readRequest);
  if (request == nullptr || request->Buffer == nullptr || request->NumberOfWordsToPass == 0 ||
      request->Overlapped == nullptr || request->Overlapped->hEvent == nullptr)
    return FALSE;
  const DWORD samples = request->NumberOfWordsToPass;
  if (samples > kPipeBuffer / sizeof(std::int16_t)) return FALSE;

  std::lock_guard issue(issueMutex_);
  request->NumberOfWordsPassed = 0;
  // The caller's read goes first: the block's message finds it waiting.
  if (!ReadFile(deviceEnd_, request->Buffer, samples * sizeof(std::int16_t), nullptr, request->Overlapped) &&
      GetLastError() != ERROR_IO_PENDING)
    return FALSE;

  auto block = std::make_shared<Block>(samples);
  block->request.TimeOut = request->TimeOut;
  {
    std::lock_guard lock(mutex_);
    blocks_.push_back(block);
    issuers_.insert(std::this_thread::get_id());
  }
  if (sim_.ReadData(&block->request) == 0) {
    {
      std::lock_guard lock(mutex_);
      block->withdrawn = true;
    }
    wake_.set();
    // Refused: the caller's read must not stay pending without a block to fill it.
    CancelIoEx(deviceEnd_, request->Overlapped);
    DWORD ignored = 0;
    GetOverlappedResult(deviceEnd_, request->Overlapped, &ignored, TRUE);
    return FALSE;
  }
  changed_.notify_all();
  return TRUE;
}

void StandInModule::pump() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || !blocks_.empty(); });
    if (stopping_) return;
    const std::shared_ptr<Block> block = blocks_.front();
    if (!block->withdrawn) {
      lock.unlock();
      const bool filled = kelmo::AutoResetEvent::waitAny(block->done, wake_) == 0;
      lock.lock();
      // Woken for another reason: the block may have been withdrawn, or the module stopped.
      if (!filled) continue;
      if (block->overlapped.Internal == kBlockFilled) {
        lock.unlock();
        DWORD written = 0;
        WriteFile(moduleEnd_, block->buffer.data(), static_cast<DWORD>(block->buffer.size() * sizeof(std::int16_t)),
                  &written, nullptr);
        lock.lock();
      }
    }
    blocks_.pop_front();
    changed_.notify_all();
  }
}

void StandInModule::withdrawBlocks() {
  std::lock_guard issue(issueMutex_);
  std::set<std::thread::id> issuers;
  {
    std::lock_guard lock(mutex_);
    issuers.swap(issuers_);
  }
  // The module lets go of every block still pending; what it filled before goes out.
  for (const std::thread::id& issuer : issuers) sim_.cancelIo(issuer);
  std::unique_lock lock(mutex_);
  for (const std::shared_ptr<Block>& block : blocks_)
    if (block->overlapped.Internal == kBlockPending) block->withdrawn = true;
  wake_.set();
  changed_.wait(lock, [this] { return blocks_.empty() || stopping_; });
  lock.unlock();
  discardUnreadMessages();
}

void StandInModule::discardUnreadMessages() {
  // A message still in the pipe found its read cancelled; the next read must not get it.
  // No read of the caller's is pending while one is there, and none is issued meanwhile.
  std::vector<char> scrap(kPipeBuffer);
  OVERLAPPED overlapped{};
  overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (overlapped.hEvent == nullptr) return;
  DWORD available = 0;
  while (PeekNamedPipe(deviceEnd_, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
    DWORD read = 0;
    if (!ReadFile(deviceEnd_, scrap.data(), kPipeBuffer, nullptr, &overlapped) && GetLastError() != ERROR_IO_PENDING)
      break;
    if (!GetOverlappedResult(deviceEnd_, &overlapped, &read, TRUE)) break;
  }
  CloseHandle(overlapped.hEvent);
}

// --- the stream -------------------------------------------------------------------------

BOOL StandInModule::START_ADC() { return result(sim_.START_ADC()); }

BOOL StandInModule::STOP_ADC() {
  const BOOL ok = result(sim_.STOP_ADC());
  // A stopped stream fills no block: the module lets go of its side of the reads, and
  // every block filled before is in the pipe when this returns. The caller's reads that
  // found no block stay pending until the caller cancels them.
  if (ok) withdrawBlocks();
  return ok;
}

BOOL StandInModule::ReleaseLInstance() {
  std::lock_guard issue(issueMutex_);
  const BOOL ok = result(sim_.ReleaseLInstance());
  if (ok) stopPump();
  return ok;
}

void StandInModule::stopPump() {
  {
    // A released module has dropped its blocks without a word.
    std::lock_guard lock(mutex_);
    for (const std::shared_ptr<Block>& block : blocks_) block->withdrawn = true;
    issuers_.clear();
    stopping_ = true;
  }
  changed_.notify_all();
  wake_.set();
  if (pump_.joinable()) pump_.join();
}

HANDLE StandInModule::DeviceHandle() { return sim_.GetDeviceHandle() == nullptr ? nullptr : deviceEnd_; }

// --- everything else goes to the simulated module as it is -------------------------------

BOOL StandInModule::OpenLDevice(WORD virtualSlot) { return result(sim_.OpenLDevice(virtualSlot)); }

BOOL StandInModule::CloseLDevice() { return result(sim_.CloseLDevice()); }

BOOL StandInModule::GetModuleName(char* name) { return result(sim_.GetModuleName(name)); }

BOOL StandInModule::GetUsbSpeed(BYTE* usbSpeed) { return result(sim_.GetUsbSpeed(usbSpeed)); }

BOOL StandInModule::GET_ADC_PARS(void* adcRecord) {
  return result(sim_.GET_ADC_PARS(static_cast<kelmo::ADC_PARS_E154*>(adcRecord)));
}

BOOL StandInModule::SET_ADC_PARS(void* adcRecord) {
  return result(sim_.SET_ADC_PARS(static_cast<kelmo::ADC_PARS_E154*>(adcRecord)));
}

BOOL StandInModule::ProcessOnePoint(SHORT code, double* volts, DWORD controlEntry, BOOL calibrateOffset,
                                    BOOL calibrateGain) {
  return result(sim_.ProcessOnePoint(code, volts, controlEntry, calibrateOffset, calibrateGain));
}

BOOL StandInModule::ENABLE_TTL_OUT(BOOL enable) { return result(sim_.ENABLE_TTL_OUT(enable)); }

BOOL StandInModule::TTL_IN(WORD* ttlIn) { return result(sim_.TTL_IN(ttlIn)); }

BOOL StandInModule::TTL_OUT(WORD ttlOut) { return result(sim_.TTL_OUT(ttlOut)); }

BOOL StandInModule::GET_MODULE_DESCRIPTION(void* descriptionRecord) {
  return result(sim_.GET_MODULE_DESCRIPTION(static_cast<kelmo::MODULE_DESCRIPTION_E154*>(descriptionRecord)));
}

}  // namespace standin
