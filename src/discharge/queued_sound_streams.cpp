#include "discharge/queued_sound_streams.h"

#include <algorithm>
#include <cstring>

namespace kelmo {

void QueuedSoundStreams::attach(AutoResetEvent& inputEvent, AutoResetEvent& outputEvent) {
  std::lock_guard lock(mutex_);
  inputEvent_ = &inputEvent;
  outputEvent_ = &outputEvent;
  openStreams_ = 2;
  recording_ = false;
  playing_ = false;
  counters_ = {};
  inputEvent.set();
  outputEvent.set();
}

void QueuedSoundStreams::detachInput() {
  std::lock_guard lock(mutex_);
  if (inputEvent_ != nullptr) --openStreams_;
  inputEvent_ = nullptr;
  closed_.notify_all();
}

void QueuedSoundStreams::detachOutput() {
  std::lock_guard lock(mutex_);
  if (outputEvent_ != nullptr) --openStreams_;
  outputEvent_ = nullptr;
  closed_.notify_all();
}

bool QueuedSoundStreams::waitClosed(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return closed_.wait_for(lock, timeout, [this] { return openStreams_ == 0; });
}

void QueuedSoundStreams::prepareOutput(SoundBlock& block) {
  block.flags.store(kBlockPrepared, std::memory_order_release);
}

void QueuedSoundStreams::prepareInput(SoundBlock& block) {
  block.flags.store(kBlockPrepared, std::memory_order_release);
}

unsigned QueuedSoundStreams::addInput(SoundBlock& block) {
  std::lock_guard lock(mutex_);
  if (inputEvent_ == nullptr) return kSoundNotOpen;
  const unsigned flags = block.flags.load(std::memory_order_acquire);
  if ((flags & kBlockPrepared) == 0) return kSoundUnprepared;
  if ((flags & kBlockQueued) != 0) return kSoundStillQueued;
  block.flags.store(kBlockPrepared | kBlockQueued, std::memory_order_release);
  input_.push_back(&block);
  return kSoundOk;
}

unsigned QueuedSoundStreams::writeOutput(SoundBlock& block) {
  std::lock_guard lock(mutex_);
  if (outputEvent_ == nullptr) return kSoundNotOpen;
  const unsigned flags = block.flags.load(std::memory_order_acquire);
  if ((flags & kBlockPrepared) == 0) return kSoundUnprepared;
  if ((flags & kBlockQueued) != 0) return kSoundStillQueued;
  block.flags.store(kBlockPrepared | kBlockQueued, std::memory_order_release);
  output_.push_back(&block);
  playing_ = true;
  return kSoundOk;
}

void QueuedSoundStreams::resetInput() {
  stopDevice();
  std::lock_guard lock(mutex_);
  recording_ = false;
  for (SoundBlock* block : input_) handBack(*block);
  input_.clear();
}

void QueuedSoundStreams::resetOutput() {
  stopDevice();
  std::lock_guard lock(mutex_);
  playing_ = false;
  for (SoundBlock* block : output_) handBack(*block);
  output_.clear();
}

SoundCounters QueuedSoundStreams::counters() const {
  std::lock_guard lock(mutex_);
  return counters_;
}

void QueuedSoundStreams::markRecording() {
  std::lock_guard lock(mutex_);
  recording_ = true;
}

bool QueuedSoundStreams::recording() const {
  std::lock_guard lock(mutex_);
  return recording_;
}

void QueuedSoundStreams::cycle(std::span<const std::int16_t> recorded,
                               std::span<std::int16_t> played) {
  std::lock_guard lock(mutex_);
  // The played block is read before the input block is handed back, so a caller woken by
  // the input event may already refill it.
  bool outputDone = false;
  if (!output_.empty()) {
    SoundBlock& block = *output_.front();
    output_.pop_front();
    const std::size_t bytes = std::min(block.bytes, played.size_bytes());
    std::memcpy(played.data(), block.data, bytes);
    std::memset(reinterpret_cast<std::byte*>(played.data()) + bytes, 0, played.size_bytes() - bytes);
    handBack(block);
    ++counters_.blocksPlayed;
    outputDone = true;
  } else {
    std::fill(played.begin(), played.end(), std::int16_t{0});
    if (playing_) ++counters_.outputUnderruns;
  }
  bool inputDone = false;
  if (recording_) {
    if (!input_.empty()) {
      SoundBlock& block = *input_.front();
      input_.pop_front();
      std::memcpy(block.data, recorded.data(), std::min(block.bytes, recorded.size_bytes()));
      handBack(block);
      ++counters_.blocksRecorded;
      inputDone = true;
    } else {
      ++counters_.inputOverruns;
    }
  }
  // Input first: a waiter woken by it sees the cycle's input before its output.
  if (inputDone && inputEvent_ != nullptr) inputEvent_->set();
  if (outputDone && outputEvent_ != nullptr) outputEvent_->set();
}

void QueuedSoundStreams::handBack(SoundBlock& block) {
  block.flags.store(kBlockPrepared | kBlockDone, std::memory_order_release);
}

}  // namespace kelmo
