// A value box looks as a read-only line edit with the same text, font, size and alignment,
// sizes itself as one, and gives its text to the operator by the copy key.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QLineEdit>
#include <QTest>

#include "app/window/cached_frame_style.h"
#include "app/window/value_box.h"
#include "box_pictures.h"
#include "qt_test_app.h"

namespace kelmo {
namespace {

// How many pixels differ: a count says more than a failed comparison of two images.
int differingPixels(const QImage& a, const QImage& b) {
  int differing = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) differing += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
  }
  return differing;
}

QFont pixelFont(int pixels) {
  QFont font;
  font.setPixelSize(pixels);
  font.setStyleStrategy(QFont::PreferNoShaping);
  return font;
}

TEST(ValueBox, LooksAsAReadOnlyLineEditWithTheSameText) {
  test::testApplication();
  struct Case {
    const char* what;
    QString text;
    int pixels;
    QSize size;
    Qt::Alignment alignment;
    QColor base;  // invalid: the palette as it is
  };
  const Case cases[] = {
      {"a value, right-aligned", QStringLiteral("  1,25000"), 20, {116, 30}, Qt::AlignRight, {}},
      {"a negative value", QStringLiteral(" -0.00042"), 20, {116, 30}, Qt::AlignRight, {}},
      {"a value wider than the box shows its start", QStringLiteral("123456789012.12345"), 20, {116, 30},
       Qt::AlignRight, {}},
      {"a k1 text", QStringLiteral("R=2.5"), 10, {150, 17}, Qt::AlignLeft, {}},
      {"a k1 text wider than the box", QStringLiteral(".-Ur=0.000123456789012345"), 10, {60, 17}, Qt::AlignLeft, {}},
      {"an empty box", QString(), 20, {116, 30}, Qt::AlignRight, {}},
      {"an input indicator, on", QStringLiteral("EditDI"), 12, {97, 21}, Qt::AlignLeft, {0, 128, 0}},
      {"an input indicator, off", QStringLiteral("EditDI"), 12, {97, 21}, Qt::AlignLeft, {255, 0, 0}},
  };
  for (const Case& c : cases) {
    QLineEdit edit;
    ValueBox box;
    edit.setReadOnly(true);
    edit.setText(c.text);
    edit.setCursorPosition(0);
    edit.setAlignment(c.alignment | Qt::AlignVCenter);
    box.setText(c.text);
    box.setAlignment(c.alignment);
    box.setBackgroundRole(edit.backgroundRole());
    for (QWidget* widget : {static_cast<QWidget*>(&edit), static_cast<QWidget*>(&box)}) {
      widget->setStyle(CachedFrameStyle::instance());
      widget->setFont(pixelFont(c.pixels));
      widget->setFixedSize(c.size);
      if (c.base.isValid()) test::fillWith(*widget, c.base);
    }
    const QImage expected = test::drawn(edit);
    const QImage actual = test::drawn(box);
    ASSERT_EQ(actual.size(), expected.size()) << c.what;
    EXPECT_EQ(differingPixels(actual, expected), 0) << c.what;
  }
}

TEST(ValueBox, SizesItselfAsALineEdit) {
  test::testApplication();
  for (int pixels : {10, 12, 20}) {
    QLineEdit edit;
    ValueBox box;
    edit.setFont(pixelFont(pixels));
    box.setFont(pixelFont(pixels));
    EXPECT_EQ(box.sizeHint(), edit.sizeHint()) << pixels;
    EXPECT_EQ(box.minimumSizeHint(), edit.minimumSizeHint()) << pixels;
    EXPECT_EQ(box.sizePolicy(), edit.sizePolicy()) << pixels;
  }
}

TEST(ValueBox, ANewTextIsPaintedAndAnEqualOneAsksForNothing) {
  test::testApplication();
  ValueBox box;
  box.setFixedSize(116, 30);
  box.setText(QStringLiteral("  1.00000"));
  const QImage one = test::drawn(box);
  box.setText(QStringLiteral("  2.00000"));
  EXPECT_EQ(box.text(), "  2.00000");
  EXPECT_NE(test::drawn(box), one);
  box.setText(QStringLiteral("  1.00000"));
  EXPECT_EQ(test::drawn(box), one);
}

TEST(ValueBox, TheCopyKeyGivesTheTextAndOtherKeysGoToTheWindow) {
  test::testApplication();
  QWidget window;
  auto* box = new ValueBox(&window);
  box->setText(QStringLiteral("U6=42"));
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  EXPECT_EQ(box->focusPolicy(), Qt::TabFocus);
  box->setFocus(Qt::TabFocusReason);
  QApplication::clipboard()->clear();
  QTest::keySequence(box, QKeySequence::Copy);
  EXPECT_EQ(QApplication::clipboard()->text(), "U6=42");

  QKeyEvent f9(QEvent::KeyPress, Qt::Key_F9, Qt::NoModifier);
  QApplication::sendEvent(box, &f9);
  EXPECT_FALSE(f9.isAccepted()) << "the window's keys pass on to it";
}

}  // namespace
}  // namespace kelmo
