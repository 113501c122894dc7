#include "discharge/discharge_thread.h"

#include <cstdlib>
#include <string>

#include "discharge/report_result.h"
#include "platform/debug_output.h"

namespace kelmo {

DischargeThread::DischargeThread(SoundStreams& streams, AutoResetEvent& inputEvent,
                                 AutoResetEvent& outputEvent, DischargeRings& rings,
                                 std::atomic<bool>& stopDischarge)
    : streams_(streams),
      inputEvent_(inputEvent),
      outputEvent_(outputEvent),
      rings_(rings),
      stopDischarge_(stopDischarge) {}

void DischargeThread::run() {
  queueInputRing();
  streams_.startInput();
  recordingSince_ = lastInputAt_ = std::chrono::steady_clock::now();
  for (;;) {
    // Bounded, so that a stop and a device that went silent are both seen in time.
    switch (AutoResetEvent::waitAny(inputEvent_, outputEvent_, kWaitSlice)) {
      case 0:
        inputWakeUp();
        break;
      case 1:
        debugOutput("out");
        writeWhenFilled();
        break;
      case -1:
        break;
      default:
        debugOutput("Assertion failure");
        std::abort();
    }
    if (stopDischarge_.load()) break;
    if (stalled()) {
      // Ended by itself: from now on the generator is stopping, not playing, so that a new
      // start waits for this one to close its streams instead of being ignored as a repeat.
      stopDischarge_ = true;
      break;
    }
  }
  writeSummary();
  shutDown();
}

void DischargeThread::queueInputRing() {
  for (int slot = 0; slot < kRingBlocks; ++slot) {
    if (reportResult("waveInAddBuffer", streams_.addInput(rings_.input.block(slot))) == kSoundOk) {
      queuedInputs_.push(slot);
    }
  }
}

void DischargeThread::takeCompletedInputs() {
  // Blocks come back in the order queued, so the completed ones are at the front.
  const std::uint64_t before = completedInputs_;
  while (!queuedInputs_.empty() && rings_.input.block(queuedInputs_.front()).done()) {
    queuedInputs_.pop();
    ++completedInputs_;
  }
  if (completedInputs_ == before) return;
  lastInputAt_ = std::chrono::steady_clock::now();
  if (!firstInputAfter_) {
    firstInputAfter_ = std::chrono::duration_cast<std::chrono::milliseconds>(lastInputAt_ - recordingSince_);
  }
}

void DischargeThread::inputWakeUp() {
  // One step per completed input block, and one ahead for the wake-up that the opening of
  // the input stream causes, so synthesis stays a block ahead of recording. Completions
  // merged into one wake-up each get their step, in order, so the input blocks keep being
  // queued again and recording cannot run dry; a wake-up whose completions an earlier one
  // already handled does nothing.
  takeCompletedInputs();
  while (counter_ < completedInputs_ + 1) {
    synthesizeNext();
    writeWhenFilled();
  }
}

void DischargeThread::synthesizeNext() {
  debugOutput("in" + std::to_string(k_));
  synthesizeBlock(rings_.output.samples(k_), counter_);
  counter_ += 1;
  filled_ += 1;
  pending_ += 1;
  nextSlot(k_);
  if (pending_ > 3) {
    const int slot = (k_ + pending_) % kRingBlocks;
    const unsigned result = streams_.addInput(rings_.input.block(slot));
    if (result == kSoundOk) queuedInputs_.push(slot);
    reportResult("waveInAddBuffer " + std::to_string(k_), result);
    pending_ -= 1;
  }
}

void DischargeThread::writeWhenFilled() {
  debugOutput(std::to_string(filled_));
  if (filled_ <= 3) return;
  filled_ -= 1;
  takeCompletedInputs();
  takePlayedOutputs();
  // The block's turn has passed when an input block beyond the one that paced it has
  // completed. It can still join without a gap while the device has not run dry since the
  // last write: then it is queued behind the block still playing. Once the device has run
  // dry the gap is there; playing the block after it would put every later block behind
  // the input clock, so it is dropped.
  const bool late = counter_ < completedInputs_ + 1;
  const std::uint64_t underruns = underrunsSeen();
  const bool ranDry = underruns > underrunsAtLastWrite_;
  // Synthesis must never write into a block the device still holds, and the next one goes
  // into slot k: with two blocks in the device's hands, or the one it holds being slot k,
  // this block cannot be given to it.
  const bool deviceFull =
      writtenOutputs_.size() >= 2 || (!writtenOutputs_.empty() && writtenOutputs_.front() == k_);
  if (deviceFull || (late && ranDry)) {
    ++dropped_;
    debugOutput("waveOutWrite skipped: block " + std::to_string(w_) + " is late and dropped (" +
                (deviceFull ? "the device has not played the blocks before it" : "the device ran dry") + ")");
  } else {
    if (late) {
      ++late_;
      debugOutput("waveOutWrite: block " + std::to_string(w_) + " is late, queued behind the one playing");
    }
    const unsigned result = streams_.writeOutput(rings_.output.block(w_));
    if (result == kSoundOk) {
      writtenOutputs_.push(w_);
      ++written_;
      underrunsAtLastWrite_ = underruns;
    }
    reportResult("waveOutWrite 1", result);
  }
  nextSlot(w_);
}

void DischargeThread::takePlayedOutputs() {
  while (!writtenOutputs_.empty() && rings_.output.block(writtenOutputs_.front()).done()) {
    writtenOutputs_.pop();
  }
}

bool DischargeThread::stalled() {
  const auto silentFor = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - lastInputAt_);
  if (silentFor < (firstInputAfter_ ? kStallLimit : kFirstBlockLimit)) return false;
  debugOutput("DischargeThread: the sound device has completed no input block for " +
              std::to_string(silentFor.count()) + " ms (" + streams_.deviceName() +
              "); the generator ends");
  return true;
}

std::uint64_t DischargeThread::underrunsSeen() const {
  const SoundCounters c = streams_.counters();
  return c.outputUnderruns + c.deviceUnderflows;
}

void DischargeThread::writeSummary() {
  std::string line = "DischargeThread: " + std::to_string(counter_) + " blocks synthesized, " +
                     std::to_string(written_) + " written, " + std::to_string(late_) + " late, " +
                     std::to_string(dropped_) + " dropped, " + std::to_string(underrunsSeen()) +
                     " underruns seen; first input block ";
  line += firstInputAfter_ ? "after " + std::to_string(firstInputAfter_->count()) + " ms" : "never came";
  debugOutput(line);
}

void DischargeThread::shutDown() {
  streams_.resetInput();
  streams_.resetOutput();
  streams_.closeInput();
  streams_.closeOutput();
}

}  // namespace kelmo
