#pragma once
// Axis labels of the chart frames: times of day from continuous date-times on the time
// axis, "#0.###" numbers on the value axis.
#include <qcustomplot.h>

#include <string>

namespace kelmo {

// "#0.###": at most three decimals, no trailing zeros, at least one integer digit.
std::string formatAxisValue(double v);

class TimeOfDayTicker : public QCPAxisTicker {
 protected:
  // X values are days since 30 December 1899; steps are whole clock units.
  double getTickStep(const QCPRange& range) override;
  QString getTickLabel(double tick, const QLocale& locale, QChar formatChar, int precision) override;
};

class ValueTicker : public QCPAxisTicker {
 protected:
  QString getTickLabel(double tick, const QLocale& locale, QChar formatChar, int precision) override;
};

}  // namespace kelmo
