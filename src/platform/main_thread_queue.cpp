#include "platform/main_thread_queue.h"

namespace kelmo {

MainThreadQueue::MainThreadQueue(ConsoleSink console, KeyHandler keys)
    : console_(std::move(console)), keys_(std::move(keys)) {}

void MainThreadQueue::appendConsoleLine(const std::string& line) {
  if (console_) console_(line);
}

bool MainThreadQueue::postLogLine(int, std::unique_ptr<std::string>& line) {
  std::lock_guard lock(mutex_);
  if (refusing_) return false;
  queue_.push_back(Message{false, 0, std::move(line)});
  posted_.notify_all();
  return true;
}

bool MainThreadQueue::postKeyNotification(int keyCode) {
  std::lock_guard lock(mutex_);
  if (refusing_) return false;
  queue_.push_back(Message{true, keyCode, nullptr});
  posted_.notify_all();
  return true;
}

bool MainThreadQueue::isDestroying() const {
  std::lock_guard lock(mutex_);
  return destroying_;
}

void MainThreadQueue::processPendingMessages() {
  // Messages posted while these are handled wait for the next call, as in a window's queue.
  std::deque<Message> batch;
  {
    std::lock_guard lock(mutex_);
    batch.swap(queue_);
  }
  for (Message& m : batch) {
    if (m.isKey) {
      if (keys_) keys_(m.keyCode);
    } else {
      appendConsoleLine(*m.line);
    }
  }
}

bool MainThreadQueue::waitForMessage(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return posted_.wait_for(lock, timeout, [this] { return !queue_.empty(); });
}

void MainThreadQueue::setRefusing(bool refusing) {
  std::lock_guard lock(mutex_);
  refusing_ = refusing;
}

void MainThreadQueue::setDestroying(bool destroying) {
  std::lock_guard lock(mutex_);
  destroying_ = destroying;
}

}  // namespace kelmo
