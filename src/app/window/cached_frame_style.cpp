#include "app/window/cached_frame_style.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QPointer>
#include <QStyleOption>

namespace kelmo {

namespace {

// Everything the frame's pixels depend on: its size, state, direction and the colours of
// the palette's current group.
QString frameKey(const QStyleOptionFrame& option) {
  QString key = QStringLiteral("kelmo-frame:%1x%2:%3:%4:%5")
                    .arg(option.rect.width())
                    .arg(option.rect.height())
                    .arg(static_cast<quint32>(option.state))
                    .arg(static_cast<int>(option.direction))
                    .arg(option.lineWidth);
  const QPalette::ColorGroup group = option.palette.currentColorGroup();
  for (int role = 0; role < QPalette::NColorRoles; ++role) {
    key += QLatin1Char(':');
    key += QString::number(option.palette.color(group, static_cast<QPalette::ColorRole>(role)).rgba(), 16);
  }
  return key;
}

}  // namespace

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
  const QString key = frameKey(*frame);
  QPixmap picture;
  if (!QPixmapCache::find(key, &picture)) {
    picture = QPixmap(frame->rect.size());
    picture.fill(Qt::transparent);
    QStyleOptionFrame atOrigin = *frame;
    atOrigin.rect.moveTo(0, 0);
    QPainter onPicture(&picture);
    QProxyStyle::drawPrimitive(element, &atOrigin, &onPicture, widget);
    onPicture.end();
    QPixmapCache::insert(key, picture);
  }
  painter->drawPixmap(frame->rect.topLeft(), picture);
}

}  // namespace kelmo
