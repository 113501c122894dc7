#pragma once
// The generator's two rings of six blocks, fixed storage for the life of the program.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "discharge/discharge_pattern.h"
#include "discharge/sound_streams.h"

namespace kelmo {

inline constexpr int kRingBlocks = 6;

inline void nextSlot(int& index) { index = (index + 1) % kRingBlocks; }

// Ring slots handed to a stream, oldest first; fixed storage, as a ring holds no more.
class SlotQueue {
 public:
  bool empty() const { return count_ == 0; }
  std::size_t size() const { return count_; }
  int front() const { return slots_[head_]; }
  void pop() {
    head_ = (head_ + 1) % slots_.size();
    --count_;
  }
  // The streams refuse a block they hold already, so no more than a ring is ever pushed.
  void push(int slot) {
    if (count_ == slots_.size()) return;
    slots_[(head_ + count_) % slots_.size()] = slot;
    ++count_;
  }

 private:
  std::array<int, kRingBlocks> slots_{};
  std::size_t head_ = 0;
  std::size_t count_ = 0;
};

struct DischargeRing {
  std::array<std::array<std::int16_t, kDischargeBlockSamples>, kRingBlocks> buffers{};
  std::array<SoundBlock, kRingBlocks> blocks;

  std::span<std::int16_t, kDischargeBlockSamples> samples(int slot) {
    return buffers[static_cast<std::size_t>(slot)];
  }
  SoundBlock& block(int slot) { return blocks[static_cast<std::size_t>(slot)]; }

  // Clears each header and points it at its buffer, as at every start.
  void resetHeaders() {
    for (std::size_t i = 0; i < blocks.size(); ++i) {
      blocks[i].data = reinterpret_cast<std::byte*>(buffers[i].data());
      blocks[i].bytes = sizeof(buffers[i]);
      blocks[i].flags.store(0, std::memory_order_relaxed);
    }
  }
};

struct DischargeRings {
  DischargeRing input;
  DischargeRing output;
};

}  // namespace kelmo
