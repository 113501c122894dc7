// The generator on a real sound server: a private PulseAudio daemon with a null sink, the
// generator playing through PortAudio, the sink's monitor recorded with parec.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "config/kelmo_params.h"
#include "discharge/asymm_audio_control.h"
#include "discharge/portaudio_sound.h"
#include "discharge/sound_choice.h"

extern char** environ;

namespace kelmo {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// Standard error of this process goes to a file while it lives.
class CapturedStderr {
 public:
  explicit CapturedStderr(const fs::path& file) : file_(file) {
    std::fflush(stderr);
    saved_ = ::dup(STDERR_FILENO);
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(fd, STDERR_FILENO);
    ::close(fd);
  }
  ~CapturedStderr() { restore(); }
  std::string text() {
    restore();
    std::ifstream in(file_);
    return {std::istreambuf_iterator<char>(in), {}};
  }

 private:
  void restore() {
    if (saved_ < 0) return;
    std::fflush(stderr);
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
    saved_ = -1;
  }
  fs::path file_;
  int saved_ = -1;
};

// A child process started by the test and ended by its id.
class Child {
 public:
  Child(std::vector<std::string> args, const fs::path& output) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Child() { end(); }
  bool running() const { return pid_ > 0; }
  void end() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
};

int run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

// A PulseAudio daemon of our own, in a private runtime folder, with the null sink "rig" as
// the default sink and its monitor as the default source.
class PrivatePulseServer {
 public:
  PrivatePulseServer() {
    char pattern[] = "/tmp/kelmo-pulse-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
      failure_ = "no temporary folder";
      return;
    }
    dir_ = pattern;
    if (const char* old = std::getenv("XDG_RUNTIME_DIR")) savedRuntimeDir_ = old;
    ::setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
    ::unsetenv("PULSE_SERVER");
    const int started = run(
        "pulseaudio -D --exit-idle-time=-1 --disallow-exit -n --load=module-native-protocol-unix "
        "--load=\"module-null-sink sink_name=rig rate=44100 channels=2\" --load=module-always-sink");
    if (started != 0) {
      failure_ = "the pulseaudio daemon does not start (exit status " + std::to_string(started) + ")";
      return;
    }
    for (int i = 0; i < 100 && run("pactl info") != 0; ++i) std::this_thread::sleep_for(50ms);
    if (run("pactl set-default-sink rig") != 0 || run("pactl set-default-source rig.monitor") != 0 ||
        run("pactl set-sink-volume rig 100%") != 0) {
      failure_ = "the pulseaudio daemon started but does not answer pactl";
    }
  }
  ~PrivatePulseServer() {
    std::ifstream pidFile(dir_ / "pulse" / "pid");
    pid_t pid = 0;
    if (pidFile >> pid && pid > 0) {
      ::kill(pid, SIGTERM);
      for (int i = 0; i < 100 && ::kill(pid, 0) == 0; ++i) std::this_thread::sleep_for(20ms);
    }
    if (savedRuntimeDir_.empty()) ::unsetenv("XDG_RUNTIME_DIR");
    else ::setenv("XDG_RUNTIME_DIR", savedRuntimeDir_.c_str(), 1);
    std::error_code ignored;
    if (!dir_.empty()) fs::remove_all(dir_, ignored);
  }
  const std::string& failure() const { return failure_; }
  const fs::path& dir() const { return dir_; }

 private:
  fs::path dir_;
  std::string savedRuntimeDir_;
  std::string failure_;
};

// Runs of one exact level on one channel of interleaved stereo samples.
struct Pulse {
  std::size_t start;
  std::size_t width;
};

std::vector<Pulse> runsOf(const std::vector<std::int16_t>& samples, int channel, std::int16_t level) {
  std::vector<Pulse> runs;
  const std::size_t frames = samples.size() / 2;
  for (std::size_t f = 0; f < frames;) {
    if (samples[2 * f + channel] != level) {
      ++f;
      continue;
    }
    std::size_t end = f;
    while (end < frames && samples[2 * end + channel] == level) ++end;
    runs.push_back({f, end - f});
    f = end;
  }
  return runs;
}

TEST(PulseAudioEndToEnd, DischargeOnTheLeftAndChargeOnTheRightArriveWithTheirWidthsAndLevels) {
  PrivatePulseServer server;
  if (!server.failure().empty()) GTEST_SKIP() << "PulseAudio cannot run here: " << server.failure();

  createGlobalParams();
  tKELMO_Params& p = kelmo_params();
  p.dischargeTimemS = 50;       // 2205 frames
  p.dischargeURel = 0.5;        // 16384
  p.afterDischargePauseMs = 5;  // 220 frames
  p.chargeTimemS = 1;           // 44 frames
  p.chargeURel = -0.25;         // -8192
  p.afterChargePauseMs = 5;     // 220 frames: period 2689
  constexpr std::size_t kPeriod = 2689, kDischarge = 2205, kCharge = 44, kChargeOffset = 2425;

  const fs::path recording = server.dir() / "monitor.raw";
  Child parec({"parec", "-d", "rig.monitor", "--format=s16le", "--rate=44100", "--channels=2", "--raw"},
              recording);
  ASSERT_TRUE(parec.running()) << "parec does not start";

  std::shared_ptr<SoundStreams> device;
  setSoundStreamsFactory([&device] { return device = std::make_shared<PortAudioSound>(); });
  const char* secondsText = std::getenv("KELMO_E2E_SECONDS");
  const int seconds = secondsText ? std::max(1, std::atoi(secondsText)) : 4;
  std::string noise;
  {
    CapturedStderr captured(server.dir() / "stderr.txt");
    startAsymmetricDischarge();
    // The server's first callback can take up to two seconds.
    std::this_thread::sleep_for(std::chrono::seconds(2 + seconds));
    stopAsymmetricDischarge();
    ASSERT_TRUE(static_cast<QueuedSoundStreams&>(*device).waitClosed(10s));
    noise = captured.text();
  }
  std::this_thread::sleep_for(500ms);  // the tail of the sound reaches the monitor
  parec.end();
  setSoundStreamsFactory({});
  destroyGlobalParams();
  EXPECT_EQ(noise, "") << "the sound libraries wrote to the terminal";

  const SoundCounters counted = device->counters();
  std::ifstream in(recording, std::ios::binary);
  std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
  std::vector<std::int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);

  const std::vector<Pulse> discharges = runsOf(samples, 0, 16384);
  const std::vector<Pulse> charges = runsOf(samples, 1, -8192);
  ASSERT_GE(discharges.size(), static_cast<std::size_t>(seconds) * 15) << "too few pulses recorded";
  // Only the two levels and silence may arrive: the values are bit-exact.
  std::size_t foreign = 0;
  for (std::size_t f = 0; f < samples.size() / 2; ++f) {
    foreign += samples[2 * f] != 0 && samples[2 * f] != 16384;
    foreign += samples[2 * f + 1] != 0 && samples[2 * f + 1] != -8192;
  }
  EXPECT_EQ(foreign, 0u);

  // The server path sometimes inserts 1 to 3 extra frames near a block boundary: such a
  // period is counted as a slip, and its pulses may be as many frames longer or later.
  // Anything else is a fault. The first and last pulses may be cut by the start and end.
  std::size_t slips = 0, slipFrames = 0, exactPeriods = 0;
  std::size_t c = 0;
  const auto within = [](std::ptrdiff_t v, std::ptrdiff_t extra) { return v >= 0 && v <= extra; };
  for (std::size_t i = 1; i + 1 < discharges.size(); ++i) {
    const Pulse& d = discharges[i];
    const auto extra = static_cast<std::ptrdiff_t>(discharges[i + 1].start - d.start) -
                       static_cast<std::ptrdiff_t>(kPeriod);
    EXPECT_TRUE(within(extra, 3)) << "period off by " << extra << " frames at frame " << d.start;
    if (extra > 0) {
      ++slips;
      slipFrames += static_cast<std::size_t>(extra);
    } else {
      ++exactPeriods;
    }
    while (c < charges.size() && charges[c].start < d.start) ++c;
    ASSERT_LT(c, charges.size()) << "no charge pulse after the discharge at frame " << d.start;
    const auto dWidth = static_cast<std::ptrdiff_t>(d.width) - static_cast<std::ptrdiff_t>(kDischarge);
    const auto cWidth = static_cast<std::ptrdiff_t>(charges[c].width) - static_cast<std::ptrdiff_t>(kCharge);
    const auto cOffset = static_cast<std::ptrdiff_t>(charges[c].start - d.start) -
                         static_cast<std::ptrdiff_t>(kChargeOffset);
    EXPECT_TRUE(within(dWidth, extra)) << "discharge width off by " << dWidth << " at frame " << d.start;
    EXPECT_TRUE(within(cWidth, extra)) << "charge width off by " << cWidth << " at frame " << charges[c].start;
    EXPECT_TRUE(within(cOffset, extra)) << "charge offset off by " << cOffset << " at frame " << charges[c].start;
  }
  std::cout << "recorded " << samples.size() / 2 << " frames, " << discharges.size() << " discharge and "
            << charges.size() << " charge pulses; " << exactPeriods << " periods exact, " << slips
            << " slips (" << slipFrames << " extra frames); device: " << counted.blocksPlayed
            << " blocks played, " << counted.outputUnderruns << " output underruns, "
            << counted.deviceUnderflows << " device underflows, " << counted.inputOverruns
            << " input overruns, " << counted.deviceOverflows << " device overflows\n";
  ::testing::Test::RecordProperty("slips", static_cast<int>(slips));
  ::testing::Test::RecordProperty("outputUnderruns", static_cast<int>(counted.outputUnderruns));
  EXPECT_GT(exactPeriods, discharges.size() / 2);
  EXPECT_EQ(counted.outputUnderruns, 0u);
}

}  // namespace
}  // namespace kelmo
