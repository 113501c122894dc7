#include "support/stack_frame.h"

#include <exception>

#include "platform/debug_output.h"

namespace kelmo {
namespace {

thread_local TStackFrame* threadCurrentFrame = nullptr;

}  // namespace

NoScopeError::NoScopeError()
    : std::logic_error("registerObject/registerFinalizer: no scope has been entered in this thread") {}

void TFinalizer::finish() {
  std::function<void()> proc = std::move(proc_);
  proc_ = nullptr;
  if (proc) proc();
}

void TStackFrame::own(std::unique_ptr<ScopeItem> item) {
  // Reserve first so that a failed allocation cannot lose the item silently: it is then
  // destroyed by its owner here, and the caller sees the exception.
  owned_.reserve(owned_.size() + 1);
  owned_.push_back(std::move(item));
}

void TStackFrame::end() {
  std::exception_ptr firstFailure;
  while (!owned_.empty()) {
    std::unique_ptr<ScopeItem> item = std::move(owned_.back());
    owned_.pop_back();
    try {
      item->finish();
    } catch (...) {
      if (!firstFailure) firstFailure = std::current_exception();
    }
  }
  threadCurrentFrame = previousFrame_;
  if (firstFailure) std::rethrow_exception(firstFailure);
}

ScopeHandle::ScopeHandle(TStackFrame* frame) noexcept : frame_(frame) { frame_->addRef(); }

ScopeHandle::ScopeHandle(const ScopeHandle& other) noexcept : frame_(other.frame_) { frame_->addRef(); }

ScopeHandle::~ScopeHandle() noexcept(false) {
  if (!frame_->releaseRef()) return;
  std::unique_ptr<TStackFrame> frame(frame_);
  if (std::uncaught_exceptions() == 0) {
    frame->end();
    return;
  }
  // Raising now would end the program: report the failure and let the first one go on.
  try {
    frame->end();
  } catch (const std::exception& e) {
    debugOutput(std::string("scope clean-up failed: ") + e.what());
  } catch (...) {
    debugOutput("scope clean-up failed");
  }
}

ScopeHandle enterScope() {
  auto* frame = new TStackFrame(threadCurrentFrame);
  threadCurrentFrame = frame;
  return ScopeHandle(frame);
}

TStackFrame* currentFrame() { return threadCurrentFrame; }

void registerFinalizer(std::function<void()> proc) {
  TStackFrame* frame = currentFrame();
  if (frame == nullptr) throw NoScopeError();
  // Held as an item of its own, not as an owned object: ending the frame runs it.
  frame->own(std::make_unique<TFinalizer>(std::move(proc)));
}

}  // namespace kelmo
