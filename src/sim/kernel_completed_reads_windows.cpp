#include "sim/kernel_completed_reads_windows.h"

#include <windows.h>

#include <atomic>
#include <string>

namespace kelmo::sim {

namespace {

// The simulated module's completion states in its own overlapped blocks.
constexpr std::uintptr_t kBlockFilled = 0;
constexpr std::uintptr_t kBlockPending = 0x103;

// The largest read: a block of 65536 samples, as one message.
constexpr ::DWORD kPipeBuffer = 1 << 20;

std::wstring newPipeName() {
  static std::atomic<unsigned> count{0};
  return L"\\\\.\\pipe\\kelmo-sim-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++count);
}

}  // namespace

KernelCompletedReads::Block::Block(DWORD samples) : buffer(samples) {
  overlapped.hEvent = &done;
  request.Buffer = buffer.data();
  request.NumberOfWordsToPass = samples;
  request.Overlapped = &overlapped;
}

std::unique_ptr<KernelCompletedReads> KernelCompletedReads::create(SimModule& sim) {
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
  return std::unique_ptr<KernelCompletedReads>(new KernelCompletedReads(sim, deviceEnd, moduleEnd));
}

KernelCompletedReads::KernelCompletedReads(SimModule& sim, void* deviceEnd, void* moduleEnd)
    : sim_(sim), deviceEnd_(deviceEnd), moduleEnd_(moduleEnd), pump_([this] { pump(); }) {}

KernelCompletedReads::~KernelCompletedReads() {
  {
    // The module lets go of the blocks first: after this it writes into none of them.
    std::lock_guard issue(issueMutex_);
    std::set<std::thread::id> issuers;
    {
      std::lock_guard lock(mutex_);
      issuers.swap(issuers_);
    }
    for (const std::thread::id& issuer : issuers) sim_.cancelIo(issuer);
  }
  stopPump();
  // Closing the reading end ends the caller's reads still pending on it.
  CloseHandle(moduleEnd_);
  CloseHandle(deviceEnd_);
}

// --- the reads ----------------------------------------------------------------------------

BOOL KernelCompletedReads::readData(std::int16_t* buffer, DWORD samples, void* overlapped, DWORD timeoutMs) {
  auto* caller = static_cast<OVERLAPPED*>(overlapped);
  if (buffer == nullptr || samples == 0 || caller == nullptr || caller->hEvent == nullptr) return 0;
  if (samples > kPipeBuffer / sizeof(std::int16_t)) return 0;

  std::lock_guard issue(issueMutex_);
  // The caller's read goes first: the block's message finds it waiting.
  if (!ReadFile(deviceEnd_, buffer, samples * sizeof(std::int16_t), nullptr, caller) &&
      GetLastError() != ERROR_IO_PENDING)
    return 0;

  auto block = std::make_shared<Block>(samples);
  block->request.TimeOut = timeoutMs;
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
    CancelIoEx(deviceEnd_, caller);
    ::DWORD ignored = 0;
    GetOverlappedResult(deviceEnd_, caller, &ignored, TRUE);
    return 0;
  }
  changed_.notify_all();
  return kModuleTrue;
}

void KernelCompletedReads::pump() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || !blocks_.empty(); });
    if (stopping_) return;
    const std::shared_ptr<Block> block = blocks_.front();
    if (!block->withdrawn) {
      lock.unlock();
      const bool filled = AutoResetEvent::waitAny(block->done, wake_) == 0;
      lock.lock();
      // Woken for another reason: the block may have been withdrawn, or the module stopped.
      if (!filled) continue;
      if (block->overlapped.Internal == kBlockFilled) {
        lock.unlock();
        ::DWORD written = 0;
        WriteFile(moduleEnd_, block->buffer.data(), static_cast<::DWORD>(block->buffer.size() * sizeof(std::int16_t)),
                  &written, nullptr);
        lock.lock();
      }
    }
    blocks_.pop_front();
    changed_.notify_all();
  }
}

void KernelCompletedReads::withdrawBlocks() {
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

void KernelCompletedReads::discardUnreadMessages() {
  // A message still in the pipe found its read cancelled; the next read must not get it.
  // No read of the caller's is pending while one is there, and none is issued meanwhile.
  std::vector<char> scrap(kPipeBuffer);
  OVERLAPPED overlapped{};
  overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (overlapped.hEvent == nullptr) return;
  ::DWORD available = 0;
  while (PeekNamedPipe(deviceEnd_, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
    ::DWORD read = 0;
    if (!ReadFile(deviceEnd_, scrap.data(), kPipeBuffer, nullptr, &overlapped) && GetLastError() != ERROR_IO_PENDING)
      break;
    if (!GetOverlappedResult(deviceEnd_, &overlapped, &read, TRUE)) break;
  }
  CloseHandle(overlapped.hEvent);
}

// --- the stream and the module's life -----------------------------------------------------

BOOL KernelCompletedReads::stopAdc() {
  const BOOL ok = sim_.STOP_ADC();
  // A stopped stream fills no block: the module lets go of its side of the reads, and
  // every block filled before is in the pipe when this returns. The caller's reads that
  // found no block stay pending until the caller cancels them.
  if (ok != 0) withdrawBlocks();
  return ok;
}

BOOL KernelCompletedReads::releaseInstance() {
  std::lock_guard issue(issueMutex_);
  const BOOL ok = sim_.ReleaseLInstance();
  if (ok != 0) stopPump();
  return ok;
}

void KernelCompletedReads::stopPump() {
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

void* KernelCompletedReads::deviceHandle() { return sim_.GetDeviceHandle() == nullptr ? nullptr : deviceEnd_; }

}  // namespace kelmo::sim
