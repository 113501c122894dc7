#pragma once
// Real sound devices through PortAudio: one full-duplex stream on the default input and
// output devices whose callback, once per 4096-frame buffer, records one input block and
// plays one output block.
#include <atomic>
#include <cstdint>
#include <string>

#include "discharge/queued_sound_streams.h"

namespace kelmo {

class PortAudioSound : public QueuedSoundStreams {
 public:
  PortAudioSound() = default;
  ~PortAudioSound() override;

  // True when a full-duplex stream of the format can be opened on the default devices.
  static bool canOpenDuplex(const WaveFormat& format);

  std::string deviceName() const override;
  std::string open(const WaveFormat& format, AutoResetEvent& inputEvent,
                   AutoResetEvent& outputEvent) override;
  void startInput() override;
  void closeInput() override;
  void closeOutput() override;
  SoundCounters counters() const override;

 protected:
  void stopDevice() override;

 private:
  friend struct PortAudioCallback;
  void release();

  void* stream_ = nullptr;  // PaStream
  std::atomic<bool> running_{false};
  std::string deviceName_ = "PortAudio default device";
  int channels_ = 2;
  std::atomic<std::uint64_t> deviceUnderflows_{0};
  std::atomic<std::uint64_t> deviceOverflows_{0};
};

}  // namespace kelmo
