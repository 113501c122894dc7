#pragma once
// Indicator of one digital input: a small box and a wide box that the main window colours.
#include <QFrame>

namespace kelmo {

class ValueBox;

class TframeDI : public QFrame {
  Q_OBJECT

 public:
  explicit TframeDI(QWidget* parent = nullptr);

  ValueBox* DI() const { return DI_; }
  ValueBox* EditDI() const { return EditDI_; }

 private:
  ValueBox* DI_;
  ValueBox* EditDI_;
};

}  // namespace kelmo
