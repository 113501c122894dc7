// The virtual sound device paced by its own clock.
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

std::uint32_t le32(const std::vector<char>& b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
  return v;
}

std::uint16_t le16(const std::vector<char>& b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                    static_cast<unsigned char>(b[at + 1]) << 8);
}

TEST(VirtualSound, PacedByItsClockItPlaysThePatternIntoAWavFile) {
  ScratchFolder scratch;
  const fs::path wav = scratch / "played.wav";
  createGlobalParams();
  kelmo_params().chargeURel = -0.5;
  const DischargePattern pattern = currentDischargePattern();
  std::shared_ptr<SoundStreams> device = soundStreamsFor("virtual:wav=" + wav.string());
  setSoundStreamsFactory([device] { return device; });
  startAsymmetricDischarge();
  // Ten blocks' time on the clock; how many exactly does not matter.
  std::this_thread::sleep_for(1s);
  stopAsymmetricDischarge();
  ASSERT_TRUE(static_cast<QueuedSoundStreams&>(*device).waitClosed(10s));
  setSoundStreamsFactory({});
  destroyGlobalParams();

  const SoundCounters counted = device->counters();
  EXPECT_GE(counted.blocksRecorded, 4u);
  EXPECT_EQ(counted.inputOverruns, 0u);
  std::ifstream in(wav, std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
  ASSERT_GE(bytes.size(), 44u);
  EXPECT_EQ(std::string(bytes.data(), 4), "RIFF");
  EXPECT_EQ(std::string(bytes.data() + 8, 8), "WAVEfmt ");
  EXPECT_EQ(le32(bytes, 4), bytes.size() - 8);
  EXPECT_EQ(le16(bytes, 20), 1);        // PCM
  EXPECT_EQ(le16(bytes, 22), 2);        // channels
  EXPECT_EQ(le32(bytes, 24), 44100u);   // frames per second
  EXPECT_EQ(le32(bytes, 28), 176400u);  // bytes per second
  EXPECT_EQ(le16(bytes, 32), 4);        // bytes per frame
  EXPECT_EQ(le16(bytes, 34), 16);       // bits per sample
  EXPECT_EQ(std::string(bytes.data() + 36, 4), "data");
  EXPECT_EQ(le32(bytes, 40), bytes.size() - 44);

  // One cycle of the clock per block: three silent cycles, then block c - 3 in cycle c.
  // A cycle the generator missed on a busy machine is silent and counted as an underrun.
  std::vector<std::int16_t> samples((bytes.size() - 44) / 2);
  std::memcpy(samples.data(), bytes.data() + 44, samples.size() * 2);
  const std::size_t cycles = samples.size() / kDischargeBlockSamples;
  EXPECT_EQ(cycles, counted.blocksRecorded);
  ASSERT_GE(cycles, 5u);
  const std::vector<std::int16_t> silence(kDischargeBlockSamples, 0);
  std::size_t silent = 0;
  for (std::size_t c = 0; c < cycles; ++c) {
    std::vector<std::int16_t> expected = silence;
    if (c >= 3) synthesizeBlock(std::span<std::int16_t, kDischargeBlockSamples>(expected), c - 3, pattern);
    const std::vector<std::int16_t> got(samples.begin() + static_cast<std::ptrdiff_t>(c * kDischargeBlockSamples),
                                        samples.begin() + static_cast<std::ptrdiff_t>((c + 1) * kDischargeBlockSamples));
    if (c >= 3 && got == silence) {
      ++silent;
      continue;
    }
    EXPECT_EQ(got, expected) << "cycle " << c;
  }
  EXPECT_EQ(silent, counted.outputUnderruns);
  EXPECT_EQ(cycles - 3 - silent, counted.blocksPlayed);
  EXPECT_GT(counted.blocksPlayed, 0u);
}

}  // namespace
}  // namespace kelmo
