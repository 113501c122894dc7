#pragma once
// The body of DischargeThread: each completed input block paces the synthesis of one
// output block; writing trails synthesis by three blocks.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>

#include "discharge/discharge_rings.h"
#include "discharge/sound_streams.h"
#include "platform/auto_reset_event.h"

namespace kelmo {

class DischargeThread {
 public:
  DischargeThread(SoundStreams& streams, AutoResetEvent& inputEvent, AutoResetEvent& outputEvent,
                  DischargeRings& rings, std::atomic<bool>& stopDischarge);

  // How long the wait for the device lasts before the stop flag is looked at again.
  static constexpr std::chrono::milliseconds kWaitSlice{100};
  // Recording that delivers no block for this long has stalled: the thread ends. A sound
  // server may take a second or two to deliver the first block.
  static constexpr std::chrono::milliseconds kStallLimit{2000};
  static constexpr std::chrono::milliseconds kFirstBlockLimit{4000};

  // Runs until the stop flag is seen or the device stalls, then resets and closes the
  // streams and writes one summary line. A stalled device sets the stop flag itself.
  void run();

 private:
  void queueInputRing();
  void takeCompletedInputs();
  void inputWakeUp();
  void synthesizeNext();
  void writeWhenFilled();
  void takePlayedOutputs();
  bool stalled();
  std::uint64_t underrunsSeen() const;
  void writeSummary();
  void shutDown();

  SoundStreams& streams_;
  AutoResetEvent& inputEvent_;
  AutoResetEvent& outputEvent_;
  DischargeRings& rings_;
  std::atomic<bool>& stopDischarge_;

  int k_ = 0;
  int w_ = 0;
  int pending_ = 0;
  int filled_ = 0;
  std::uint64_t counter_ = 0;
  // Input slots queued and not yet seen completed, oldest first.
  SlotQueue queuedInputs_;
  std::uint64_t completedInputs_ = 0;
  // Output slots written and not yet seen played, oldest first.
  SlotQueue writtenOutputs_;

  // For the summary line and the stall watch.
  std::uint64_t written_ = 0;
  std::uint64_t late_ = 0;     // written after their turn, queued behind a block still playing
  std::uint64_t dropped_ = 0;  // not written: their turn had passed and the device ran dry
  std::uint64_t underrunsAtLastWrite_ = 0;
  std::chrono::steady_clock::time_point recordingSince_;
  std::chrono::steady_clock::time_point lastInputAt_;
  std::optional<std::chrono::milliseconds> firstInputAfter_;
};

}  // namespace kelmo
