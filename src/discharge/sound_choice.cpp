#include "discharge/sound_choice.h"

#include <mutex>
#include <stdexcept>

#ifdef _WIN32
#include "discharge/winmm_sound.h"
#else
#include "discharge/portaudio_sound.h"
#include "discharge/pulse_sound.h"
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
  if (choice == "pulse") return std::make_shared<PulseSound>();
  if (choice == "portaudio") return std::make_shared<PortAudioSound>();
#endif
  if (choice == "virtual") return std::make_shared<VirtualSound>(VirtualSound::Options{});
  if (choice.rfind(kWavPrefix, 0) == 0 && choice.size() > kWavPrefix.size()) {
    return std::make_shared<VirtualSound>(
        VirtualSound::Options{VirtualSound::Pacing::clock, choice.substr(kWavPrefix.size())});
  }
#ifdef _WIN32
  throw std::runtime_error("KELMO_SOUND=\"" + choice + "\": expected winmm, virtual or virtual:wav=PATH");
#else
  throw std::runtime_error("KELMO_SOUND=\"" + choice +
                           "\": expected pulse, portaudio, virtual or virtual:wav=PATH");
#endif
}

std::vector<std::shared_ptr<SoundStreams>> defaultSoundStreams() {
#ifdef _WIN32
  return {std::make_shared<WinmmSound>()};
#else
  // PortAudio reaches the server only through ALSA's plug-in, whose two streams are not
  // frame-exact; it stays for machines that have a sound card but no server.
  return {std::make_shared<PulseSound>(), std::make_shared<PortAudioSound>()};
#endif
}

std::vector<std::shared_ptr<SoundStreams>> chooseSoundStreams() {
  {
    std::lock_guard lock(factoryMutex);
    if (replacement) return {replacement()};
  }
  const std::string choice = environmentVariable("KELMO_SOUND").value_or("");
  if (choice.empty()) return defaultSoundStreams();
  return {soundStreamsFor(choice)};
}

void setSoundStreamsFactory(SoundStreamsFactory factory) {
  std::lock_guard lock(factoryMutex);
  replacement = std::move(factory);
}

}  // namespace kelmo
