#include "discharge/asymm_audio_control.h"

#include <atomic>
#include <memory>
#include <stdexcept>

#include "discharge/discharge_rings.h"
#include "discharge/discharge_thread.h"
#include "discharge/sound_choice.h"
#include "platform/debug_output.h"
#include "platform/os_thread.h"

namespace kelmo {

namespace {

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
  OsThread thread;

  ~Generator() {
    // The program is ending: the thread must not outlive the rings.
    StopDischarge = true;
    if (thread.joinable()) thread.join();
  }
};

Generator& generator() {
  static Generator instance;
  return instance;
}

std::string openFailure(const SoundStreams& streams, const std::string& reason) {
  return "Не удалось открыть звуковое устройство \"" + streams.deviceName() + "\": " + reason;
}

void closeStreams(SoundStreams& streams) {
  streams.resetInput();
  streams.resetOutput();
  streams.closeInput();
  streams.closeOutput();
}

}  // namespace

void startAsymmetricDischarge() {
  Generator& g = generator();
  if (g.thread.joinable()) {
    if (!g.StopDischarge.load() && !g.ended.load()) {
      debugOutput("startAsymmetricDischarge: the generator is already running, start ignored");
      return;
    }
    // A stopped generator ends within one block; the new one needs its rings.
    g.thread.join();
  }
  g.StopDischarge = false;

  auto run = std::make_shared<DischargeRun>();
  run->streams = chooseSoundStreams();
  SoundStreams& streams = *run->streams;
  if (std::string reason = streams.open(WaveFormat{}, run->inputEvent, run->outputEvent);
      !reason.empty()) {
    closeStreams(streams);
    throw std::runtime_error(openFailure(streams, reason));
  }
  g.rings.output.resetHeaders();
  for (int slot = 0; slot < kRingBlocks; ++slot) streams.prepareOutput(g.rings.output.block(slot));
  g.rings.input.resetHeaders();
  for (int slot = 0; slot < kRingBlocks; ++slot) streams.prepareInput(g.rings.input.block(slot));

  g.ended = false;
  const bool started = g.thread.start(
      [run, &g]() mutable {
        DischargeThread(*run->streams, run->inputEvent, run->outputEvent, g.rings, g.StopDischarge).run();
        run.reset();  // the streams and both events go with the thread
        g.ended = true;
      },
      0, "DischargeThread");
  if (!started) {
    g.ended = true;
    closeStreams(streams);
    throw std::runtime_error(openFailure(streams, "the generator thread cannot be started"));
  }
}

void stopAsymmetricDischarge() { generator().StopDischarge = true; }

void endAsymmetricDischarge() {
  Generator& g = generator();
  g.StopDischarge = true;
  if (g.thread.joinable()) g.thread.join();
}

}  // namespace kelmo
