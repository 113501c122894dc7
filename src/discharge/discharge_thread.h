#pragma once
// The body of DischargeThread: each completed input block paces the synthesis of one
// output block; writing trails synthesis by three blocks.
#include <atomic>
#include <cstdint>

#include "discharge/discharge_rings.h"
#include "discharge/sound_streams.h"
#include "platform/auto_reset_event.h"

namespace kelmo {

class DischargeThread {
 public:
  DischargeThread(SoundStreams& streams, AutoResetEvent& inputEvent, AutoResetEvent& outputEvent,
                  DischargeRings& rings, const std::atomic<bool>& stopDischarge);

  // Runs until the stop flag is seen after a wake-up, then resets and closes the streams.
  void run();

 private:
  void queueInputRing();
  void takeCompletedInputs();
  void inputWakeUp();
  void synthesizeNext();
  void writeWhenFilled();
  void takePlayedOutputs();
  void shutDown();

  SoundStreams& streams_;
  AutoResetEvent& inputEvent_;
  AutoResetEvent& outputEvent_;
  DischargeRings& rings_;
  const std::atomic<bool>& stopDischarge_;

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
};

}  // namespace kelmo
