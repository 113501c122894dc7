#include "discharge/sound_choice.h"

#include <mutex>
#include <stdexcept>

#ifdef _WIN32
#include "discharge/winmm_sound.h"
#else
#include "discharge/portaudio_sound.h"
#endif
#include "discharge/virtual_sound.h"
#include "platform/program_environment.h"

namespace kelmo {

namespace {

std::mutex factoryMutex;
SoundStreamsFactory replacement;

const std::string kWavPrefix = "virtual:wav=";

}  // namespace

std::shared_ptr<SoundStreams> soundStreamsFor(const std::string& choice) {
#ifdef _WIN32
  if (choice == "winmm") return std::make_shared<WinmmSound>();
#else
  if (choice == "portaudio") return std::make_shared<PortAudioSound>();
#endif
  if (choice == "virtual") return std::make_shared<VirtualSound>(VirtualSound::Options{});
  if (choice.rfind(kWavPrefix, 0) == 0 && choice.size() > kWavPrefix.size()) {
    return std::make_shared<VirtualSound>(
        VirtualSound::Options{VirtualSound::Pacing::clock, choice.substr(kWavPrefix.size())});
  }
  if (choice.empty()) {
#ifdef _WIN32
    if (WinmmSound::available()) return std::make_shared<WinmmSound>();
#else
    if (PortAudioSound::canOpenDuplex(WaveFormat{})) return std::make_shared<PortAudioSound>();
#endif
    return std::make_shared<VirtualSound>(VirtualSound::Options{});
  }
#ifdef _WIN32
  throw std::runtime_error("KELMO_SOUND=\"" + choice + "\": expected winmm, virtual or virtual:wav=PATH");
#else
  throw std::runtime_error("KELMO_SOUND=\"" + choice +
                           "\": expected portaudio, virtual or virtual:wav=PATH");
#endif
}

std::shared_ptr<SoundStreams> chooseSoundStreams() {
  {
    std::lock_guard lock(factoryMutex);
    if (replacement) return replacement();
  }
  return soundStreamsFor(environmentVariable("KELMO_SOUND").value_or(""));
}

void setSoundStreamsFactory(SoundStreamsFactory factory) {
  std::lock_guard lock(factoryMutex);
  replacement = std::move(factory);
}

}  // namespace kelmo
