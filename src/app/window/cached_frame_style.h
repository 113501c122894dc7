#pragma once
// The look of the application's style for text boxes whose text changes many times a second:
// the box's frame, an antialiased rounded outline that costs more to draw than the text, is
// drawn once per size, state and palette and copied from then on.
#include <QPixmap>
#include <QProxyStyle>
#include <QStyleOption>
#include <array>

class QWidget;

namespace kelmo {

class CachedFrameStyle : public QProxyStyle {
  Q_OBJECT

 public:
  // The one instance, owned by the application; created on first use.
  static CachedFrameStyle* instance();

  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;

 private:
  CachedFrameStyle();

  struct Picture {
    QSize size;
    QStyle::State state;
    Qt::LayoutDirection direction = Qt::LeftToRight;
    int lineWidth = 0;
    QPalette palette;
    QPixmap pixmap;
    bool matches(const QStyleOptionFrame& option) const;
  };
  // The frame of this option, drawn now or found among the latest pictures.
  const QPixmap& pictureOf(const QStyleOptionFrame& frame, const QWidget* widget) const;

  // The boxes of a window have a few sizes and states; the oldest picture makes room.
  mutable std::array<Picture, 16> pictures_{};
  mutable std::size_t nextPicture_ = 0;
};

}  // namespace kelmo
