#pragma once
// Axis labels of the chart frames: times of day from continuous date-times on the time
// axis, "#0.###" numbers on the value axis. The chart library draws with them in the review
// window and the report's plots; the live charts ask them for steps, subticks and labels.
#include <qcustomplot.h>

#include <array>
#include <limits>
#include <string>

namespace kelmo {

// The labels made lately, by tick and separator: every replot asks for the same few labels
// again, and formatting them costs more than finding them.
class RecentLabels {
 public:
  template <class Make>
  QString label(double tick, char separator, Make make) {
    for (const Entry& e : entries_) {
      if (e.tick == tick && e.separator == separator) return e.text;
    }
    Entry& e = entries_[next_];
    next_ = (next_ + 1) % entries_.size();
    e = {tick, separator, make()};
    return e.text;
  }

 private:
  struct Entry {
    double tick = std::numeric_limits<double>::quiet_NaN();  // matches no tick
    char separator = 0;
    QString text;
  };
  std::array<Entry, 16> entries_{};
  std::size_t next_ = 0;
};

// "#0.###": at most three decimals, no trailing zeros, at least one integer digit.
std::string formatAxisValue(double v);

// What a live chart asks of a ticker to draw its axis as the chart library would.
class ChartTicker : public QCPAxisTicker {
 public:
  // The tick step the library would choose for an axis showing `range`.
  double stepFor(const QCPRange& range) { return getTickStep(range); }
  // Subticks between two ticks `step` apart.
  int subTicksFor(double step) { return getSubTickCount(step); }
  QString labelFor(double tick) { return getTickLabel(tick, QLocale(), QLatin1Char('g'), 6); }
};

class TimeOfDayTicker : public ChartTicker {
 protected:
  // X values are days since 30 December 1899; steps are whole clock units.
  double getTickStep(const QCPRange& range) override;
  QString getTickLabel(double tick, const QLocale& locale, QChar formatChar, int precision) override;

 private:
  RecentLabels labels_;
};

class ValueTicker : public ChartTicker {
 protected:
  QString getTickLabel(double tick, const QLocale& locale, QChar formatChar, int precision) override;

 private:
  RecentLabels labels_;
};

}  // namespace kelmo
