#pragma once
// The key-down message a worker thread posts to the notification button: Enter for new
// values, Esc for the end of the run, told apart by the key code alone. It travels as an
// event of its own rather than as a keyboard event, which the toolkit would first pass
// through its shortcut and key-mapping machinery at every period.
#include <QEvent>

namespace kelmo {

class KeyNotificationEvent : public QEvent {
 public:
  static QEvent::Type type() {
    static const auto registered = static_cast<QEvent::Type>(QEvent::registerEventType());
    return registered;
  }

  explicit KeyNotificationEvent(int keyCode) : QEvent(type()), keyCode_(keyCode) {}

  int keyCode() const { return keyCode_; }

 private:
  int keyCode_;
};

}  // namespace kelmo
