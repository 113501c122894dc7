// The sound devices the generator can be given, and how one is chosen.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "captured_stderr.h"
#include "scratch_folder.h"
#include "config/kelmo_params.h"
#include "discharge/asymm_audio_control.h"
#include "discharge/discharge_pattern.h"
#include "discharge/portaudio_sound.h"
#include "discharge/sound_choice.h"
#include "discharge/virtual_sound.h"

namespace kelmo {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

TEST(SoundChoice, NamesEachChoiceAndRejectsUnknownOnes) {
  EXPECT_EQ(soundStreamsFor("virtual")->deviceName(), "virtual");
  EXPECT_EQ(soundStreamsFor("virtual:wav=/tmp/x.wav")->deviceName(), "virtual:wav=/tmp/x.wav");
  EXPECT_NE(soundStreamsFor("portaudio")->deviceName().find("PortAudio"), std::string::npos);
  EXPECT_EQ(soundStreamsFor("pulse")->deviceName(), "PulseAudio");
  for (const char* bad : {"Virtual", "virtual:wav=", "Pulse", "pulseaudio", "", "virtual:wave=/tmp/x.wav"}) {
    try {
      soundStreamsFor(bad);
      ADD_FAILURE() << bad << " accepted";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(std::string("\"") + bad + "\""), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("pulse, portaudio, virtual or virtual:wav=PATH"), std::string::npos);
    }
  }
}

// Sets an environment variable for the scope and restores it afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) saved_ = old;
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  ~ScopedEnv() { saved_ ? ::setenv(name_, saved_->c_str(), 1) : ::unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> saved_;
};

TEST(SoundChoice, TheDefaultTriesTheRealDevicesInTurnAndNeverTheVirtualOne) {
  const auto names = [](const std::vector<std::shared_ptr<SoundStreams>>& devices) {
    std::vector<std::string> n;
    for (const auto& d : devices) n.push_back(d->deviceName());
    return n;
  };
  EXPECT_EQ(names(defaultSoundStreams()), (std::vector<std::string>{"PulseAudio", "PortAudio default device"}));
  const ScopedEnv unset("KELMO_SOUND", nullptr);
  EXPECT_EQ(names(chooseSoundStreams()), names(defaultSoundStreams()));
  const ScopedEnv empty("KELMO_SOUND", "");
  EXPECT_EQ(names(chooseSoundStreams()), names(defaultSoundStreams()));
  const ScopedEnv chosen("KELMO_SOUND", "virtual");
  EXPECT_EQ(names(chooseSoundStreams()), std::vector<std::string>{"virtual"});
}

TEST(SoundChoice, WithoutASoundServerTheStartFailsNamingEveryDeviceTriedAndWhy) {
  ScratchFolder scratch;
  // A server address where nothing listens, for the client library and ALSA's plug-in alike.
  const ScopedEnv server("PULSE_SERVER", ("unix:" + (scratch / "no-server").string()).c_str());
  const ScopedEnv unset("KELMO_SOUND", nullptr);
  {
    CapturedStderr probe(scratch / "probe.txt");
    if (PortAudioSound::canOpenDuplex(WaveFormat{})) {
      GTEST_SKIP() << "this machine has a full-duplex sound device without a server";
    }
  }
  createGlobalParams();
  std::string message, noise;
  {
    CapturedStderr captured(scratch / "stderr.txt");
    try {
      startAsymmetricDischarge();
    } catch (const std::runtime_error& e) {
      message = e.what();
    }
    noise = captured.text();
  }
  EXPECT_EQ(message.rfind("Не удалось открыть звуковое устройство: \"PulseAudio\": ", 0), 0u) << message;
  EXPECT_NE(message.find("Connection refused"), std::string::npos) << message;
  EXPECT_NE(message.find("; \"PortAudio default device\": "), std::string::npos) << message;
  EXPECT_NE(message.find("KELMO_SOUND=virtual"), std::string::npos) << message;
  EXPECT_EQ(noise, "");
  // Nothing was left running: the next start on a working device runs normally.
  auto sound = std::make_shared<VirtualSound>(VirtualSound::Options{VirtualSound::Pacing::manual, {}});
  setSoundStreamsFactory([sound] { return sound; });
  startAsymmetricDischarge();
  stopAsymmetricDischarge();
  EXPECT_TRUE(sound->waitClosed(10s));
  setSoundStreamsFactory({});
  destroyGlobalParams();
}

TEST(SoundChoice, APortAudioStreamThatCannotOpenEndsTheStartWithTheDeviceAndTheReason) {
  ScratchFolder scratch;
  if (PortAudioSound::canOpenDuplex(WaveFormat{})) {
    GTEST_SKIP() << "this machine has a full-duplex sound device without a server";
  }
  createGlobalParams();
  setSoundStreamsFactory([] { return soundStreamsFor("portaudio"); });
  std::string message, noise;
  {
    CapturedStderr captured(scratch / "stderr.txt");
    try {
      startAsymmetricDischarge();
    } catch (const std::runtime_error& e) {
      message = e.what();
    }
    noise = captured.text();
  }
  setSoundStreamsFactory({});
  EXPECT_NE(message.find("Не удалось открыть звуковое устройство \"PortAudio"), std::string::npos) << message;
  EXPECT_NE(message.find("\": no sound "), std::string::npos) << message;
  EXPECT_EQ(noise, "");
  // Nothing was left running: the next start on a working device runs normally.
  auto sound = std::make_shared<VirtualSound>(VirtualSound::Options{VirtualSound::Pacing::manual, {}});
  setSoundStreamsFactory([sound] { return sound; });
  startAsymmetricDischarge();
  stopAsymmetricDischarge();
  sound->advance();
  EXPECT_TRUE(sound->waitClosed(10s));
  setSoundStreamsFactory({});
  destroyGlobalParams();
}

}  // namespace
}  // namespace kelmo
