#include "discharge/pulse_sound.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <cstring>
#include <thread>

#include "platform/debug_output.h"

namespace kelmo {

namespace {

using namespace std::chrono_literals;

// Connecting to a server that answers takes milliseconds; one that does not answer within
// this is as good as absent.
constexpr auto kConnectLimit = 3000ms;

std::uint32_t blockBytes() { return 4096u * 4u; }

}  // namespace

// The client library's callbacks run on its loop thread with the loop locked.
struct PulseSound::Callbacks {
  static void stateChanged(pa_context* context, void* self) {
    const pa_context_state_t state = pa_context_get_state(context);
    if (state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED) {
      auto& sound = *static_cast<PulseSound*>(self);
      if (sound.inputEvent_ != nullptr) {
        debugOutput("PulseAudio: the connection to the sound server ended: " + sound.lastError());
      }
    }
  }

  static void recorded(pa_stream*, std::size_t, void* self) { static_cast<PulseSound*>(self)->takeRecorded(); }

  static void underflow(pa_stream*, void* self) {
    auto& sound = *static_cast<PulseSound*>(self);
    ++sound.counters_.deviceUnderflows;
  }

  static void overflow(pa_stream*, void* self) {
    auto& sound = *static_cast<PulseSound*>(self);
    ++sound.counters_.deviceOverflows;
  }
};

PulseSound::LoopLock::LoopLock(pa_threaded_mainloop* loop) : loop_(loop) {
  if (loop_ != nullptr) pa_threaded_mainloop_lock(loop_);
}

PulseSound::LoopLock::~LoopLock() {
  if (loop_ != nullptr) pa_threaded_mainloop_unlock(loop_);
}

PulseSound::PulseSound() = default;

PulseSound::~PulseSound() { release(); }

std::string PulseSound::deviceName() const {
  return serverName_.empty() ? std::string("PulseAudio") : "PulseAudio \"" + serverName_ + "\"";
}

std::string PulseSound::open(const WaveFormat& format, AutoResetEvent& inputEvent,
                             AutoResetEvent& outputEvent) {
  if (std::string reason = connect(format); !reason.empty()) {
    release();
    return reason;
  }
  LoopLock lock(loop_);
  inputEvent_ = &inputEvent;
  outputEvent_ = &outputEvent;
  counters_ = {};
  recording_ = false;
  inputEvent.set();
  outputEvent.set();
  return {};
}

std::string PulseSound::connect(const WaveFormat& format) {
  loop_ = pa_threaded_mainloop_new();
  if (loop_ == nullptr) return "the sound server's client library cannot start";
  LoopLock lock(loop_);
  context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "kelmo");
  if (context_ == nullptr) return "the sound server's client library cannot start";
  pa_context_set_state_callback(context_, &Callbacks::stateChanged, this);
  // Never start a server of our own: the operator's is the one that reaches the rig.
  if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return lastError();
  if (pa_threaded_mainloop_start(loop_) < 0) return "the sound server's client library cannot start";
  if (std::string reason = waitFor(
          [this]() -> int {
            const pa_context_state_t s = pa_context_get_state(context_);
            return s == PA_CONTEXT_READY ? 1 : PA_CONTEXT_IS_GOOD(s) ? -1 : 0;
          },
          kConnectLimit, "connecting to the sound server");
      !reason.empty()) {
    return reason;
  }
  if (const char* server = pa_context_get_server(context_)) serverName_ = server;

  const pa_sample_spec sampleFormat{PA_SAMPLE_S16LE, format.framesPerSecond, static_cast<std::uint8_t>(format.channels)};
  record_ = pa_stream_new(context_, "kelmo discharge pacing", &sampleFormat, nullptr);
  playback_ = pa_stream_new(context_, "kelmo discharge", &sampleFormat, nullptr);
  if (record_ == nullptr || playback_ == nullptr) return lastError();
  pa_stream_set_read_callback(record_, &Callbacks::recorded, this);
  pa_stream_set_overflow_callback(record_, &Callbacks::overflow, this);
  pa_stream_set_underflow_callback(playback_, &Callbacks::underflow, this);

  // Recorded data arrives a block at a time.
  pa_buffer_attr recordAttr{};
  recordAttr.maxlength = static_cast<std::uint32_t>(-1);
  recordAttr.fragsize = blockBytes();
  // Playback starts once the cushion is buffered; the buffer may hold twice that.
  pa_buffer_attr playAttr{};
  playAttr.maxlength = static_cast<std::uint32_t>(-1);
  playAttr.tlength = 2 * kCushionBlocks * blockBytes();
  playAttr.prebuf = kCushionBlocks * blockBytes();
  playAttr.minreq = static_cast<std::uint32_t>(-1);
  playAttr.fragsize = static_cast<std::uint32_t>(-1);
  if (pa_stream_connect_record(record_, nullptr, &recordAttr, PA_STREAM_ADJUST_LATENCY) < 0 ||
      pa_stream_connect_playback(playback_, nullptr, &playAttr, PA_STREAM_NOFLAGS, nullptr, nullptr) < 0) {
    return lastError();
  }
  return waitFor(
      [this]() -> int {
        const pa_stream_state_t r = pa_stream_get_state(record_), p = pa_stream_get_state(playback_);
        if (r == PA_STREAM_READY && p == PA_STREAM_READY) return 1;
        return PA_STREAM_IS_GOOD(r) && PA_STREAM_IS_GOOD(p) ? -1 : 0;
      },
      kConnectLimit, "opening the sound streams");
}

template <class Ready>
std::string PulseSound::waitFor(Ready ready, std::chrono::milliseconds limit, const char* what) {
  // The library's own wait has no time limit: poll, unlocking the loop in between.
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    const int state = ready();
    if (state == 1) return {};
    if (state == 0) return lastError();
    if (std::chrono::steady_clock::now() >= deadline) {
      return std::string("no answer from the sound server while ") + what;
    }
    pa_threaded_mainloop_unlock(loop_);
    std::this_thread::sleep_for(2ms);
    pa_threaded_mainloop_lock(loop_);
  }
}

std::string PulseSound::lastError() const {
  return context_ != nullptr ? pa_strerror(pa_context_errno(context_)) : "no connection";
}

void PulseSound::prepareOutput(SoundBlock& block) { block.flags.store(kBlockPrepared, std::memory_order_release); }

void PulseSound::prepareInput(SoundBlock& block) { block.flags.store(kBlockPrepared, std::memory_order_release); }

unsigned PulseSound::addInput(SoundBlock& block) {
  LoopLock lock(loop_);
  if (inputEvent_ == nullptr) return kSoundNotOpen;
  const unsigned flags = block.flags.load(std::memory_order_acquire);
  if ((flags & kBlockPrepared) == 0) return kSoundUnprepared;
  if ((flags & kBlockQueued) != 0) return kSoundStillQueued;
  block.flags.store(kBlockPrepared | kBlockQueued, std::memory_order_release);
  input_.push_back(&block);
  takeRecorded();  // data that waited for a block
  return kSoundOk;
}

void PulseSound::startInput() {
  LoopLock lock(loop_);
  if (inputEvent_ == nullptr) return;
  // What the source recorded before now does not pace anything.
  if (record_ != nullptr) {
    while (pa_stream_readable_size(record_) > 0) {
      const void* data = nullptr;
      std::size_t bytes = 0;
      if (pa_stream_peek(record_, &data, &bytes) < 0 || bytes == 0) break;
      pa_stream_drop(record_);
    }
  }
  carry_.clear();
  recording_ = true;
  takeRecorded();
}

void PulseSound::takeRecorded() {
  if (!recording_ || record_ == nullptr || pa_stream_get_state(record_) != PA_STREAM_READY) return;
  bool completed = false;
  // Fills queued blocks from `bytes` at `data` (null: a hole in the recording, silence);
  // returns how many bytes found a block.
  const auto fill = [&](const std::byte* data, std::size_t bytes) {
    std::size_t offset = 0;
    while (offset < bytes && !input_.empty()) {
      SoundBlock& block = *input_.front();
      const std::size_t take = std::min(bytes - offset, block.bytes - inputFill_);
      if (data != nullptr) {
        std::memcpy(block.data + inputFill_, data + offset, take);
      } else {
        std::memset(block.data + inputFill_, 0, take);
      }
      inputFill_ += take;
      offset += take;
      if (inputFill_ == block.bytes) {
        input_.pop_front();
        inputFill_ = 0;
        block.flags.store(kBlockPrepared | kBlockDone, std::memory_order_release);
        ++counters_.blocksRecorded;
        completed = true;
      }
    }
    return offset;
  };
  const std::size_t used = fill(carry_.data(), carry_.size());
  carry_.erase(carry_.begin(), carry_.begin() + static_cast<std::ptrdiff_t>(used));
  // A fragment is dropped whole: what no queued block takes waits in `carry_`.
  while (carry_.empty() && !input_.empty() && pa_stream_readable_size(record_) > 0) {
    const void* data = nullptr;
    std::size_t bytes = 0;
    if (pa_stream_peek(record_, &data, &bytes) < 0 || bytes == 0) break;
    const auto* from = static_cast<const std::byte*>(data);
    const std::size_t taken = fill(from, bytes);
    if (taken < bytes) {
      if (from != nullptr) carry_.assign(from + taken, from + bytes);
      else carry_.assign(bytes - taken, std::byte{0});
    }
    pa_stream_drop(record_);
  }
  if (completed && inputEvent_ != nullptr) inputEvent_->set();
}

unsigned PulseSound::writeOutput(SoundBlock& block) {
  LoopLock lock(loop_);
  if (outputEvent_ == nullptr || playback_ == nullptr) return kSoundNotOpen;
  const unsigned flags = block.flags.load(std::memory_order_acquire);
  if ((flags & kBlockPrepared) == 0) return kSoundUnprepared;
  if ((flags & kBlockQueued) != 0) return kSoundStillQueued;
  if (pa_stream_get_state(playback_) != PA_STREAM_READY) return kSoundNotOpen;
  // The server copies the data: the block is free again at once.
  if (pa_stream_write(playback_, block.data, block.bytes, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
    return kSoundNotOpen;
  }
  ++counters_.blocksPlayed;
  block.flags.store(kBlockPrepared | kBlockDone, std::memory_order_release);
  outputEvent_->set();
  return kSoundOk;
}

void PulseSound::resetInput() {
  LoopLock lock(loop_);
  recording_ = false;
  for (SoundBlock* block : input_) block->flags.store(kBlockPrepared | kBlockDone, std::memory_order_release);
  input_.clear();
  inputFill_ = 0;
  carry_.clear();
}

void PulseSound::resetOutput() {
  LoopLock lock(loop_);
  if (playback_ != nullptr && pa_stream_get_state(playback_) == PA_STREAM_READY) {
    // Playback stops at once: what the server still holds is thrown away.
    if (pa_operation* o = pa_stream_flush(playback_, nullptr, nullptr)) pa_operation_unref(o);
  }
}

void PulseSound::closeInput() {
  LoopLock lock(loop_);
  inputEvent_ = nullptr;
  if (record_ != nullptr) {
    pa_stream_set_read_callback(record_, nullptr, nullptr);
    pa_stream_set_overflow_callback(record_, nullptr, nullptr);
    pa_stream_disconnect(record_);
    pa_stream_unref(record_);
    record_ = nullptr;
  }
}

void PulseSound::closeOutput() {
  {
    LoopLock lock(loop_);
    outputEvent_ = nullptr;
  }
  release();
}

SoundCounters PulseSound::counters() const {
  LoopLock lock(loop_);
  return counters_;
}

void PulseSound::release() {
  if (loop_ == nullptr) return;
  {
    LoopLock lock(loop_);
    inputEvent_ = outputEvent_ = nullptr;
    for (pa_stream** s : {&record_, &playback_}) {
      if (*s == nullptr) continue;
      pa_stream_set_read_callback(*s, nullptr, nullptr);
      pa_stream_set_overflow_callback(*s, nullptr, nullptr);
      pa_stream_set_underflow_callback(*s, nullptr, nullptr);
      pa_stream_disconnect(*s);
      pa_stream_unref(*s);
      *s = nullptr;
    }
    if (context_ != nullptr) {
      pa_context_set_state_callback(context_, nullptr, nullptr);
      pa_context_disconnect(context_);
      pa_context_unref(context_);
      context_ = nullptr;
    }
  }
  // The loop's thread only polls its sockets: stopping it never waits on the server.
  pa_threaded_mainloop_stop(loop_);
  pa_threaded_mainloop_free(loop_);
  loop_ = nullptr;
}

}  // namespace kelmo
