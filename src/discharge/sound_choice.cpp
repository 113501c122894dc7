#include "discharge/sound_choice.h"

#include <cstdlib>
#include <mutex>
#include <stdexcept>

#ifndef _WIN32
#include "discharge/portaudio_sound.h"
#endif
#include "discharge/virtual_sound.h"

namespace kelmo {

namespace {

std::mutex factoryMutex;
SoundStreamsFactory replacement;

const std::string kWavPrefix = "virtual:wav=";

}  // namespace

std::shared_ptr<SoundStreams> soundStreamsFor(const std::string& choice) {
#ifndef _WIN32
  if (choice == "portaudio") return std::make_shared<PortAudioSound>();
#endif
  if (choice == "virtual") return std::make_shared<VirtualSound>(VirtualSound::Options{});
  if (choice.rfind(kWavPrefix, 0) == 0 && choice.size() > kWavPrefix.size()) {
    return std::make_shared<VirtualSound>(
        VirtualSound::Options{VirtualSound::Pacing::clock, choice.substr(kWavPrefix.size())});
  }
  if (choice.empty()) {
#ifndef _WIN32
    if (PortAudioSound::canOpenDuplex(WaveFormat{})) return std::make_shared<PortAudioSound>();
#endif
    return std::make_shared<VirtualSound>(VirtualSound::Options{});
  }
  throw std::runtime_error("KELMO_SOUND=\"" + choice +
                           "\": expected portaudio, virtual or virtual:wav=PATH");
}

std::shared_ptr<SoundStreams> chooseSoundStreams() {
  {
    std::lock_guard lock(factoryMutex);
    if (replacement) return replacement();
  }
  const char* choice = std::getenv("KELMO_SOUND");
  return soundStreamsFor(choice ? choice : "");
}

void setSoundStreamsFactory(SoundStreamsFactory factory) {
  std::lock_guard lock(factoryMutex);
  replacement = std::move(factory);
}

}  // namespace kelmo
