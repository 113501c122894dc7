#pragma once
// Which sound device the generator opens: KELMO_SOUND = pulse | portaudio | virtual |
// virtual:wav=PATH. Unset, the real devices are tried in turn and the first that opens
// is used: on Linux the sound server's own client library (exact to the frame), then
// PortAudio for a machine without a server; on Windows winmm, waveIn and waveOut device 0.
// The virtual device is never a silent stand-in: it plays only when asked for.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "discharge/sound_streams.h"

namespace kelmo {

using SoundStreamsFactory = std::function<std::shared_ptr<SoundStreams>()>;

// The devices to try for the next start, in order. Throws std::runtime_error for an
// unknown KELMO_SOUND.
std::vector<std::shared_ptr<SoundStreams>> chooseSoundStreams();
// The device a KELMO_SOUND value names.
std::shared_ptr<SoundStreams> soundStreamsFor(const std::string& choice);
// The real devices tried in turn when KELMO_SOUND is unset.
std::vector<std::shared_ptr<SoundStreams>> defaultSoundStreams();
// Replaces the choice (tests hand in their own device); an empty factory restores it.
void setSoundStreamsFactory(SoundStreamsFactory factory);

}  // namespace kelmo
