#pragma once
// A chart that the window repaints many times a second. The chart library renders into a
// transparent picture, fills the widget with the background and blends the picture over it;
// here the picture is filled with the background itself, so it is opaque, and a paint is a
// plain copy of it with nothing painted underneath. Its background stays an opaque colour
// (the library's default is white).
#include <qcustomplot.h>

namespace kelmo {

class OpaquePlot : public QCustomPlot {
  Q_OBJECT

 public:
  explicit OpaquePlot(QWidget* parent = nullptr);

  // Moves everything drawn onto the bottom layer, in the order of drawing, and removes the
  // other layers: each layer costs a painter on the picture at every replot. Call once the
  // plottables are added; later ones are drawn last.
  void drawOnOneLayer();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // True while the plot renders into one picture of its own kind: the library may set up
  // its pictures anew (another pixel ratio, OpenGL), and a transparent one needs the
  // background painted under it.
  bool rendersOpaque() const;
};

}  // namespace kelmo
