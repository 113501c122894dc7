#pragma once
// A field that one thread writes while others read it: a lock-free atomic that reads and
// assigns like a plain value, so no reader ever sees a half-written double.
#include <atomic>

namespace kelmo {

template <class T>
class SharedValue {
 public:
  SharedValue(T v = T{}) : value_(v) {}  // NOLINT: converting on purpose
  SharedValue(const SharedValue& other) : value_(other.load()) {}
  SharedValue& operator=(const SharedValue& other) { store(other.load()); return *this; }
  SharedValue& operator=(T v) { store(v); return *this; }
  operator T() const { return load(); }  // NOLINT: reads like the plain value

  T load() const { return value_.load(std::memory_order_relaxed); }
  void store(T v) { value_.store(v, std::memory_order_relaxed); }

 private:
  static_assert(std::atomic<T>::is_always_lock_free);
  std::atomic<T> value_;
};

}  // namespace kelmo
