// The generator on a real sound server: a private PulseAudio daemon with a null sink, the
// generator playing through PortAudio, the sink's monitor recorded with parec.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
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
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "config/kelmo_params.h"
#include "discharge/asymm_audio_control.h"
#include "discharge/portaudio_sound.h"
#include "discharge/sound_choice.h"
#include "platform/debug_output.h"
#include "captured_stderr.h"

// The sound server's client library hands data between its threads through shared memory
// with its own synchronisation, which the thread checker cannot see in an uninstrumented
// library.
extern "C" const char* __tsan_default_suppressions() {
  return "race:libpulsecommon\n"
         "race:libpulse.so\n";
}

namespace kelmo {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// A child process started by the test and ended by its id; it also ends when the test
// process dies, so an aborted run leaves no server behind.
class Child {
 public:
  Child(std::vector<std::string> args, const fs::path& output) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ == 0) {
      ::prctl(PR_SET_PDEATHSIG, SIGTERM);
      if (::getppid() != parent) ::_exit(127);
      const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      const int log = ::open((output.string() + ".log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ::dup2(out, STDOUT_FILENO);
      ::dup2(log, STDERR_FILENO);
      ::execvp(argv[0], argv.data());
      const std::string why = std::string("cannot run ") + argv[0] + ": " + std::strerror(errno) + "\n";
      (void)!::write(STDERR_FILENO, why.data(), why.size());
      ::_exit(127);
    }
  }
  ~Child() { end(); }
  bool running() {
    if (pid_ <= 0) return false;
    if (::waitpid(pid_, nullptr, WNOHANG) == 0) return true;
    pid_ = -1;
    return false;
  }
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

// A PulseAudio server of our own, in a private runtime folder, with the null sink "rig" as
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
    server_ = std::make_unique<Child>(
        std::vector<std::string>{"pulseaudio", "--exit-idle-time=-1", "--disallow-exit", "-n",
                                 "--load=module-native-protocol-unix",
                                 "--load=module-null-sink sink_name=rig rate=44100 channels=2",
                                 "--load=module-always-sink"},
        dir_ / "server.out");
    for (int i = 0; i < 200 && server_->running() && run("pactl info") != 0; ++i) {
      std::this_thread::sleep_for(50ms);
    }
    if (!server_->running()) {
      std::ifstream log(dir_ / "server.out.log");
      failure_ = "the pulseaudio server does not start: " +
                 std::string(std::istreambuf_iterator<char>(log), {});
      return;
    }
    if (run("pactl set-default-sink rig") != 0 || run("pactl set-default-source rig.monitor") != 0 ||
        run("pactl set-sink-volume rig 100%") != 0) {
      failure_ = "the pulseaudio server started but does not answer pactl";
    }
  }
  ~PrivatePulseServer() {
    server_.reset();
    if (savedRuntimeDir_.empty()) ::unsetenv("XDG_RUNTIME_DIR");
    else ::setenv("XDG_RUNTIME_DIR", savedRuntimeDir_.c_str(), 1);
    std::error_code ignored;
    if (!dir_.empty()) fs::remove_all(dir_, ignored);
  }
  const std::string& failure() const { return failure_; }
  const fs::path& dir() const { return dir_; }
  // The server goes away, as when the operator's sound server is restarted.
  void kill() { server_.reset(); }

 private:
  fs::path dir_;
  std::string savedRuntimeDir_;
  std::string failure_;
  std::unique_ptr<Child> server_;
};

// The recording compared frame by frame with the pattern played, from its first sound to
// the last complete period. Where the server inserted 1 to 3 extra frames, the comparison
// picks up again behind them and counts a slip. Any other difference (frames lost or
// repeated by a server that fell behind) is a disturbance: the comparison starts again at
// the next discharge pulse from which a whole period matches.
struct Comparison {
  std::size_t intactPeriods = 0;  // matched apart from slips
  std::size_t exactPeriods = 0;   // matched frame for frame
  std::size_t slips = 0;
  std::size_t slipFrames = 0;
  std::vector<std::string> disturbances;
  std::size_t foreignSamples = 0;  // values neither silence nor the channel's level
};

struct Pattern {
  std::size_t discharge, afterDischarge, charge, afterCharge;
  std::int16_t left, right;
  std::size_t period() const { return discharge + afterDischarge + charge + afterCharge; }
  std::int16_t leftAt(std::size_t u) const { return u < discharge ? left : 0; }
  std::int16_t rightAt(std::size_t u) const {
    const std::size_t from = discharge + afterDischarge;
    return u >= from && u < from + charge ? right : 0;
  }
};

Comparison compare(const std::vector<std::int16_t>& s, const Pattern& p) {
  Comparison result;
  const std::size_t frames = s.size() / 2, T = p.period();
  for (std::size_t f = 0; f < frames; ++f) {
    result.foreignSamples += s[2 * f] != 0 && s[2 * f] != p.left;
    result.foreignSamples += s[2 * f + 1] != 0 && s[2 * f + 1] != p.right;
  }
  const auto silent = [&](std::size_t f) { return s[2 * f] == 0 && s[2 * f + 1] == 0; };
  std::size_t first = 0;
  while (first < frames && silent(first)) ++first;
  std::size_t last = frames;
  while (last > first && silent(last - 1)) --last;
  if (last < first + 2 * T) return result;
  const std::size_t end = last - T;  // playing may stop in the middle of a period
  const auto matches = [&](std::size_t f, std::size_t start) {
    const std::size_t u = (f - start) % T;
    return s[2 * f] == p.leftAt(u) && s[2 * f + 1] == p.rightAt(u);
  };
  const auto matchesFrom = [&](std::size_t f, std::size_t start) {
    for (std::size_t g = f; g < std::min(f + T, last); ++g) {
      if (!matches(g, start)) return false;
    }
    return true;
  };
  std::size_t start = first;  // a frame at phase 0 of the current alignment
  bool exact = true, intact = true;  // the current period so far
  for (std::size_t f = first; f < end; ++f) {
    if (f > start && (f - start) % T == 0) {
      result.exactPeriods += exact;
      result.intactPeriods += intact;
      exact = intact = true;
    }
    if (matches(f, start)) continue;
    exact = false;
    std::size_t extra = 1;
    while (extra <= 3 && !matchesFrom(f + extra, start + extra)) ++extra;
    if (extra <= 3) {
      ++result.slips;
      result.slipFrames += extra;
      start += extra;
      f += extra - 1;
      continue;
    }
    intact = false;
    const std::size_t u = (f - start) % T;
    result.disturbances.push_back("frame " + std::to_string(f) + " (phase " + std::to_string(u) + "): " +
                                  std::to_string(s[2 * f]) + "/" + std::to_string(s[2 * f + 1]) +
                                  " instead of " + std::to_string(p.leftAt(u)) + "/" +
                                  std::to_string(p.rightAt(u)));
    std::size_t g = f + 1;
    while (g < end && !(s[2 * g] == p.left && s[2 * (g - 1)] != p.left && matchesFrom(g, g))) ++g;
    start = g;
    f = g - 1;
  }
  return result;
}

// The comparison itself, on made-up recordings: it must not pass what the server mangled.
TEST(PulseAudioEndToEnd, ComparisonCountsInsertedFramesAsSlipsAndAnythingElseAsAFault) {
  const Pattern p{30, 7, 5, 9, 100, -50};
  std::vector<std::int16_t> clean(2 * 40, 0);  // silence before the sound starts
  for (std::size_t f = 0; f < 20 * p.period() + 17; ++f) {
    clean.push_back(p.leftAt(f % p.period()));
    clean.push_back(p.rightAt(f % p.period()));
  }
  const auto insert = [](std::vector<std::int16_t> s, std::size_t frame, std::vector<std::int16_t> values) {
    s.insert(s.begin() + static_cast<std::ptrdiff_t>(2 * frame), values.begin(), values.end());
    return s;
  };
  const auto erase = [](std::vector<std::int16_t> s, std::size_t frame) {
    s.erase(s.begin() + static_cast<std::ptrdiff_t>(2 * frame), s.begin() + static_cast<std::ptrdiff_t>(2 * frame + 2));
    return s;
  };
  auto changed = clean;
  changed[2 * (40 + 3 * p.period() + 31) + 1] = -50;  // a charge sample too early

  struct Case {
    const char* what;
    std::vector<std::int16_t> recording;
    std::size_t slips, slipFrames, disturbances, foreign;
  };
  const Case cases[] = {
      {"clean", clean, 0, 0, 0, 0},
      {"one zero frame inside a discharge pulse", insert(clean, 40 + 2 * p.period() + 10, {0, 0}), 1, 1, 0, 0},
      {"three frames of other values", insert(clean, 40 + 5 * p.period() + 36, {7, 7, 9, 9, 100, 0}), 1, 3, 0, 4},
      {"two slips", insert(insert(clean, 40 + 9 * p.period(), {0, 0}), 40 + 4 * p.period() + 40, {1, 2, 3, 4}), 2, 3, 0, 4},
      {"four extra frames", insert(clean, 40 + 2 * p.period() + 10, {0, 0, 0, 0, 0, 0, 0, 0}), 0, 0, 1, 0},
      {"a frame missing", erase(clean, 40 + 6 * p.period() + 3), 0, 0, 1, 0},
      {"a wrong sample", changed, 0, 0, 1, 0},
  };
  const std::size_t allPeriods = compare(clean, p).exactPeriods;
  EXPECT_GE(allPeriods, 18u);
  EXPECT_EQ(compare(clean, p).intactPeriods, allPeriods);
  for (const Case& c : cases) {
    const Comparison r = compare(c.recording, p);
    EXPECT_EQ(r.slips, c.slips) << c.what;
    EXPECT_EQ(r.slipFrames, c.slipFrames) << c.what;
    EXPECT_EQ(r.disturbances.size(), c.disturbances) << c.what;
    EXPECT_EQ(r.foreignSamples, c.foreign) << c.what;
    // A slip spoils only the exactness of its period; a disturbance spoils the period it
    // falls in and the comparison resumes one period later at most.
    EXPECT_EQ(r.exactPeriods < allPeriods, c.slips + c.disturbances > 0) << c.what;
    if (c.disturbances > 0) {
      EXPECT_LT(r.intactPeriods, allPeriods) << c.what;
    } else {
      EXPECT_GE(r.intactPeriods, allPeriods) << c.what;
    }
    EXPECT_GE(r.intactPeriods + 2 * c.disturbances + 1, allPeriods) << c.what;
  }
}

// One recording of the pattern played through a server of its own.
struct PatternPlayed {
  static constexpr std::size_t kDischarge = 2205, kCharge = 44, kPeriod = 2689;

  std::string skipped;  // why PulseAudio cannot run here
  std::string noise;    // what the sound libraries wrote to the terminal
  SoundCounters counted;
  Comparison comparison;
  std::size_t frames = 0;

  std::size_t periodsPlayed() const { return counted.blocksPlayed * 4096 / kPeriod; }
  // Most periods whole, each pulse with its width, level and place.
  bool mostlyIntact() const { return comparison.intactPeriods >= std::max<std::size_t>(10, periodsPlayed() / 2); }
  // The generator's queues or the server itself ran dry or lost input: the machine was too
  // busy to feed them in time, and the recording says little about the pattern played.
  bool fellBehind() const {
    return counted.outputUnderruns + counted.inputOverruns + counted.deviceUnderflows + counted.deviceOverflows > 0;
  }
};

void playPattern(PatternPlayed& played) {
  PrivatePulseServer server;
  if (!server.failure().empty()) {
    played.skipped = server.failure();
    return;
  }

  createGlobalParams();
  tKELMO_Params& p = kelmo_params();
  p.dischargeTimemS = 50;       // 2205 frames
  p.dischargeURel = 0.5;        // 16384
  p.afterDischargePauseMs = 5;  // 220 frames
  p.chargeTimemS = 1;           // 44 frames
  p.chargeURel = -0.25;         // -8192
  p.afterChargePauseMs = 5;     // 220 frames: period 2689

  const fs::path recording = server.dir() / "monitor.raw";
  Child parec({"parec", "-d", "rig.monitor", "--format=s16le", "--rate=44100", "--channels=2", "--raw"},
              recording);
  ASSERT_TRUE(parec.running()) << "parec does not start";

  std::shared_ptr<SoundStreams> device;
  setSoundStreamsFactory([&device] { return device = std::make_shared<PortAudioSound>(); });
  const char* secondsText = std::getenv("KELMO_E2E_SECONDS");
  const int seconds = secondsText ? std::max(1, std::atoi(secondsText)) : 4;
  {
    CapturedStderr captured(server.dir() / "stderr.txt");
    startAsymmetricDischarge();
    // The server's first callback can take up to two seconds.
    std::this_thread::sleep_for(std::chrono::seconds(2 + seconds));
    stopAsymmetricDischarge();
    ASSERT_TRUE(static_cast<QueuedSoundStreams&>(*device).waitClosed(10s));
    played.noise = captured.text();
  }
  std::this_thread::sleep_for(500ms);  // the tail of the sound reaches the monitor
  parec.end();
  setSoundStreamsFactory({});
  destroyGlobalParams();

  if (const char* keep = std::getenv("KELMO_E2E_RECORDING")) fs::copy_file(recording, keep, fs::copy_options::overwrite_existing);
  played.counted = device->counters();
  std::ifstream in(recording, std::ios::binary);
  std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
  std::vector<std::int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  played.frames = samples.size() / 2;
  played.comparison =
      compare(samples, Pattern{PatternPlayed::kDischarge, 220, PatternPlayed::kCharge, 220, 16384, -8192});
}

TEST(PulseAudioEndToEnd, DischargeOnTheLeftAndChargeOnTheRightArriveWithTheirWidthsAndLevels) {
  // A machine busy with other work can starve the generator or the server, which count it;
  // such an attempt is played again, visibly. Spoilt periods that nothing counted fail at
  // once, and so does a generator that falls behind every time.
  constexpr int kAttempts = 3;
  PatternPlayed played;
  for (int attempt = 1; attempt <= kAttempts; ++attempt) {
    played = {};
    playPattern(played);
    if (HasFatalFailure()) return;
    if (!played.skipped.empty()) GTEST_SKIP() << "PulseAudio cannot run here: " << played.skipped;
    // The values arrive bit-exact and the libraries keep quiet, however busy the machine.
    EXPECT_EQ(played.noise, "") << "the sound libraries wrote to the terminal";
    EXPECT_EQ(played.comparison.foreignSamples, 0u);
    if (played.mostlyIntact() || !played.fellBehind() || attempt == kAttempts) break;
    std::cout << "attempt " << attempt << " of " << kAttempts << ": the machine was too busy ("
              << played.counted.outputUnderruns << " output underruns, " << played.counted.inputOverruns
              << " input overruns, " << played.counted.deviceUnderflows << " device underflows, "
              << played.counted.deviceOverflows << " device overflows) and "
              << played.comparison.disturbances.size() << " disturbances left " << played.comparison.intactPeriods
              << " of " << played.periodsPlayed() << " periods intact; trying again\n";
  }

  const Comparison& c = played.comparison;
  const SoundCounters& counted = played.counted;
  // Timing faults of a busy server (counted below) may spoil some periods, but most must
  // arrive whole.
  EXPECT_TRUE(played.mostlyIntact()) << c.intactPeriods << " periods intact of " << played.periodsPlayed()
                                     << " periods played";
  for (const std::string& d : c.disturbances) std::cout << "disturbance at " << d << "\n";
  std::cout << "recorded " << played.frames << " frames: " << c.intactPeriods << " periods intact ("
            << c.exactPeriods << " exact), "
            << c.slips << " slips (" << c.slipFrames << " extra frames), " << c.disturbances.size()
            << " disturbances; device: " << counted.blocksPlayed
            << " blocks played, " << counted.outputUnderruns << " output underruns, "
            << counted.deviceUnderflows << " device underflows, " << counted.inputOverruns
            << " input overruns, " << counted.deviceOverflows << " device overflows\n";
  ::testing::Test::RecordProperty("slips", static_cast<int>(c.slips));
  ::testing::Test::RecordProperty("disturbances", static_cast<int>(c.disturbances.size()));
  ::testing::Test::RecordProperty("outputUnderruns", static_cast<int>(counted.outputUnderruns));
}

// The debug output collected for a test.
class DebugText {
 public:
  DebugText() {
    captureDebugOutput([this](const std::string& line) {
      std::lock_guard lock(mutex_);
      lines_.push_back(line);
    });
  }
  ~DebugText() { captureDebugOutput({}); }
  std::vector<std::string> lines() {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  // The first line that begins with `start` and holds `part`, or "".
  std::string find(const std::string& start, const std::string& part = {}) {
    for (const std::string& l : lines()) {
      if (l.rfind(start, 0) == 0 && l.find(part) != std::string::npos) return l;
    }
    return {};
  }
  std::string summary() { return find("DischargeThread: ", " blocks synthesized, "); }

 private:
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

// The Linux default: the sound server's own client library, which plays every frame
// written exactly where it belongs.
TEST(PulseAudioEndToEnd, TheDefaultDevicePlaysThePatternWithoutASlip) {
  PrivatePulseServer server;
  if (!server.failure().empty()) GTEST_SKIP() << "PulseAudio cannot run here: " << server.failure();
  ::unsetenv("KELMO_SOUND");
  createGlobalParams();
  tKELMO_Params& p = kelmo_params();
  p.dischargeTimemS = 50;
  p.dischargeURel = 0.5;
  p.afterDischargePauseMs = 5;
  p.chargeTimemS = 1;
  p.chargeURel = -0.25;
  p.afterChargePauseMs = 5;

  const fs::path recording = server.dir() / "monitor.raw";
  Child parec({"parec", "-d", "rig.monitor", "--format=s16le", "--rate=44100", "--channels=2", "--raw"},
              recording);
  ASSERT_TRUE(parec.running()) << "parec does not start";
  DebugText debug;
  const char* secondsText = std::getenv("KELMO_E2E_SECONDS");
  const int seconds = secondsText ? std::max(1, std::atoi(secondsText)) : 4;
  std::string noise;
  {
    CapturedStderr captured(server.dir() / "stderr.txt");
    startAsymmetricDischarge();
    std::this_thread::sleep_for(std::chrono::seconds(1 + seconds));
    endAsymmetricDischarge();
    noise = captured.text();
  }
  std::this_thread::sleep_for(300ms);
  parec.end();
  destroyGlobalParams();
  EXPECT_EQ(noise, "");
  const std::string summary = debug.summary();
  EXPECT_NE(summary, "");
  if (summary.empty() || ::testing::Test::HasFailure()) {
    for (const std::string& l : debug.lines()) std::cout << "debug: " << l << "\n";
  }

  std::ifstream in(recording, std::ios::binary);
  std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
  std::vector<std::int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  const Comparison c = compare(samples, Pattern{2205, 220, 44, 220, 16384, -8192});
  std::cout << "recorded " << samples.size() / 2 << " frames: " << c.intactPeriods << " periods intact ("
            << c.exactPeriods << " exact), " << c.slips << " slips, " << c.disturbances.size()
            << " disturbances; " << summary << "\n";
  for (const std::string& d : c.disturbances) std::cout << "disturbance at " << d << "\n";
  // Frames are never added or lost inside what was written: a busy machine may leave a
  // gap (a disturbance, counted as an underrun), never a slip.
  EXPECT_EQ(c.slips, 0u);
  EXPECT_EQ(c.foreignSamples, 0u);
  EXPECT_GE(c.intactPeriods, 10u);
}

// The server goes away while the generator plays: the generator notices, says so and ends
// by itself; a new start then fails with the reason instead of hanging.
TEST(PulseAudioEndToEnd, AServerThatGoesAwayEndsTheGeneratorAndTheNextStartFailsWithTheReason) {
  PrivatePulseServer server;
  if (!server.failure().empty()) GTEST_SKIP() << "PulseAudio cannot run here: " << server.failure();
  createGlobalParams();
  DebugText debug;
  setSoundStreamsFactory([] { return soundStreamsFor("pulse"); });
  startAsymmetricDischarge();
  std::this_thread::sleep_for(1s);
  server.kill();
  // The thread ends by itself; the test only waits for its summary line.
  for (int i = 0; i < 200 && debug.summary().empty(); ++i) std::this_thread::sleep_for(50ms);
  EXPECT_NE(debug.summary(), "");
  EXPECT_NE(debug.find("DischargeThread: the sound device has completed no input block for "), "");
  std::string message;
  try {
    startAsymmetricDischarge();
  } catch (const std::runtime_error& e) {
    message = e.what();
  }
  EXPECT_EQ(message.rfind("Не удалось открыть звуковое устройство \"PulseAudio\": ", 0), 0u) << message;
  endAsymmetricDischarge();
  setSoundStreamsFactory({});
  destroyGlobalParams();
}

}  // namespace
}  // namespace kelmo
