// The sound devices the generator can be given, and how one is chosen.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
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
  for (const char* bad : {"Virtual", "virtual:wav=", "pulse", "virtual:wave=/tmp/x.wav"}) {
    try {
      soundStreamsFor(bad);
      ADD_FAILURE() << bad << " accepted";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(std::string("\"") + bad + "\""), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("portaudio, virtual or virtual:wav=PATH"), std::string::npos);
    }
  }
}

TEST(SoundChoice, WithoutASoundServerTheDefaultIsTheVirtualDeviceAndTheProbeIsQuiet) {
  ScratchFolder scratch;
  std::string deviceName, noise;
  {
    CapturedStderr captured(scratch / "stderr.txt");
    const bool duplex = PortAudioSound::canOpenDuplex(WaveFormat{});
    deviceName = soundStreamsFor("")->deviceName();
    noise = captured.text();
    // A machine with a sound card of its own may offer PortAudio even without a server.
    if (duplex) GTEST_SKIP() << "this machine has a full-duplex sound device without a server";
  }
  EXPECT_EQ(deviceName, "virtual");
  EXPECT_EQ(noise, "");
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
