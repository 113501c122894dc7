#include "platform/os_thread.h"

#include <algorithm>
#include <cstring>

#ifdef _WIN32
#include <thread>
#include <windows.h>
#else
#include <limits.h>
#include <pthread.h>
#endif

namespace kelmo {

#ifndef _WIN32
namespace {

// The C library's number formatting needs more than the smallest stack a thread may
// have; sanitizers need several times more again.
std::size_t effectiveStackSize(std::size_t requested) {
  std::size_t floor = 64 * 1024;
#ifdef PTHREAD_STACK_MIN
  floor = std::max<std::size_t>(floor, PTHREAD_STACK_MIN);
#endif
#ifdef KELMO_SANITIZED
  floor = std::max<std::size_t>(floor, 4 * 1024 * 1024);
#endif
  return std::max(requested, floor);
}

}  // namespace
#endif

struct OsThread::Impl {
  std::function<void()> body;
  std::string name;
#ifdef _WIN32
  std::thread thread;
#else
  pthread_t thread{};
#endif
  bool joinable = false;
};

OsThread::OsThread() = default;

OsThread::~OsThread() {
  if (joinable()) join();
}

OsThread::OsThread(OsThread&&) noexcept = default;

OsThread& OsThread::operator=(OsThread&& other) noexcept {
  if (this != &other) {
    if (joinable()) join();
    impl_ = std::move(other.impl_);
  }
  return *this;
}

bool OsThread::start(std::function<void()> body, std::size_t stackBytes, std::string name) {
  if (joinable()) return false;
  impl_ = std::make_unique<Impl>();
  impl_->body = std::move(body);
  impl_->name = std::move(name);
#ifdef _WIN32
  (void)stackBytes;  // std::thread takes the default stack, which is larger than any request here
  try {
    impl_->thread = std::thread([impl = impl_.get()] {
      if (!impl->name.empty()) nameCurrentThread(impl->name);
      impl->body();
    });
  } catch (const std::system_error&) {
    impl_.reset();
    return false;
  }
#else
  pthread_attr_t attr;
  if (pthread_attr_init(&attr) != 0) return false;
  pthread_attr_setstacksize(&attr, effectiveStackSize(stackBytes));
  auto trampoline = [](void* arg) -> void* {
    auto* impl = static_cast<Impl*>(arg);
    if (!impl->name.empty()) nameCurrentThread(impl->name);
    impl->body();
    return nullptr;
  };
  const int rc = pthread_create(&impl_->thread, &attr, trampoline, impl_.get());
  pthread_attr_destroy(&attr);
  if (rc != 0) {
    impl_.reset();
    return false;
  }
#endif
  impl_->joinable = true;
  return true;
}

bool OsThread::joinable() const { return impl_ && impl_->joinable; }

void OsThread::join() {
  if (!joinable()) return;
#ifdef _WIN32
  impl_->thread.join();
#else
  pthread_join(impl_->thread, nullptr);
#endif
  impl_->joinable = false;
}

void nameCurrentThread(const std::string& name) {
#if defined(_WIN32)
  (void)name;  // naming is a debugger convenience; failures are ignored
#else
  // Linux keeps at most 15 characters.
  pthread_setname_np(pthread_self(), name.substr(0, 15).c_str());
#endif
}

}  // namespace kelmo
