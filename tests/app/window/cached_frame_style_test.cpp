// Text boxes whose frame is copied from a picture look exactly as boxes drawn by the
// application's style, the first time and when the picture is reused.
#include <gtest/gtest.h>

#include <QImage>
#include <QLineEdit>

#include "app/window/cached_frame_style.h"
#include "box_pictures.h"
#include "qt_test_app.h"

namespace kelmo {
namespace {

// The largest difference of one colour channel between two pictures of the same size.
int largestDifference(const QImage& a, const QImage& b) {
  int largest = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y);
      const QRgb q = b.pixel(x, y);
      largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                          std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
    }
  }
  return largest;
}

TEST(CachedFrameStyle, BoxesLookAsDrawnByTheApplicationStyle) {
  test::testApplication();
  struct Case {
    QSize size;
    QColor base;  // invalid: the palette as it is
    bool readOnly;
  };
  const Case cases[] = {
      {{116, 30}, {}, true},            // a value box
      {{97, 21}, {0, 128, 0}, true},    // an input indicator, on
      {{97, 21}, {255, 0, 0}, true},    // and off
      {{80, 24}, {}, false},            // an editable field
  };
  for (const Case& c : cases) {
    QLineEdit plain;
    QLineEdit cached;
    cached.setStyle(CachedFrameStyle::instance());
    for (QLineEdit* box : {&plain, &cached}) {
      box->setReadOnly(c.readOnly);
      box->setText(QStringLiteral("  1.25000"));
      box->setFixedSize(c.size);
      if (c.base.isValid()) test::fillWith(*box, c.base);
    }
    const QImage expected = test::drawn(plain);
    const QImage first = test::drawn(cached);
    const QImage again = test::drawn(cached);  // from the stored picture
    ASSERT_EQ(first.size(), expected.size());
    // Blending a stored picture rounds once more than drawing in place.
    EXPECT_LE(largestDifference(first, expected), 1) << c.size.width() << "x" << c.size.height();
    EXPECT_EQ(again, first) << c.size.width() << "x" << c.size.height();
  }
}

}  // namespace
}  // namespace kelmo
