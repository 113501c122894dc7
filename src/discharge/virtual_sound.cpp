#include "discharge/virtual_sound.h"

#include <chrono>

namespace kelmo {

VirtualSound::VirtualSound(Options options) : options_(std::move(options)) {}

VirtualSound::~VirtualSound() {
  stopDevice();
  wav_.close();
}

std::string VirtualSound::deviceName() const {
  return options_.wavPath.empty() ? "virtual" : "virtual:wav=" + options_.wavPath;
}

std::string VirtualSound::open(const WaveFormat& format, AutoResetEvent& inputEvent,
                               AutoResetEvent& outputEvent) {
  format_ = format;
  const std::size_t samples = kCycleFrames * format.channels;
  silence_.assign(samples, 0);
  played_.assign(samples, 0);
  if (!options_.wavPath.empty()) {
    if (std::string reason = wav_.create(options_.wavPath, format); !reason.empty()) return reason;
  }
  {
    std::lock_guard lock(clockMutex_);
    clockStopping_ = false;
  }
  attach(inputEvent, outputEvent);
  return {};
}

void VirtualSound::startInput() {
  markRecording();
  if (options_.pacing == Pacing::clock && !clock_.joinable()) {
    clock_.start([this] { runClock(); }, 0, "VirtualSoundClock");
  }
}

void VirtualSound::closeInput() { detachInput(); }

void VirtualSound::closeOutput() {
  stopDevice();
  {
    std::lock_guard lock(clockMutex_);
    wav_.close();
  }
  detachOutput();
}

void VirtualSound::advance(int cycles) {
  for (int i = 0; i < cycles; ++i) runCycle();
}

void VirtualSound::setPlayedTap(std::function<void(std::span<const std::int16_t>)> tap) {
  std::lock_guard lock(clockMutex_);
  tap_ = std::move(tap);
}

void VirtualSound::stopDevice() {
  {
    std::lock_guard lock(clockMutex_);
    clockStopping_ = true;
    clockChanged_.notify_all();
  }
  if (clock_.joinable()) clock_.join();
}

void VirtualSound::runClock() {
  using namespace std::chrono;
  const auto start = steady_clock::now();
  for (std::uint64_t n = 1;; ++n) {
    // Cycle n ends exactly n blocks after the start, so the rate does not drift.
    const auto due = start + nanoseconds(n * kCycleFrames * 1'000'000'000ull / format_.framesPerSecond);
    {
      std::unique_lock lock(clockMutex_);
      if (clockChanged_.wait_until(lock, due, [this] { return clockStopping_; })) return;
    }
    runCycle();
  }
}

void VirtualSound::runCycle() {
  cycle(silence_, played_);
  std::lock_guard lock(clockMutex_);
  wav_.append(played_);
  if (tap_) tap_(played_);
}

}  // namespace kelmo
