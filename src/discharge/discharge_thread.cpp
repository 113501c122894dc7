#include "discharge/discharge_thread.h"

#include <cstdlib>
#include <string>

#include "discharge/report_result.h"
#include "platform/debug_output.h"

namespace kelmo {

DischargeThread::DischargeThread(SoundStreams& streams, AutoResetEvent& inputEvent,
                                 AutoResetEvent& outputEvent, DischargeRings& rings,
                                 const std::atomic<bool>& stopDischarge)
    : streams_(streams),
      inputEvent_(inputEvent),
      outputEvent_(outputEvent),
      rings_(rings),
      stopDischarge_(stopDischarge) {}

void DischargeThread::run() {
  queueInputRing();
  streams_.startInput();
  for (;;) {
    switch (AutoResetEvent::waitAny(inputEvent_, outputEvent_)) {
      case 0:
        inputWakeUp();
        break;
      case 1:
        debugOutput("out");
        writeWhenFilled();
        break;
      default:
        debugOutput("Assertion failure");
        std::abort();
    }
    if (stopDischarge_.load()) break;
  }
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
  while (!queuedInputs_.empty() && rings_.input.block(queuedInputs_.front()).done()) {
    queuedInputs_.pop();
    ++completedInputs_;
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
  if (filled_ > 3) {
    filled_ -= 1;
    // A block is on time only while no input block has completed beyond this step and the
    // device holds at most the one block written before it (one playing, one waiting, as a
    // sound device needs to play without gaps); otherwise its turn has passed. Playing it
    // anyway would put every later block behind, and synthesis must never write into a
    // block that the device still holds: the next one goes into slot k.
    takeCompletedInputs();
    takePlayedOutputs();
    const bool deviceKeepsUp = writtenOutputs_.size() <= 1 &&
                               (writtenOutputs_.empty() || writtenOutputs_.front() != k_);
    if (counter_ >= completedInputs_ + 1 && deviceKeepsUp) {
      const unsigned result = streams_.writeOutput(rings_.output.block(w_));
      if (result == kSoundOk) writtenOutputs_.push(w_);
      reportResult("waveOutWrite 1", result);
    } else {
      debugOutput("waveOutWrite skipped: block " + std::to_string(w_) + " is late");
    }
    nextSlot(w_);
  }
}

void DischargeThread::takePlayedOutputs() {
  while (!writtenOutputs_.empty() && rings_.output.block(writtenOutputs_.front()).done()) {
    writtenOutputs_.pop();
  }
}

void DischargeThread::shutDown() {
  streams_.resetInput();
  streams_.resetOutput();
  streams_.closeInput();
  streams_.closeOutput();
}

}  // namespace kelmo
