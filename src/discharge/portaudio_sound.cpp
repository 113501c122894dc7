#include "discharge/portaudio_sound.h"

#include <portaudio.h>

#include <span>

#include "discharge/quiet_alsa.h"

namespace kelmo {

namespace {

constexpr unsigned long kFramesPerBuffer = 4096;

PaSampleFormat sampleFormatOf(const WaveFormat& format) {
  return format.bitsPerSample == 8 ? paUInt8 : paInt16;
}

std::string errorText(PaError error) {
  std::string text = Pa_GetErrorText(error);
  if (error == paUnanticipatedHostError) {
    if (const PaHostErrorInfo* host = Pa_GetLastHostErrorInfo(); host && host->errorText) {
      text += std::string(": ") + host->errorText;
    }
  }
  return text;
}

// PortAudio for the rest of the process, initialised once with the probing noise kept off
// the terminal. It is never terminated: that would unload ALSA's plug-ins with the state
// they keep, and probe every card and server again at each start. The devices are those
// present at the first use.
PaError portAudioSession() {
  static const PaError initialised = [] {
    silenceAlsaErrors();
    MutedStderr muted;
    return Pa_Initialize();
  }();
  return initialised;
}

struct DuplexParameters {
  PaStreamParameters input{};
  PaStreamParameters output{};
  std::string missing;  // why no duplex stream is possible, empty when it is
};

DuplexParameters duplexParameters(const WaveFormat& format) {
  DuplexParameters p;
  p.input.device = Pa_GetDefaultInputDevice();
  p.output.device = Pa_GetDefaultOutputDevice();
  const bool noInput = p.input.device == paNoDevice, noOutput = p.output.device == paNoDevice;
  if (noInput || noOutput) {
    p.missing = std::string("no sound ") + (noInput ? "input" : "") + (noInput && noOutput ? " or " : "") +
                (noOutput ? "output" : "") + " device";
  }
  if (!p.missing.empty()) return p;
  for (PaStreamParameters* s : {&p.input, &p.output}) {
    const PaDeviceInfo* info = Pa_GetDeviceInfo(s->device);
    s->channelCount = format.channels;
    s->sampleFormat = sampleFormatOf(format);
    s->suggestedLatency = s == &p.input ? info->defaultHighInputLatency : info->defaultHighOutputLatency;
    s->hostApiSpecificStreamInfo = nullptr;
  }
  return p;
}

}  // namespace

struct PortAudioCallback {
  static int run(const void* input, void* output, unsigned long frames,
                 const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags status, void* self) {
    auto& sound = *static_cast<PortAudioSound*>(self);
    if (status & paOutputUnderflow) ++sound.deviceUnderflows_;
    if (status & paInputOverflow) ++sound.deviceOverflows_;
    const std::size_t samples = frames * static_cast<std::size_t>(sound.channels_);
    static const std::int16_t silence[kFramesPerBuffer * 8] = {};
    std::span<const std::int16_t> recorded =
        input ? std::span(static_cast<const std::int16_t*>(input), samples)
              : std::span(silence, std::min(samples, std::size(silence)));
    sound.cycle(recorded, std::span(static_cast<std::int16_t*>(output), samples));
    return paContinue;
  }
};

PortAudioSound::~PortAudioSound() { release(); }

bool PortAudioSound::canOpenDuplex(const WaveFormat& format) {
  if (portAudioSession() != paNoError) return false;
  const DuplexParameters p = duplexParameters(format);
  if (!p.missing.empty()) return false;
  MutedStderr muted;
  return Pa_IsFormatSupported(&p.input, &p.output, format.framesPerSecond) == paFormatIsSupported;
}

std::string PortAudioSound::deviceName() const { return deviceName_; }

std::string PortAudioSound::open(const WaveFormat& format, AutoResetEvent& inputEvent,
                                 AutoResetEvent& outputEvent) {
  if (const PaError e = portAudioSession(); e != paNoError) return errorText(e);
  const DuplexParameters p = duplexParameters(format);
  if (!p.missing.empty()) return p.missing;
  deviceName_ = std::string("PortAudio \"") + Pa_GetDeviceInfo(p.output.device)->name + "\"";
  channels_ = format.channels;
  PaStream* stream = nullptr;
  PaError e;
  {
    MutedStderr muted;
    e = Pa_OpenStream(&stream, &p.input, &p.output, format.framesPerSecond, kFramesPerBuffer,
                      paClipOff | paDitherOff, &PortAudioCallback::run, this);
  }
  if (e != paNoError) return errorText(e);
  stream_ = stream;
  attach(inputEvent, outputEvent);
  return {};
}

void PortAudioSound::startInput() {
  markRecording();
  if (stream_ && !running_.exchange(true)) Pa_StartStream(static_cast<PaStream*>(stream_));
}

void PortAudioSound::stopDevice() {
  // Aborting waits for a callback in progress, which takes the queue lock: never call
  // this with that lock held.
  if (stream_ && running_.exchange(false)) Pa_AbortStream(static_cast<PaStream*>(stream_));
}

void PortAudioSound::closeInput() { detachInput(); }

void PortAudioSound::closeOutput() {
  stopDevice();
  detachOutput();
  release();
}

SoundCounters PortAudioSound::counters() const {
  SoundCounters c = QueuedSoundStreams::counters();
  c.deviceUnderflows = deviceUnderflows_.load();
  c.deviceOverflows = deviceOverflows_.load();
  return c;
}

void PortAudioSound::release() {
  stopDevice();
  if (stream_) {
    Pa_CloseStream(static_cast<PaStream*>(stream_));
    stream_ = nullptr;
  }
}

}  // namespace kelmo
