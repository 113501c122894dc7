#include "app/window/tick_label_images.h"

#include <QFontMetrics>
#include <QPainter>

namespace kelmo {

const QImage& TickLabelImages::imageOf(const QString& text) {
  const auto found = images_.constFind(text);
  if (found != images_.constEnd()) return *found;
  if (images_.size() >= kKept) images_.clear();
  constexpr int kFlags = Qt::TextDontClip | Qt::AlignHCenter;
  const QRect box = QFontMetrics(font_).boundingRect(0, 0, 0, 0, kFlags, text);
  QImage image(box.size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  if (!image.isNull()) {
    QPainter painter(&image);
    painter.setPen(Qt::black);
    painter.setFont(font_);
    painter.drawText(0, 0, box.width(), box.height(), kFlags, text);
  }
  return *images_.insert(text, image);
}

}  // namespace kelmo
