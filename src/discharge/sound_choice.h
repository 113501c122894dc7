#pragma once
// Which sound device the generator opens: KELMO_SOUND = portaudio | virtual |
// virtual:wav=PATH; unset, PortAudio when it can open a full-duplex stream at the format,
// otherwise the virtual device. On Windows winmm takes PortAudio's place: the waveIn and
// waveOut devices 0 when the system has both.
#include <functional>
#include <memory>
#include <string>

#include "discharge/sound_streams.h"

namespace kelmo {

using SoundStreamsFactory = std::function<std::shared_ptr<SoundStreams>()>;

// The device for the next start. Throws std::runtime_error for an unknown KELMO_SOUND.
std::shared_ptr<SoundStreams> chooseSoundStreams();
// The device chosen for a KELMO_SOUND value (empty: the default choice).
std::shared_ptr<SoundStreams> soundStreamsFor(const std::string& choice);
// Replaces the choice (tests hand in their own device); an empty factory restores it.
void setSoundStreamsFactory(SoundStreamsFactory factory);

}  // namespace kelmo
