#include "app/window/cached_frame_style.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QStyleOption>

namespace kelmo {

CachedFrameStyle* CachedFrameStyle::instance() {
  static QPointer<CachedFrameStyle> style;
  if (style.isNull()) {
    style = new CachedFrameStyle;
    style->setParent(QCoreApplication::instance());
  }
  return style;
}

// A base style of the application's kind, owned by this proxy (the application's own style
// stays the application's).
CachedFrameStyle::CachedFrameStyle() : QProxyStyle(QApplication::style()->name()) {}

void CachedFrameStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                     const QWidget* widget) const {
  const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
  // A scaled device would need a picture per scale: those draw directly.
  if (element != PE_FrameLineEdit || frame == nullptr || painter->device()->devicePixelRatio() != 1.0 ||
      frame->rect.isEmpty()) {
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    return;
  }
  const QPixmap& picture = pictureOf(*frame, widget);
  painter->drawPixmap(frame->rect.topLeft(), picture);
}

// Everything the frame's pixels depend on: its size, state, direction, line width and
// palette. Palettes compare by their colours: an indicator box gets a new palette at every
// change of its input, with the colours of one of its two states.
bool CachedFrameStyle::Picture::matches(const QStyleOptionFrame& option) const {
  return size == option.rect.size() && state == option.state && direction == option.direction &&
         lineWidth == option.lineWidth && (palette.isCopyOf(option.palette) || palette == option.palette);
}

const QPixmap& CachedFrameStyle::pictureOf(const QStyleOptionFrame& frame, const QWidget* widget) const {
  for (const Picture& p : pictures_) {
    if (p.matches(frame)) return p.pixmap;
  }
  Picture& p = pictures_[nextPicture_];
  nextPicture_ = (nextPicture_ + 1) % pictures_.size();
  p = {frame.rect.size(), frame.state, frame.direction, frame.lineWidth, frame.palette, QPixmap(frame.rect.size())};
  p.pixmap.fill(Qt::transparent);
  QStyleOptionFrame atOrigin = frame;
  atOrigin.rect.moveTo(0, 0);
  QPainter onPicture(&p.pixmap);
  QProxyStyle::drawPrimitive(PE_FrameLineEdit, &atOrigin, &onPicture, widget);
  return p.pixmap;
}

}  // namespace kelmo
