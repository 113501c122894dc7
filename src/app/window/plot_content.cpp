#include "app/window/plot_content.h"

#include <algorithm>

namespace kelmo {

void PlotContent::reset(QSize size, std::int64_t first) {
  if (image_.size() != size) {
    image_ = QImage(size, QImage::Format_RGB32);
    pixels_ = reinterpret_cast<QRgb*>(image_.bits());
    stride_ = static_cast<int>(image_.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb)));
  }
  moveTo(first);
}

void PlotContent::moveTo(std::int64_t first) {
  const std::int64_t w = std::max(width(), 1);
  start_ = static_cast<int>(((first % w) + w) % w);
}

void PlotContent::fill(int y, int from, int to, QRgb colour) {
  from = std::max(from, 0);
  to = std::min(to, width());
  if (y < 0 || y >= height() || from >= to) return;
  QRgb* pixels = row(y);
  const int start = stored(from);
  const int inFirst = std::min(to - from, width() - start);
  std::fill(pixels + start, pixels + start + inFirst, colour);
  std::fill(pixels, pixels + (to - from - inFirst), colour);
}

}  // namespace kelmo
