// Date utilities: building, taking apart, stepping and reading date-times (days since
// 30 December 1899, the time as the fraction), with the regional date and time separators.
// Now, Date, Time and FormatDateTime belong to the engine's own system unit.
#include <cctype>
#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/date_time.h"
#include "platform/text_format.h"
#include "script_library/import_table.h"
#include "script_library/standard_library.h"

namespace kelmo::script_library {

namespace {

using script::NativeCall;
using script::Value;

constexpr double kMsPerDay = 86400000.0;

bool isLeapYear(std::int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(std::int64_t y, std::int64_t m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && isLeapYear(y) ? 29 : kDays[m - 1];
}

bool validDate(std::int64_t y, std::int64_t m, std::int64_t d) {
  return y >= 1 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= daysInMonth(y, m);
}

bool validTime(std::int64_t h, std::int64_t n, std::int64_t s, std::int64_t ms) {
  return h >= 0 && h < 24 && n >= 0 && n < 60 && s >= 0 && s < 60 && ms >= 0 && ms < 1000;
}

double dateOf(std::int64_t y, std::int64_t m, std::int64_t d) {
  return encodeDateTime({static_cast<int>(y), static_cast<int>(m), static_cast<int>(d), 0, 0, 0, 0});
}

double timeOf(std::int64_t h, std::int64_t n, std::int64_t s, std::int64_t ms) {
  return static_cast<double>(((h * 60 + n) * 60 + s) * 1000 + ms) / kMsPerDay;
}

// A date-time within the years the calendar routines handle.
CivilDateTime civil(double dt) {
  if (!std::isfinite(dt) || std::fabs(dt) > 2958466) throw script::PascalException("EConvertError", "Invalid argument to date decode");
  return decodeDateTime(dt);
}

// Steps a date-time by whole milliseconds, so that repeated steps do not drift.
double stepped(double dt, double ms) { return static_cast<double>(std::llround(dt * kMsPerDay + ms)) / kMsPerDay; }

double incMonth(double dt, std::int64_t months) {
  const CivilDateTime c = civil(dt);
  std::int64_t total = static_cast<std::int64_t>(c.year) * 12 + (c.month - 1) + months;
  const std::int64_t y = total / 12, m = total % 12 + 1;
  if (y < 1 || y > 9999) throw script::PascalException("EConvertError", "Invalid argument to date encode");
  const std::int64_t d = std::min<std::int64_t>(c.day, daysInMonth(y, m));
  return dateOf(y, m, d) + (dt >= 0 ? 1 : -1) * std::fabs(dt - std::trunc(dt));
}

// The numbers of a text split at any character that is not a digit; false on letters.
bool numbers(std::string_view s, std::vector<std::int64_t>& out) {
  std::int64_t v = -1;
  for (char c : s) {
    if (std::isdigit(static_cast<unsigned char>(c))) {
      v = (v < 0 ? 0 : v) * 10 + (c - '0');
      if (v > 99999) return false;
    } else if (std::isalpha(static_cast<unsigned char>(c))) {
      return false;
    } else if (v >= 0) {
      out.push_back(v);
      v = -1;
    }
  }
  if (v >= 0) out.push_back(v);
  return true;
}

// A date in the order of the regional pattern (day, month, year by default); a missing
// year is this year's, a two-digit one lies in this century.
bool parseDate(std::string_view s, double& out) {
  std::vector<std::int64_t> n;
  if (!numbers(s, n) || n.size() < 2 || n.size() > 3) return false;
  const std::string pattern = shortDatePattern();
  const std::size_t dPos = pattern.find('d'), mPos = pattern.find('m'), yPos = pattern.find('y');
  std::int64_t y = 0, m = 0, d = 0;
  const int thisYear = decodeDateTime(now()).year;
  if (n.size() == 2) {
    const bool dayFirst = dPos < mPos;
    d = dayFirst ? n[0] : n[1];
    m = dayFirst ? n[1] : n[0];
    y = thisYear;
  } else if (yPos < dPos && yPos < mPos) {
    y = n[0], m = mPos < dPos ? n[1] : n[2], d = mPos < dPos ? n[2] : n[1];
  } else {
    d = dPos < mPos ? n[0] : n[1];
    m = dPos < mPos ? n[1] : n[0];
    y = n[2];
  }
  if (y < 100 && n.size() == 3) y += thisYear / 100 * 100;
  if (!validDate(y, m, d)) return false;
  out = dateOf(y, m, d);
  return true;
}

// hh[:nn[:ss[.zzz]]] with an optional AM or PM.
bool parseTime(std::string_view s, double& out) {
  std::string text(s);
  int shift = -1;  // -1: 24-hour clock
  for (const char* marker : {"AM", "PM", "am", "pm"}) {
    const std::size_t at = text.find(marker);
    if (at != std::string::npos) {
      shift = marker[0] == 'P' || marker[0] == 'p' ? 12 : 0;
      text.erase(at, 2);
    }
  }
  std::vector<std::int64_t> n;
  if (!numbers(text, n) || n.empty() || n.size() > 4) return false;
  n.resize(4, 0);
  if (shift >= 0) {
    if (n[0] < 1 || n[0] > 12) return false;
    n[0] = n[0] % 12 + shift;
  }
  if (!validTime(n[0], n[1], n[2], n[3])) return false;
  out = timeOf(n[0], n[1], n[2], n[3]);
  return true;
}

bool parseDateTime(std::string_view s, double& out) {
  std::size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  s = s.substr(b, e - b);
  const std::size_t space = s.find(' ');
  double date = 0, time = 0;
  if (space == std::string_view::npos) {
    if (parseDate(s, date)) return out = date, true;
    if (parseTime(s, time)) return out = time, true;
    return false;
  }
  if (!parseDate(s.substr(0, space), date) || !parseTime(s.substr(space + 1), time)) return false;
  out = date + time;
  return true;
}

Value parsed(const NativeCall& c, bool (*parse)(std::string_view, double&), const char* what) {
  double v = 0;
  if (!parse(c.arg(0).text(), v)) throw script::PascalException("EConvertError", "'" + c.arg(0).asString() + "' is not a valid " + what);
  return Value(v);
}

double real(const NativeCall& c, std::size_t i) { return c.arg(i).asDouble(); }

// Whole units between two date-times, counted as the calendar does (a hair short is not
// a whole unit less).
std::int64_t unitsBetween(double a, double b, double unitsPerDay) {
  return static_cast<std::int64_t>(std::floor(std::fabs(a - b) * unitsPerDay + 1e-7));
}

class DateUtilsImport final : public TableImport {
 public:
  DateUtilsImport() : TableImport("DateUtils") {
    routines = {
        {"function EncodeDate(Year, Month, Day: Word): TDateTime", [](NativeCall& c) {
           const std::int64_t y = c.arg(0).asInt(), m = c.arg(1).asInt(), d = c.arg(2).asInt();
           if (!validDate(y, m, d)) throw script::PascalException("EConvertError", "Invalid argument to date encode");
           return Value(dateOf(y, m, d));
         }},
        {"function EncodeTime(Hour, Min, Sec, MSec: Word): TDateTime", [](NativeCall& c) {
           const std::int64_t h = c.arg(0).asInt(), n = c.arg(1).asInt(), s = c.arg(2).asInt(), ms = c.arg(3).asInt();
           if (!validTime(h, n, s, ms)) throw script::PascalException("EConvertError", "Invalid argument to time encode");
           return Value(timeOf(h, n, s, ms));
         }},
        {"function EncodeDateTime(AYear, AMonth, ADay, AHour, AMinute, ASecond, AMilliSecond: Word): TDateTime",
         [](NativeCall& c) {
           const std::int64_t y = c.arg(0).asInt(), m = c.arg(1).asInt(), d = c.arg(2).asInt();
           const std::int64_t h = c.arg(3).asInt(), n = c.arg(4).asInt(), s = c.arg(5).asInt(), ms = c.arg(6).asInt();
           if (!validDate(y, m, d) || !validTime(h, n, s, ms)) throw script::PascalException("EConvertError", "Invalid argument to date encode");
           return Value(dateOf(y, m, d) + timeOf(h, n, s, ms));
         }},
        {"procedure DecodeDate(const DateTime: TDateTime; var Year, Month, Day: Word)", [](NativeCall& c) {
           const CivilDateTime t = civil(real(c, 0));
           c.arg(1) = Value(t.year), c.arg(2) = Value(t.month), c.arg(3) = Value(t.day);
           return Value();
         }},
        {"procedure DecodeTime(const DateTime: TDateTime; var Hour, Min, Sec, MSec: Word)", [](NativeCall& c) {
           const CivilDateTime t = civil(real(c, 0));
           c.arg(1) = Value(t.hour), c.arg(2) = Value(t.minute), c.arg(3) = Value(t.second), c.arg(4) = Value(t.millisecond);
           return Value();
         }},
        // 1 is Sunday, 7 Saturday; 30 December 1899 was a Saturday.
        {"function DayOfWeek(const DateTime: TDateTime): Word", [](NativeCall& c) {
           civil(real(c, 0));
           const auto day = static_cast<std::int64_t>(std::floor(real(c, 0)));
           return Value(((day % 7) + 7 + 6) % 7 + 1);
         }},
        {"function DateOf(const AValue: TDateTime): TDateTime", [](NativeCall& c) { return Value(std::trunc(real(c, 0))); }},
        {"function TimeOf(const AValue: TDateTime): TDateTime",
         [](NativeCall& c) { return Value(std::fabs(real(c, 0) - std::trunc(real(c, 0)))); }},
        {"function YearOf(const AValue: TDateTime): Word", [](NativeCall& c) { return Value(civil(real(c, 0)).year); }},
        {"function MonthOf(const AValue: TDateTime): Word", [](NativeCall& c) { return Value(civil(real(c, 0)).month); }},
        {"function DayOf(const AValue: TDateTime): Word", [](NativeCall& c) { return Value(civil(real(c, 0)).day); }},
        {"function HourOf(const AValue: TDateTime): Word", [](NativeCall& c) { return Value(civil(real(c, 0)).hour); }},
        {"function MinuteOf(const AValue: TDateTime): Word", [](NativeCall& c) { return Value(civil(real(c, 0)).minute); }},
        {"function SecondOf(const AValue: TDateTime): Word", [](NativeCall& c) { return Value(civil(real(c, 0)).second); }},
        {"function IsLeapYear(Year: Word): Boolean", [](NativeCall& c) { return Value(isLeapYear(c.arg(0).asInt())); }},
        {"function DaysInAMonth(const AYear, AMonth: Word): Word", [](NativeCall& c) {
           const std::int64_t y = c.arg(0).asInt(), m = c.arg(1).asInt();
           if (!validDate(y, m, 1)) throw script::PascalException("EConvertError", "Invalid argument to date encode");
           return Value(daysInMonth(y, m));
         }},
        {"function IncDay(const AValue: TDateTime; ANumberOfDays: Integer): TDateTime",
         [](NativeCall& c) { return Value(real(c, 0) + static_cast<double>(c.arg(1).asInt())); }},
        {"function IncHour(const AValue: TDateTime; ANumberOfHours: Int64): TDateTime",
         [](NativeCall& c) { return Value(stepped(real(c, 0), static_cast<double>(c.arg(1).asInt()) * 3600000.0)); }},
        {"function IncMinute(const AValue: TDateTime; ANumberOfMinutes: Int64): TDateTime",
         [](NativeCall& c) { return Value(stepped(real(c, 0), static_cast<double>(c.arg(1).asInt()) * 60000.0)); }},
        {"function IncSecond(const AValue: TDateTime; ANumberOfSeconds: Int64): TDateTime",
         [](NativeCall& c) { return Value(stepped(real(c, 0), static_cast<double>(c.arg(1).asInt()) * 1000.0)); }},
        {"function IncMilliSecond(const AValue: TDateTime; ANumberOfMilliSeconds: Int64): TDateTime",
         [](NativeCall& c) { return Value(stepped(real(c, 0), static_cast<double>(c.arg(1).asInt()))); }},
        {"function IncMonth(const DateTime: TDateTime; NumberOfMonths: Integer): TDateTime",
         [](NativeCall& c) { return Value(incMonth(real(c, 0), c.arg(1).asInt())); }},
        {"function DaysBetween(const ANow, AThen: TDateTime): Integer",
         [](NativeCall& c) { return Value(unitsBetween(real(c, 0), real(c, 1), 1)); }},
        {"function HoursBetween(const ANow, AThen: TDateTime): Int64",
         [](NativeCall& c) { return Value(unitsBetween(real(c, 0), real(c, 1), 24)); }},
        {"function MinutesBetween(const ANow, AThen: TDateTime): Int64",
         [](NativeCall& c) { return Value(unitsBetween(real(c, 0), real(c, 1), 1440)); }},
        {"function SecondsBetween(const ANow, AThen: TDateTime): Int64",
         [](NativeCall& c) { return Value(unitsBetween(real(c, 0), real(c, 1), 86400)); }},
        {"function MilliSecondsBetween(const ANow, AThen: TDateTime): Int64",
         [](NativeCall& c) { return Value(unitsBetween(real(c, 0), real(c, 1), kMsPerDay)); }},
        {"function StrToDate(const S: string): TDateTime", [](NativeCall& c) { return parsed(c, parseDate, "date"); }},
        {"function StrToTime(const S: string): TDateTime", [](NativeCall& c) { return parsed(c, parseTime, "time"); }},
        {"function StrToDateTime(const S: string): TDateTime",
         [](NativeCall& c) { return parsed(c, parseDateTime, "date and time"); }},
        {"function TryStrToDate(const S: string; var Value: TDateTime): Boolean", [](NativeCall& c) {
           double v = 0;
           if (!parseDate(c.arg(0).text(), v)) return Value(false);
           c.arg(1) = Value(v);
           return Value(true);
         }},
    };
  }
};

}  // namespace

std::shared_ptr<script::ImportPlugin> makeDateUtilsImport() { return std::make_shared<DateUtilsImport>(); }

}  // namespace kelmo::script_library
