#pragma once
// A one-line field that takes a number not below its minimum, with the regional decimal
// separator.
#include <QLineEdit>

namespace kelmo {

class NumericField : public QLineEdit {
  Q_OBJECT

 public:
  NumericField(double minimum, double shown, QWidget* parent = nullptr);

  // The number typed, raised to the minimum when below it or when the field is empty.
  double value() const;
  void setValue(double v);

 private:
  double minimum_;
};

}  // namespace kelmo
