#pragma once
// One sound device seen as an input and an output stream with block-queue semantics:
// prepared blocks are queued, recorded or played, and handed back in the order queued.
// Each stream sets its event once when it is opened and once per completed block.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/auto_reset_event.h"

namespace kelmo {

// PCM stream format; the defaults are the generator's: 44.1 kHz, 2 channels, 16 bits.
struct WaveFormat {
  std::uint16_t channels = 2;
  std::uint32_t framesPerSecond = 44100;
  std::uint16_t bitsPerSample = 16;
  std::uint16_t bytesPerFrame = 4;
  std::uint32_t bytesPerSecond = 176400;
};

// Header flags of a block.
inline constexpr unsigned kBlockDone = 1;      // handed back by the stream
inline constexpr unsigned kBlockPrepared = 2;  // prepared for a stream
inline constexpr unsigned kBlockQueued = 16;   // owned by the stream until done

// One block: a buffer owned by the caller and the header the stream works with.
// The flags are the only field both sides touch once the block is queued.
struct SoundBlock {
  std::byte* data = nullptr;
  std::size_t bytes = 0;
  std::atomic<unsigned> flags{0};

  bool done() const { return (flags.load(std::memory_order_acquire) & kBlockDone) != 0; }
};

// Result codes of queueing a block; 0 is success.
inline constexpr unsigned kSoundOk = 0;
inline constexpr unsigned kSoundNotOpen = 5;
inline constexpr unsigned kSoundStillQueued = 33;
inline constexpr unsigned kSoundUnprepared = 34;

// What a stream counted since it was opened.
struct SoundCounters {
  std::uint64_t blocksPlayed = 0;
  std::uint64_t outputUnderruns = 0;  // cycles with no block queued once playing had begun
  std::uint64_t blocksRecorded = 0;
  std::uint64_t inputOverruns = 0;    // cycles with no input block queued while recording
  std::uint64_t deviceUnderflows = 0;  // the device itself reported output gaps
  std::uint64_t deviceOverflows = 0;   // the device itself reported lost input
};

class SoundStreams {
 public:
  virtual ~SoundStreams() = default;

  // The device as the operator would name it.
  virtual std::string deviceName() const = 0;
  // Opens the input and the output stream; empty on success, otherwise the reason.
  virtual std::string open(const WaveFormat& format, AutoResetEvent& inputEvent,
                           AutoResetEvent& outputEvent) = 0;
  virtual void prepareOutput(SoundBlock& block) = 0;
  virtual void prepareInput(SoundBlock& block) = 0;
  virtual unsigned addInput(SoundBlock& block) = 0;
  virtual void startInput() = 0;
  virtual unsigned writeOutput(SoundBlock& block) = 0;
  // Stop recording / playing at once; queued blocks are handed back.
  virtual void resetInput() = 0;
  virtual void resetOutput() = 0;
  virtual void closeInput() = 0;
  virtual void closeOutput() = 0;
  virtual SoundCounters counters() const = 0;
};

}  // namespace kelmo
