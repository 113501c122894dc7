#pragma once
// The pixels of a live chart's plotted area, kept as a ring of columns. Column x of what is
// shown (0 at the left) shows the strip's column first + x and is stored at that column
// modulo the width: moving the area left by some columns changes only `first`, and the
// columns that come in at the right are stored where those that left were. Nothing is moved
// in memory; a paint copies the shown columns in at most two pieces.
#include <QImage>
#include <QRect>
#include <QSize>
#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace kelmo {

class PlotContent {
 public:
  // A new area of `size`, its left column showing the strip's column `first`; its pixels
  // are undefined until drawn.
  void reset(QSize size, std::int64_t first);
  // The left column now shows the strip's column `first`.
  void moveTo(std::int64_t first);

  int width() const { return image_.width(); }
  int height() const { return image_.height(); }

  // Sets pixel (x, y) of what is shown, if it lies inside.
  void set(int x, int y, QRgb colour) {
    if (x >= 0 && y >= 0 && x < width() && y < height()) row(y)[stored(x)] = colour;
  }
  // Sets columns [from, to) of row y to `colour`.
  void fill(int y, int from, int to, QRgb colour);
  QRgb pixel(int x, int y) const { return image_.pixel(stored(x), y); }

  // Calls copy(offset, part) for the stored parts of the shown rectangle `shown`: `part` is
  // a rectangle of image() to be copied to shown's top left moved right by `offset`.
  template <class Copy>
  void forEachPart(const QRect& shown, Copy copy) const {
    const int start = stored(shown.left());
    const int inFirst = std::min(shown.width(), width() - start);
    copy(0, QRect(start, shown.top(), inFirst, shown.height()));
    if (inFirst < shown.width()) copy(inFirst, QRect(0, shown.top(), shown.width() - inFirst, shown.height()));
  }
  const QImage& image() const { return image_; }

 private:
  int stored(int x) const {
    const int column = x + start_;
    return column >= width() ? column - width() : column;
  }
  QRgb* row(int y) { return pixels_ + static_cast<std::ptrdiff_t>(y) * stride_; }

  QImage image_;
  QRgb* pixels_ = nullptr;  // the image's, taken once: scanLine() checks for sharing at every call
  int stride_ = 0;          // pixels per row
  int start_ = 0;           // where the left column is stored
};

}  // namespace kelmo
