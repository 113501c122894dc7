#pragma once
// Scoped clean-up: a routine enters a scope and keeps the returned handle in a local;
// objects registered meanwhile are destroyed, and finalizers run, last registered first,
// when the last copy of the handle goes — on return and on the error path alike.
//
//   ScopeHandle scope = enterScope();
//   lockModule();
//   registerFinalizer(unlockModule);
//   auto* form = registerObject(new TScriptForm(...));
//
// Each thread has its own chain of frames; registrations go to the innermost live frame
// of the calling thread. Frames must end in the reverse order of entering.
#include <atomic>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

namespace kelmo {

// Registering with no scope entered in the calling thread: a programming error.
class NoScopeError : public std::logic_error {
 public:
  NoScopeError();
};

// Reference-counted object that destroys itself when its count falls to zero (see ScopeHandle).
class TReadSelfObject {
 public:
  TReadSelfObject() = default;
  TReadSelfObject(const TReadSelfObject&) = delete;
  TReadSelfObject& operator=(const TReadSelfObject&) = delete;
  virtual ~TReadSelfObject() = default;

  void addRef() noexcept { count_.fetch_add(1, std::memory_order_relaxed); }
  // True when this released the last reference.
  bool releaseRef() noexcept { return count_.fetch_sub(1, std::memory_order_acq_rel) == 1; }

 private:
  std::atomic<int> count_{0};
};

// One registered item: an owned object or a finalizer. finish() destroys or runs it.
class ScopeItem {
 public:
  virtual ~ScopeItem() = default;
  virtual void finish() = 0;
};

template <class T>
class OwnedScopeItem final : public ScopeItem {
 public:
  explicit OwnedScopeItem(std::unique_ptr<T> object) : object_(std::move(object)) {}
  void finish() override { object_.reset(); }

 private:
  std::unique_ptr<T> object_;
};

class TFinalizer final : public ScopeItem {
 public:
  explicit TFinalizer(std::function<void()> proc) : proc_(std::move(proc)) {}
  // Runs the procedure once.
  void finish() override;

 private:
  std::function<void()> proc_;
};

class ScopeHandle;
[[nodiscard]] ScopeHandle enterScope();

class TStackFrame final : public TReadSelfObject {
 public:
  TStackFrame* previousFrame() const { return previousFrame_; }
  int ownedCount() const { return static_cast<int>(owned_.size()); }
  void own(std::unique_ptr<ScopeItem> item);

 private:
  friend class ScopeHandle;
  friend ScopeHandle enterScope();
  explicit TStackFrame(TStackFrame* previous) : previousFrame_(previous) {}
  // Handles every item, last first, then makes the previous frame current. An item that
  // fails does not stop the others; the first failure is raised afterwards (see ScopeHandle).
  void end();

  TStackFrame* previousFrame_;
  std::vector<std::unique_ptr<ScopeItem>> owned_;
};

// A counted reference to a frame. Copies share the frame; the last one to go ends it.
// Ending a frame whose item failed raises that failure from the destructor, unless an
// exception is already propagating: then the failure goes to the debug output instead.
class ScopeHandle {
 public:
  ScopeHandle(const ScopeHandle& other) noexcept;
  ScopeHandle& operator=(const ScopeHandle& other) = delete;
  ~ScopeHandle() noexcept(false);

  TStackFrame& readSelf() const { return *frame_; }

 private:
  friend ScopeHandle enterScope();
  explicit ScopeHandle(TStackFrame* frame) noexcept;

  TStackFrame* frame_;
};

// Opens a frame and makes it the calling thread's current frame.
[[nodiscard]] ScopeHandle enterScope();

// The calling thread's innermost live frame, or nullptr.
TStackFrame* currentFrame();

// Hands obj to the current frame, which destroys it when it ends; returns obj unchanged.
// Without a current frame obj is destroyed at once and NoScopeError is raised.
template <class T>
T* registerObject(std::unique_ptr<T> obj) {
  T* raw = obj.get();
  TStackFrame* frame = currentFrame();
  if (frame == nullptr) throw NoScopeError();
  frame->own(std::make_unique<OwnedScopeItem<T>>(std::move(obj)));
  return raw;
}

template <class T>
T* registerObject(T* obj) {
  return registerObject(std::unique_ptr<T>(obj));
}

// Runs proc when the current frame ends. Without a current frame raises NoScopeError.
void registerFinalizer(std::function<void()> proc);

}  // namespace kelmo
