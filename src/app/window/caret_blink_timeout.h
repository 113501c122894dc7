#pragma once
// Stops the text carets' blinking when the operator has left the keyboard and the mouse alone
// for a while, and starts it again at the next keystroke or click, as native edit controls
// do. The caret stays shown meanwhile. A caret that blinks in the console all day long would
// repaint the window twice a second for nothing; on a rig's old PC that is most of the
// window's work between two measurements of a slow run.
#include <QObject>
#include <QTimer>
#include <chrono>

namespace kelmo {

class CaretBlinkTimeout : public QObject {
 public:
  // Watches the whole application's input; carets that blink at all keep their period.
  explicit CaretBlinkTimeout(std::chrono::milliseconds timeout);
  // The carets blink again, as the system has them.
  ~CaretBlinkTimeout() override;

  CaretBlinkTimeout(const CaretBlinkTimeout&) = delete;
  CaretBlinkTimeout& operator=(const CaretBlinkTimeout&) = delete;

  // Whether the carets stand still because the operator has been away.
  bool stopped() const { return stopped_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void stopBlinking();
  void resumeBlinking();

  QTimer idle_;
  int flashTime_;  // the blink period the carets had, in ms; under 2 they never blinked
  bool stopped_ = false;
};

}  // namespace kelmo
