#pragma once
// A sound device without hardware: a clock completes one input block and plays one output
// block every 4096 frames at the format's rate. What is played can go to a WAV file and
// to a tap; tests can drive the cycles themselves instead of the clock.
#include <condition_variable>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "discharge/queued_sound_streams.h"
#include "discharge/wav_file.h"
#include "platform/os_thread.h"

namespace kelmo {

class VirtualSound : public QueuedSoundStreams {
 public:
  enum class Pacing { clock, manual };
  struct Options {
    Pacing pacing = Pacing::clock;
    std::string wavPath;  // empty: nothing written
  };
  static constexpr std::size_t kCycleFrames = 4096;

  explicit VirtualSound(Options options);
  ~VirtualSound() override;

  std::string deviceName() const override;
  std::string open(const WaveFormat& format, AutoResetEvent& inputEvent,
                   AutoResetEvent& outputEvent) override;
  void startInput() override;
  void closeInput() override;
  void closeOutput() override;

  // Manual pacing: runs device cycles on the calling thread.
  void advance(int cycles = 1);
  // Receives the interleaved samples of every cycle played (silence included).
  void setPlayedTap(std::function<void(std::span<const std::int16_t>)> tap);

 protected:
  void stopDevice() override;

 private:
  void runClock();
  void runCycle();

  Options options_;
  WaveFormat format_;
  std::vector<std::int16_t> silence_;
  std::vector<std::int16_t> played_;
  WavFile wav_;
  std::function<void(std::span<const std::int16_t>)> tap_;

  std::mutex clockMutex_;
  std::condition_variable clockChanged_;
  bool clockStopping_ = false;
  OsThread clock_;
};

}  // namespace kelmo
