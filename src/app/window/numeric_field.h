#pragma once
// A one-line field for a number, with the regional decimal separator. The program may show
// any value in it; what the operator types is raised to the minimum when confirmed.
#include <QLineEdit>

namespace kelmo {

class NumericField : public QLineEdit {
  Q_OBJECT

 public:
  NumericField(double minimum, double shown, QWidget* parent = nullptr);

  // The number shown: as the program set it, or as the operator typed it, raised to the
  // minimum when below it or when the field is empty.
  double value() const;
  // Shows v as it is; the operator's changes are forgotten.
  void setValue(double v);

 private:
  double minimum_;
};

}  // namespace kelmo
