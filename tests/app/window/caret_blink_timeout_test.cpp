// The carets stop blinking once the operator has left the keyboard and mouse alone, stay
// shown, and blink again at the next keystroke; the system's blinking comes back at the end.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QStyleHints>
#include <QTest>
#include <QVBoxLayout>

#include "app/window/caret_blink_timeout.h"
#include "qt_test_app.h"

namespace kelmo {
namespace {

using std::chrono::milliseconds;

// Counts the paints of one widget.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

// The system's blink period for the test's length, short so that blinking shows soon.
class CaretBlinkTimeoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::testApplication();
    hints_->setCursorFlashTime(200);
  }
  void TearDown() override { hints_->setCursorFlashTime(-1); }

  QStyleHints* hints_ = QGuiApplication::styleHints();
};

TEST_F(CaretBlinkTimeoutTest, TheCaretStopsBlinkingWhenIdleStaysShownAndBlinksAgainAtAKey) {
  QWidget window;
  auto* console = new QPlainTextEdit(&window);
  auto* layout = new QVBoxLayout(&window);
  layout->addWidget(console);
  window.resize(200, 100);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  console->setFocus();
  PaintCounter counter(console->viewport());
  QTRY_VERIFY2(counter.paints >= 2, "the caret blinks with the system's period");

  {
    CaretBlinkTimeout timeout(milliseconds(100));
    QTRY_VERIFY(timeout.stopped());
    EXPECT_EQ(hints_->cursorFlashTime(), 0);
    QCoreApplication::processEvents();
    counter.paints = 0;
    QTest::qWait(500);  // two and a half blink periods
    EXPECT_EQ(counter.paints, 0) << "a still caret paints nothing";

    // Shown: the console differs from one without the focus by its caret.
    QPlainTextEdit unfocused;
    unfocused.resize(console->size());
    EXPECT_NE(console->grab().toImage(), unfocused.grab().toImage());

    QTest::keyClick(console, Qt::Key_A);
    EXPECT_FALSE(timeout.stopped());
    EXPECT_EQ(hints_->cursorFlashTime(), 200);
    counter.paints = 0;
    QTRY_VERIFY2(counter.paints >= 2, "a key brings the blinking back");

    QTRY_VERIFY2(timeout.stopped(), "and idleness stops it again");
  }
  EXPECT_EQ(hints_->cursorFlashTime(), 200) << "the end gives the system's blinking back";
}

TEST_F(CaretBlinkTimeoutTest, CaretsTheSystemKeepsStillAreLeftAlone) {
  hints_->setCursorFlashTime(0);
  CaretBlinkTimeout timeout(milliseconds(10));
  QTest::qWait(100);
  EXPECT_FALSE(timeout.stopped());
  EXPECT_EQ(hints_->cursorFlashTime(), 0);
}

}  // namespace
}  // namespace kelmo
