#include "app/window/numeric_field.h"

#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <algorithm>
#include <charconv>
#include <climits>
#include <string>

#include "platform/text_format.h"

namespace kelmo {

namespace {
// Whole numbers up to the 32-bit limit, optionally with decimals.
constexpr double kLargest = static_cast<double>(INT_MAX);
}  // namespace

NumericField::NumericField(double minimum, double shown, QWidget* parent)
    : QLineEdit(parent), minimum_(minimum) {
  const QString separator = QRegularExpression::escape(QString(QChar::fromLatin1(decimalSeparator())));
  setValidator(new QRegularExpressionValidator(
      QRegularExpression(QStringLiteral("\\d{0,10}(%1\\d{0,6})?").arg(separator)), this));
  setValue(shown);
  // Leaving the field after typing shows the number that counts.
  connect(this, &QLineEdit::editingFinished, this, [this] {
    if (isModified()) setValue(value());
  });
}

double NumericField::value() const {
  std::string digits = text().toStdString();
  std::replace(digits.begin(), digits.end(), decimalSeparator(), '.');
  // from_chars reads the point whatever the process locale says.
  double v = minimum_;
  if (std::from_chars(digits.data(), digits.data() + digits.size(), v).ec != std::errc()) {
    return minimum_;
  }
  // The minimum binds the operator, not the program: a value set by the program (the valve's
  // current timing, which may be 0) is confirmed as it is.
  return std::min(isModified() ? std::max(v, minimum_) : v, kLargest);
}

void NumericField::setValue(double v) { setText(QString::fromStdString(formatGeneral(std::min(v, kLargest)))); }

}  // namespace kelmo
