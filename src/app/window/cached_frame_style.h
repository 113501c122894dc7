#pragma once
// The look of the application's style for text boxes whose text changes many times a second:
// the box's frame, an antialiased rounded outline that costs more to draw than the text, is
// drawn once per size, state and palette and copied from then on.
#include <QProxyStyle>

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
};

}  // namespace kelmo
