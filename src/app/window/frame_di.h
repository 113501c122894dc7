#pragma once
// Indicator of one digital input: a small box and a wide box that the main window colours.
#include <QFrame>

class QLineEdit;

namespace kelmo {

class TframeDI : public QFrame {
  Q_OBJECT

 public:
  explicit TframeDI(QWidget* parent = nullptr);

  QLineEdit* DI() const { return DI_; }
  QLineEdit* EditDI() const { return EditDI_; }

 private:
  QLineEdit* DI_;
  QLineEdit* EditDI_;
};

}  // namespace kelmo
