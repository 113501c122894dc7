#pragma once
// What worker threads may do to the main window: post a log line or a key notification.
// The Qt window implements it with posted events; headless mode with a queue of its own.
#include <memory>
#include <string>

namespace kelmo {

constexpr int kLogMessage = 1224;  // first user message number 1024 + 200
constexpr int kKeyEnter = 13;
constexpr int kKeyEscape = 27;

class MainWindowPort {
 public:
  virtual ~MainWindowPort() = default;

  // Main thread: append a line to the console.
  virtual void appendConsoleLine(const std::string& line) = 0;
  // Any thread: post a log line. On true the port owns the line; on false the caller keeps it.
  virtual bool postLogLine(int kind, std::unique_ptr<std::string>& line) = 0;
  // Any thread: post a key-down notification to the notification receiver.
  virtual bool postKeyNotification(int keyCode) = 0;
  // True while the window is being torn down.
  virtual bool isDestroying() const = 0;
  // Main thread: handle every message posted so far.
  virtual void processPendingMessages() = 0;
};

}  // namespace kelmo
