#pragma once
// The block queues every backend shares: the caller's side (prepare, queue, write, reset)
// and the device's side, one cycle per block period that records one input block and
// plays one output block.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <span>

#include "discharge/sound_streams.h"

namespace kelmo {

class QueuedSoundStreams : public SoundStreams {
 public:
  void prepareOutput(SoundBlock& block) override;
  void prepareInput(SoundBlock& block) override;
  unsigned addInput(SoundBlock& block) override;
  unsigned writeOutput(SoundBlock& block) override;
  void resetInput() override;
  void resetOutput() override;
  SoundCounters counters() const override;
  // True once both streams have been closed after an open, within the time-out.
  bool waitClosed(std::chrono::milliseconds timeout);

 protected:
  // Called by open(): the streams are open and each event is set once.
  void attach(AutoResetEvent& inputEvent, AutoResetEvent& outputEvent);
  // Called by close(): no event is touched afterwards.
  void detachInput();
  void detachOutput();
  // One device cycle: the head output block (or silence) goes to `played`, `recorded`
  // goes into the head input block; both are handed back and their events set.
  void cycle(std::span<const std::int16_t> recorded, std::span<std::int16_t> played);
  // Called by startInput(): input cycles now complete input blocks.
  void markRecording();
  bool recording() const;

  // Stops the device's clock or stream; called outside the queue lock.
  virtual void stopDevice() = 0;

 private:
  static void handBack(SoundBlock& block);

  mutable std::mutex mutex_;
  std::condition_variable closed_;
  int openStreams_ = 0;
  std::deque<SoundBlock*> input_;
  std::deque<SoundBlock*> output_;
  AutoResetEvent* inputEvent_ = nullptr;
  AutoResetEvent* outputEvent_ = nullptr;
  bool recording_ = false;
  bool playing_ = false;  // a block has been written since opening
  SoundCounters counters_;
};

}  // namespace kelmo
