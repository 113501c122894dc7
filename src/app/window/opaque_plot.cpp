#include "app/window/opaque_plot.h"

namespace kelmo {

namespace {

// The library clears its pictures to transparent before each replot; this one clears to the
// plot's background, when that is an opaque colour. Every layer of the plot draws into it:
// one picture for the whole plot.
class OpaquePaintBuffer : public QCPPaintBufferPixmap {
 public:
  // `background` is the plot's own brush, which outlives the buffer.
  OpaquePaintBuffer(const QSize& size, double devicePixelRatio, const QBrush& background)
      : QCPPaintBufferPixmap(size, devicePixelRatio), background_(background) {}

  void clear(const QColor& transparent) override {
    mBuffer.fill(isOpaqueColour(background_) ? background_.color() : transparent);
  }

  static bool isOpaqueColour(const QBrush& brush) { return brush.style() == Qt::SolidPattern && brush.isOpaque(); }

 private:
  const QBrush& background_;
};

}  // namespace

OpaquePlot::OpaquePlot(QWidget* parent) : QCustomPlot(parent) {
  // Layers the library buffers apart would need a transparent picture each.
  for (int i = 0; i < layerCount(); ++i) layer(i)->setMode(QCPLayer::lmLogical);
  mPaintBuffers.clear();
  mPaintBuffers.append(QSharedPointer<QCPAbstractPaintBuffer>(
      new OpaquePaintBuffer(viewport().size(), bufferDevicePixelRatio(), mBackgroundBrush)));
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void OpaquePlot::drawOnOneLayer() {
  QCPLayer* bottom = layer(0);
  while (layerCount() > 1) {
    QCPLayer* next = layer(1);
    for (QCPLayerable* drawn : next->children()) drawn->setLayer(bottom);  // appended: same order
    removeLayer(next);
  }
  setCurrentLayer(bottom);
}

bool OpaquePlot::rendersOpaque() const {
  return mPaintBuffers.size() == 1 && dynamic_cast<const OpaquePaintBuffer*>(mPaintBuffers.front().data()) != nullptr &&
         OpaquePaintBuffer::isOpaqueColour(mBackgroundBrush) && mBackgroundPixmap.isNull();
}

void OpaquePlot::paintEvent(QPaintEvent* event) {
  if (!rendersOpaque()) {
    QCustomPlot::paintEvent(event);
    return;
  }
  QCPPainter painter(this);
  if (painter.isActive()) mPaintBuffers.front()->draw(&painter);
}

}  // namespace kelmo
