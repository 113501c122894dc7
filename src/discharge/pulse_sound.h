#pragma once
// The sound server's own client library (PulseAudio, or a server speaking its protocol):
// a record stream on the default source and a playback stream on the default sink.
//
// Playback is exact by construction: every byte written is played, in order, and the
// server never adds or drops frames inside written data. Written blocks are copied into
// the server's buffer at once and handed back; a cushion of several blocks there keeps
// the sink playing while the generator's thread is scheduled late. Recorded data stays
// with the server until an input block is queued for it, so a late thread loses no input
// block and the pacing by completed input blocks stays whole.
//
// Every wait on the server is bounded; when the server goes away the streams simply stop
// completing blocks, which the generator notices.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "discharge/sound_streams.h"

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;

namespace kelmo {

class PulseSound : public SoundStreams {
 public:
  // Blocks the server buffers before it starts playing (and keeps buffered from then on).
  static constexpr std::uint32_t kCushionBlocks = 6;

  PulseSound();
  ~PulseSound() override;
  PulseSound(const PulseSound&) = delete;
  PulseSound& operator=(const PulseSound&) = delete;

  std::string deviceName() const override;
  std::string open(const WaveFormat& format, AutoResetEvent& inputEvent,
                   AutoResetEvent& outputEvent) override;
  void prepareOutput(SoundBlock& block) override;
  void prepareInput(SoundBlock& block) override;
  unsigned addInput(SoundBlock& block) override;
  void startInput() override;
  unsigned writeOutput(SoundBlock& block) override;
  void resetInput() override;
  void resetOutput() override;
  void closeInput() override;
  void closeOutput() override;
  SoundCounters counters() const override;

 private:
  struct Callbacks;
  friend struct Callbacks;

  // Locks the client library's loop for the scope.
  class LoopLock {
   public:
    explicit LoopLock(pa_threaded_mainloop* loop);
    ~LoopLock();
    LoopLock(const LoopLock&) = delete;
    LoopLock& operator=(const LoopLock&) = delete;

   private:
    pa_threaded_mainloop* loop_;
  };

  std::string connect(const WaveFormat& format);
  // Waits, the loop locked, until `ready` says true or false; empty on true, otherwise why.
  template <class Ready>
  std::string waitFor(Ready ready, std::chrono::milliseconds limit, const char* what);
  std::string lastError() const;
  // Moves recorded data into queued input blocks; the loop is locked.
  void takeRecorded();
  void release();

  pa_threaded_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
  pa_stream* record_ = nullptr;
  pa_stream* playback_ = nullptr;
  std::string serverName_;

  // Touched only with the loop locked.
  AutoResetEvent* inputEvent_ = nullptr;
  AutoResetEvent* outputEvent_ = nullptr;
  std::deque<SoundBlock*> input_;
  std::size_t inputFill_ = 0;  // bytes already in the head input block
  std::vector<std::byte> carry_;  // recorded bytes that found no queued block yet
  bool recording_ = false;
  SoundCounters counters_;
};

}  // namespace kelmo
