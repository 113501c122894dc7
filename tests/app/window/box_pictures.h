#pragma once
// What the box tests compare: a box drawn as the screen would show it, and a box filled with
// a colour of its own, as the main window colours an input indicator.
#include <QColor>
#include <QImage>
#include <QPalette>
#include <QWidget>

namespace kelmo::test {

inline QImage drawn(QWidget& box) { return box.grab().toImage().convertToFormat(QImage::Format_ARGB32); }

inline void fillWith(QWidget& box, const QColor& base) {
  QPalette palette = box.palette();
  palette.setColor(QPalette::Base, base);
  box.setPalette(palette);
  box.setAutoFillBackground(true);
}

}  // namespace kelmo::test
