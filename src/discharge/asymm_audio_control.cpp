#include "discharge/asymm_audio_control.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "discharge/discharge_rings.h"
#include "discharge/discharge_thread.h"
#include "discharge/sound_choice.h"
#include "platform/debug_output.h"
#include "platform/os_thread.h"

namespace kelmo {

namespace {

using namespace std::chrono_literals;

// A generator asked to stop ends within one wait slice; one that has not ended after this
// is stuck in its sound device.
constexpr auto kEndLimit = 1500ms;

// What one start sets up and DischargeThread releases when it ends.
struct DischargeRun {
  std::shared_ptr<SoundStreams> streams;
  AutoResetEvent inputEvent;
  AutoResetEvent outputEvent;
};

// The one generator of the process.
struct Generator {
  DischargeRings rings;
  std::atomic<bool> StopDischarge{false};
  std::atomic<bool> ended{true};
  std::unique_ptr<OsThread> thread = std::make_unique<OsThread>();

  ~Generator() {
    // The program is ending: the thread must not outlive the rings.
    StopDischarge = true;
    if (!joinWithin(kEndLimit)) static_cast<void>(thread.release());  // never hang the exit
  }

  // Joins the thread once it has ended, waiting at most `limit`; false when it has not.
  bool joinWithin(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!ended.load()) {
      if (std::chrono::steady_clock::now() >= deadline) return false;
      std::this_thread::sleep_for(5ms);
    }
    if (thread->joinable()) thread->join();
    return true;
  }

  // A thread stuck in its device is left to the end of the process instead of hanging it.
  void abandonThread() {
    debugOutput("DischargeThread does not end: its sound device does not answer; the thread is left behind");
    static_cast<void>(thread.release());
    thread = std::make_unique<OsThread>();
  }
};

Generator& generator() {
  static Generator instance;
  return instance;
}

std::string openFailure(const SoundStreams& streams, const std::string& reason) {
  return "\"" + streams.deviceName() + "\": " + reason;
}

void closeStreams(SoundStreams& streams) {
  streams.resetInput();
  streams.resetOutput();
  streams.closeInput();
  streams.closeOutput();
}

// Opens the first device that opens; throws naming every device tried and why it failed.
std::shared_ptr<SoundStreams> openFirst(DischargeRun& run) {
  const std::vector<std::shared_ptr<SoundStreams>> candidates = chooseSoundStreams();
  std::string failures;
  for (const std::shared_ptr<SoundStreams>& streams : candidates) {
    std::string reason = streams->open(WaveFormat{}, run.inputEvent, run.outputEvent);
    if (reason.empty()) return streams;
    closeStreams(*streams);
    failures += (failures.empty() ? "" : "; ") + openFailure(*streams, reason);
  }
  if (candidates.size() == 1) throw std::runtime_error("Не удалось открыть звуковое устройство " + failures);
  throw std::runtime_error("Не удалось открыть звуковое устройство: " + failures +
                           " (KELMO_SOUND=virtual plays without a sound device)");
}

}  // namespace

void startAsymmetricDischarge() {
  Generator& g = generator();
  if (!g.ended.load()) {
    if (!g.StopDischarge.load()) {
      debugOutput("startAsymmetricDischarge: the generator is already running, start ignored");
      return;
    }
    // A stopped generator ends within one wait slice; the new one needs its rings. (A thread
    // left behind stuck in its device keeps them.)
    if (!g.joinWithin(kEndLimit)) {
      throw std::runtime_error(
          "Не удалось запустить генератор: the previous one has not ended, its sound device does not answer");
    }
  }
  if (g.thread->joinable()) g.thread->join();  // it has ended
  g.StopDischarge = false;

  auto run = std::make_shared<DischargeRun>();
  run->streams = openFirst(*run);
  SoundStreams& streams = *run->streams;
  g.rings.output.resetHeaders();
  for (int slot = 0; slot < kRingBlocks; ++slot) streams.prepareOutput(g.rings.output.block(slot));
  g.rings.input.resetHeaders();
  for (int slot = 0; slot < kRingBlocks; ++slot) streams.prepareInput(g.rings.input.block(slot));

  g.ended = false;
  const bool started = g.thread->start(
      [run, &g]() mutable {
        DischargeThread(*run->streams, run->inputEvent, run->outputEvent, g.rings, g.StopDischarge).run();
        run.reset();  // the streams and both events go with the thread
        g.ended = true;
      },
      0, "DischargeThread");
  if (!started) {
    g.ended = true;
    closeStreams(streams);
    throw std::runtime_error("Не удалось открыть звуковое устройство " +
                             openFailure(streams, "the generator thread cannot be started"));
  }
}

void stopAsymmetricDischarge() { generator().StopDischarge = true; }

void endAsymmetricDischarge() {
  Generator& g = generator();
  g.StopDischarge = true;
  if (!g.joinWithin(kEndLimit)) g.abandonThread();
}

}  // namespace kelmo
