#pragma once
// Number and date texts as the user sees them: the general number format, printf-style
// formats, date-time patterns, all with the regional decimal and time separators.
#include <initializer_list>
#include <string>
#include <variant>

#include "platform/date_time.h"

namespace kelmo {

// Regional settings: read once from the user's locale (on Windows the user's regional
// settings, elsewhere the environment's locale); tests set them.
char decimalSeparator();
void setDecimalSeparator(char c);
char timeSeparator();
void setTimeSeparator(char c);
char dateSeparator();
void setDateSeparator(char c);
// Groups of three digits in numbers shown with separators; "," without a locale.
std::string thousandSeparator();
void setThousandSeparator(std::string s);
// The currency sign and whether it stands before the amount; no sign without a locale.
struct CurrencyStyle {
  std::string sign;
  bool signFirst = true;
};
CurrencyStyle currencyStyle();
void setCurrencyStyle(const CurrencyStyle& style);

// At most 15 significant digits, no trailing zeros; plain for 1e-4 <= |v| < 1e15,
// otherwise scientific such as 1.5E-5 or 1E15. Infinite and NaN give INF, -INF, NAN.
std::string formatGeneral(double v);

// printf-style: %s %d %u %x %f %e %g with flags '-' and '0', width and precision,
// e.g. "%9.5f", "%-5.3f", "%1.1s". Numbers use the regional decimal separator.
using FormatArg = std::variant<long long, unsigned long long, double, std::string>;
std::string formatText(const std::string& pattern, std::initializer_list<FormatArg> args);

// Date-time patterns: yyyy mm dd hh nn ss zzz; ':' becomes the time separator and
// '/' the date separator; any other character stands as itself.
// "yyyy:mm:dd hh:mm:ss" — mm after hh means minutes, as users of the pattern expect.
std::string formatDateTime(const std::string& pattern, TDateTime dt);
// The regional date pattern ("dd/mm/yyyy": '/' stands for the date separator).
std::string shortDatePattern();
void setShortDatePattern(std::string pattern);
std::string shortDateText(TDateTime dt);   // e.g. 10.12.2026
std::string longTimeText(TDateTime dt);    // e.g. 05:41:07

}  // namespace kelmo
