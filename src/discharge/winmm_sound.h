#pragma once
// The Windows multimedia sound interface: waveIn and waveOut on device 0 with event
// notification (CALLBACK_EVENT). A relay thread waits for the two kernel events, marks
// the blocks the device has handed back and sets the generator's events. Windows only.
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "discharge/sound_streams.h"

namespace kelmo {

class WinmmSound : public SoundStreams {
 public:
  WinmmSound();
  ~WinmmSound() override;
  WinmmSound(const WinmmSound&) = delete;
  WinmmSound& operator=(const WinmmSound&) = delete;

  // True when the system has a sound input and a sound output device.
  static bool available();

  std::string deviceName() const override;
  std::string open(const WaveFormat& format, AutoResetEvent& inputEvent, AutoResetEvent& outputEvent) override;
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
  struct Stream;
  void relay();
  void stopRelay();
  void takeDoneBlocks(Stream& stream);

  std::unique_ptr<Stream> input_;
  std::unique_ptr<Stream> output_;
  void* stopRelay_;  // kernel event
  std::thread relay_;
  mutable std::mutex mutex_;  // the streams' block tables and counters
  SoundCounters counters_;
};

}  // namespace kelmo
