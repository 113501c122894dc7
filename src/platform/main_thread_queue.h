#pragma once
// The main window's message queue without a window: what headless runs and tests use.
// Worker threads post log lines and key notifications; the main thread delivers them in
// the order they were posted.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/main_window_port.h"

namespace kelmo {

class MainThreadQueue : public MainWindowPort {
 public:
  using ConsoleSink = std::function<void(const std::string&)>;
  using KeyHandler = std::function<void(int keyCode)>;

  MainThreadQueue(ConsoleSink console, KeyHandler keys);

  void appendConsoleLine(const std::string& line) override;
  bool postLogLine(int kind, std::unique_ptr<std::string>& line) override;
  bool postKeyNotification(int keyCode) override;
  bool isDestroying() const override;
  void processPendingMessages() override;

  // Main thread: waits until something is posted or the time-out passes; true if something is.
  bool waitForMessage(std::chrono::milliseconds timeout);
  // Refuses further posts (they then take the fallback path of the poster).
  void setRefusing(bool refusing);
  void setDestroying(bool destroying);

 private:
  struct Message {
    bool isKey = false;
    int keyCode = 0;
    std::unique_ptr<std::string> line;
  };

  ConsoleSink console_;
  KeyHandler keys_;
  mutable std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<Message> queue_;
  bool refusing_ = false;
  bool destroying_ = false;
};

}  // namespace kelmo
