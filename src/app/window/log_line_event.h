#pragma once
// The log message a worker thread posts to the main window: message 1224 carrying the line.
// The event owns the line, so it is freed exactly once whether or not it is ever delivered.
#include <QEvent>
#include <memory>
#include <string>

#include "platform/main_window_port.h"

namespace kelmo {

class LogLineEvent : public QEvent {
 public:
  static constexpr QEvent::Type kType = static_cast<QEvent::Type>(kLogMessage);

  LogLineEvent(int kind, std::unique_ptr<std::string> line)
      : QEvent(kType), kind_(kind), line_(std::move(line)) {}

  int kind() const { return kind_; }
  const std::string& line() const { return *line_; }

 private:
  int kind_;
  std::unique_ptr<std::string> line_;
};

}  // namespace kelmo
