#include "app/window/chart_tickers.h"

#include <array>
#include <cmath>

#include "platform/date_time.h"
#include "platform/text_format.h"

namespace kelmo {

std::string formatAxisValue(double v) {
  // Round first so that -0.0004 shows as 0, not -0.
  double rounded = std::round(v * 1000.0) / 1000.0;
  if (rounded == 0.0) rounded = 0.0;
  std::string text = formatText("%.3f", {rounded});
  const std::size_t separator = text.find(decimalSeparator());
  if (separator == std::string::npos) return text;
  std::size_t end = text.find_last_not_of('0');
  if (end == separator) --end;
  text.erase(end + 1);
  return text;
}

double TimeOfDayTicker::getTickStep(const QCPRange& range) {
  constexpr double kSecondsPerDay = 86400.0;
  // Steps that divide a day, so that ticks fall on round clock times.
  static constexpr std::array<double, 20> kStepsSeconds = {
      1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 10800, 21600, 43200,
      86400, 172800, 604800};
  const double wanted = range.size() * kSecondsPerDay / (mTickCount + 1e-10);
  // Date-times near 46000 days carry errors of a microsecond: a window of 30 s computed as
  // the difference of two of them must still get steps of 10 s.
  constexpr double kSlack = 1 - 1e-6;
  for (double step : kStepsSeconds) {
    if (step >= wanted * kSlack) return step / kSecondsPerDay;
  }
  return kStepsSeconds.back() / kSecondsPerDay;
}

QString TimeOfDayTicker::getTickLabel(double tick, const QLocale&, QChar, int) {
  // Ticks are multiples of whole seconds; round away the floating-point error first.
  const double whole = std::round(tick * 86400.0) / 86400.0;
  return labels_.label(whole, timeSeparator(), [whole] { return QString::fromStdString(formatDateTime("hh:nn:ss", whole)); });
}

QString ValueTicker::getTickLabel(double tick, const QLocale&, QChar, int) {
  return labels_.label(tick, decimalSeparator(), [tick] { return QString::fromStdString(formatAxisValue(tick)); });
}

}  // namespace kelmo
