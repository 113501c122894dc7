#include "app/window/caret_blink_timeout.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QStyleHints>

namespace kelmo {

CaretBlinkTimeout::CaretBlinkTimeout(std::chrono::milliseconds timeout)
    : flashTime_(QGuiApplication::styleHints()->cursorFlashTime()) {
  if (flashTime_ < 2) return;  // the system keeps the carets still already
  idle_.setSingleShot(true);
  idle_.setInterval(timeout);
  connect(&idle_, &QTimer::timeout, this, &CaretBlinkTimeout::stopBlinking);
  QCoreApplication::instance()->installEventFilter(this);
  idle_.start();
}

CaretBlinkTimeout::~CaretBlinkTimeout() { resumeBlinking(); }

// A flash time of zero: every line edit and text edit with a caret shows it, still. They all
// follow the change at once.
void CaretBlinkTimeout::stopBlinking() {
  stopped_ = true;
  QGuiApplication::styleHints()->setCursorFlashTime(0);
}

void CaretBlinkTimeout::resumeBlinking() {
  if (!stopped_) return;
  stopped_ = false;
  QGuiApplication::styleHints()->setCursorFlashTime(flashTime_);
}

bool CaretBlinkTimeout::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::FocusIn:
      resumeBlinking();
      idle_.start();
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace kelmo
