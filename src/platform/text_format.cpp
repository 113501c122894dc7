#include "platform/text_format.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#ifdef _WIN32
#include "platform/windows_locale.h"
#else
#include <langinfo.h>
#include <locale.h>
#endif

namespace kelmo {

namespace {

// Regional settings, read once: the user's locale on Windows, the environment's elsewhere.
struct Regional {
  std::atomic<char> decimal{'.'};
  std::atomic<char> time{':'};
  std::atomic<char> date{'.'};
  std::string shortDatePattern = "dd/mm/yyyy";
  std::string longTimePattern = "hh:nn:ss";
  // Texts, not characters: a thousands separator or currency sign may take several bytes.
  std::string thousands = ",";
  std::string currency;
  bool currencyFirst = true;

  Regional() {
#ifdef _WIN32
    const WindowsRegionalSettings user = userRegionalSettings();
    decimal = user.decimal;
    date = user.date;
    time = user.time;
    shortDatePattern = patternFromWindowsFormat(user.shortDateFormat, user.date, '/', "dd/mm/yyyy");
    longTimePattern = patternFromWindowsFormat(user.timeFormat, user.time, ':', "hh:nn:ss");
#else
    locale_t loc = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(0));
    if (loc == static_cast<locale_t>(0)) return;
    if (const char* radix = nl_langinfo_l(RADIXCHAR, loc); radix && radix[0] && !radix[1]) decimal = radix[0];
    shortDatePattern = fromStrftime(nl_langinfo_l(D_FMT, loc), "dd/mm/yyyy");
    longTimePattern = fromStrftime(nl_langinfo_l(T_FMT, loc), "hh:nn:ss");
    for (char c : shortDatePattern)
      if (c != 'd' && c != 'm' && c != 'y') { date = c; break; }
    for (char c : longTimePattern)
      if (c != 'h' && c != 'n' && c != 's') { time = c; break; }
    // The patterns keep the separators as placeholders, so tests can change them.
    for (char& c : shortDatePattern) if (c == date) c = '/';
    for (char& c : longTimePattern) if (c == time) c = ':';
    if (const char* sep = nl_langinfo_l(THOUSEP, loc); sep && sep[0]) thousands = sep;
    // "-$": the sign stands before the amount, "+ р.": after it, ".": in place of the point.
    if (const char* sign = nl_langinfo_l(CRNCYSTR, loc); sign && sign[0] && sign[0] != '.') {
      currencyFirst = sign[0] == '-';
      currency = sign + 1;
    }
    freelocale(loc);
#endif
  }

  // Turns a strftime date or time format into our pattern letters.
  static std::string fromStrftime(const char* f, const char* fallback) {
    if (!f || !*f) return fallback;
    std::string out;
    for (const char* p = f; *p; ++p) {
      if (*p != '%') { out += *p; continue; }
      switch (*++p) {
        case 'd': case 'e': out += "dd"; break;
        case 'm': out += "mm"; break;
        case 'Y': out += "yyyy"; break;
        case 'y': out += "yy"; break;
        case 'H': case 'I': out += "hh"; break;
        case 'M': out += "nn"; break;
        case 'S': out += "ss"; break;
        case 'D': out += "mm/dd/yy"; break;
        case 'T': out += "hh:nn:ss"; break;
        case '\0': return out.empty() ? fallback : out;
        default: return fallback;  // formats we cannot mirror
      }
    }
    return out;
  }
};

Regional& regional() {
  static Regional r;
  return r;
}

std::string replaceDecimalPoint(std::string s) {
  const char sep = decimalSeparator();
  if (sep != '.')
    for (char& c : s)
      if (c == '.') c = sep;
  return s;
}

std::string nonFiniteText(double v) {
  std::string s = std::signbit(v) ? "-" : "";
  s += std::isnan(v) ? "NAN" : "INF";
  return s;
}

std::string pad(std::string s, int width, bool left, bool zero) {
  if (width <= 0 || static_cast<int>(s.size()) >= width) return s;
  const std::size_t fill = static_cast<std::size_t>(width) - s.size();
  if (left) return s + std::string(fill, ' ');
  if (zero) {
    const std::size_t signLen = (!s.empty() && (s[0] == '-' || s[0] == '+')) ? 1 : 0;
    return s.substr(0, signLen) + std::string(fill, '0') + s.substr(signLen);
  }
  return std::string(fill, ' ') + s;
}

long long asInteger(const FormatArg& a) {
  if (auto p = std::get_if<long long>(&a)) return *p;
  if (auto p = std::get_if<unsigned long long>(&a)) return static_cast<long long>(*p);
  if (auto p = std::get_if<double>(&a)) return static_cast<long long>(*p);
  throw std::invalid_argument("format: a number was expected, got a text");
}

double asDouble(const FormatArg& a) {
  if (auto p = std::get_if<double>(&a)) return *p;
  if (auto p = std::get_if<long long>(&a)) return static_cast<double>(*p);
  if (auto p = std::get_if<unsigned long long>(&a)) return static_cast<double>(*p);
  throw std::invalid_argument("format: a number was expected, got a text");
}

std::string asText(const FormatArg& a) {
  if (auto p = std::get_if<std::string>(&a)) return *p;
  if (auto p = std::get_if<double>(&a)) return formatGeneral(*p);
  if (auto p = std::get_if<long long>(&a)) return std::to_string(*p);
  return std::to_string(std::get<unsigned long long>(a));
}

std::string twoDigits(int v) {
  char b[8];
  std::snprintf(b, sizeof b, "%02d", v);
  return b;
}

}  // namespace

char decimalSeparator() { return regional().decimal; }
void setDecimalSeparator(char c) { regional().decimal = c; }
char timeSeparator() { return regional().time; }
void setTimeSeparator(char c) { regional().time = c; }
char dateSeparator() { return regional().date; }
void setDateSeparator(char c) { regional().date = c; }
std::string thousandSeparator() { return regional().thousands; }
void setThousandSeparator(std::string s) { regional().thousands = std::move(s); }
CurrencyStyle currencyStyle() { return {regional().currency, regional().currencyFirst}; }
void setCurrencyStyle(const CurrencyStyle& style) {
  regional().currency = style.sign;
  regional().currencyFirst = style.signFirst;
}

std::string formatGeneral(double v) {
  if (!std::isfinite(v)) return nonFiniteText(v);
  if (v == 0) return "0";
  // Fifteen significant digits decide both the digits and the exponent after rounding.
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.14e", v);
  std::string text(buf);
  const bool negative = text[0] == '-';
  if (negative) text.erase(0, 1);
  const std::size_t ePos = text.find('e');
  const int exponent = std::atoi(text.c_str() + ePos + 1);
  std::string digits = text.substr(0, 1) + text.substr(2, ePos - 2);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  const char sep = decimalSeparator();
  std::string out = negative ? "-" : "";
  if (exponent >= -4 && exponent < 15) {
    if (exponent >= 0) {
      const std::size_t intLen = static_cast<std::size_t>(exponent) + 1;
      if (digits.size() <= intLen) {
        out += digits + std::string(intLen - digits.size(), '0');
      } else {
        out += digits.substr(0, intLen) + sep + digits.substr(intLen);
      }
    } else {
      out += std::string("0") + sep + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    }
  } else {
    out += digits.substr(0, 1);
    if (digits.size() > 1) out += sep + digits.substr(1);
    out += "E" + std::to_string(exponent);
  }
  return out;
}

std::string formatText(const std::string& pattern, std::initializer_list<FormatArg> args) {
  std::string out;
  auto next = args.begin();
  auto take = [&]() -> const FormatArg& {
    if (next == args.end()) throw std::invalid_argument("format: too few arguments for \"" + pattern + "\"");
    return *next++;
  };
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%') { out += pattern[i]; continue; }
    if (++i >= pattern.size()) break;
    if (pattern[i] == '%') { out += '%'; continue; }
    bool left = false, zero = false;
    for (; i < pattern.size() && (pattern[i] == '-' || pattern[i] == '0'); ++i)
      (pattern[i] == '-' ? left : zero) = true;
    int width = 0, precision = -1;
    for (; i < pattern.size() && std::isdigit(static_cast<unsigned char>(pattern[i])); ++i) width = width * 10 + (pattern[i] - '0');
    if (i < pattern.size() && pattern[i] == '.') {
      precision = 0;
      for (++i; i < pattern.size() && std::isdigit(static_cast<unsigned char>(pattern[i])); ++i)
        precision = precision * 10 + (pattern[i] - '0');
    }
    if (i >= pattern.size()) break;
    const char type = static_cast<char>(std::tolower(static_cast<unsigned char>(pattern[i])));
    std::string field;
    char buf[512];
    switch (type) {
      case 's':
        field = asText(take());
        if (precision >= 0 && field.size() > static_cast<std::size_t>(precision)) field.resize(static_cast<std::size_t>(precision));
        zero = false;
        break;
      case 'd':
        field = std::to_string(asInteger(take()));
        break;
      case 'u': {
        const FormatArg& a = take();
        field = std::holds_alternative<unsigned long long>(a) ? std::to_string(std::get<unsigned long long>(a))
                                                                : std::to_string(static_cast<unsigned long long>(
                                                                      static_cast<unsigned int>(asInteger(a))));
        break;
      }
      case 'x':
        std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(asInteger(take())));
        field = buf;
        if (precision > 0 && field.size() < static_cast<std::size_t>(precision))
          field = std::string(static_cast<std::size_t>(precision) - field.size(), '0') + field;
        break;
      case 'f': case 'e': case 'g': case 'n': {
        const double v = asDouble(take());
        if (!std::isfinite(v)) {
          field = nonFiniteText(v);
          zero = false;
          break;
        }
        const int p = precision < 0 ? 2 : std::min(precision, 100);
        const char conversion[] = {'%', '.', '*', type == 'n' ? 'f' : type == 'e' ? 'E' : type, '\0'};
        std::snprintf(buf, sizeof buf, conversion, p, v);
        field = replaceDecimalPoint(buf);
        break;
      }
      default:
        throw std::invalid_argument(std::string("format: unknown conversion '%") + pattern[i] + "' in \"" + pattern + "\"");
    }
    out += pad(field, width, left, zero);
  }
  return out;
}

std::string formatDateTime(const std::string& pattern, TDateTime dt) {
  const CivilDateTime c = decodeDateTime(dt);
  std::string out;
  bool afterHour = false;  // "mm" right after an hour means minutes
  for (std::size_t i = 0; i < pattern.size();) {
    auto run = [&](char ch) {
      std::size_t n = 0;
      while (i + n < pattern.size() && std::tolower(static_cast<unsigned char>(pattern[i + n])) == ch) ++n;
      return n;
    };
    const char ch = static_cast<char>(std::tolower(static_cast<unsigned char>(pattern[i])));
    std::size_t n = 1;
    switch (ch) {
      case 'y':
        n = run('y');
        out += n <= 2 ? twoDigits(c.year % 100) : std::to_string(c.year);
        break;
      case 'm':
        n = run('m');
        out += twoDigits(afterHour ? c.minute : c.month);
        afterHour = false;
        break;
      case 'd':
        n = run('d');
        out += twoDigits(c.day);
        break;
      case 'h':
        n = run('h');
        out += twoDigits(c.hour);
        afterHour = true;
        break;
      case 'n':
        n = run('n');
        out += twoDigits(c.minute);
        afterHour = false;
        break;
      case 's':
        n = run('s');
        out += twoDigits(c.second);
        break;
      case 'z': {
        n = run('z');
        char b[8];
        std::snprintf(b, sizeof b, "%03d", c.millisecond);
        out += b;
        break;
      }
      case ':':
        out += timeSeparator();
        break;
      case '/':
        out += dateSeparator();
        break;
      default:
        out += pattern[i];
        break;
    }
    i += n;
  }
  return out;
}

std::string shortDatePattern() { return regional().shortDatePattern; }
void setShortDatePattern(std::string pattern) { regional().shortDatePattern = std::move(pattern); }

std::string shortDateText(TDateTime dt) { return formatDateTime(regional().shortDatePattern, dt); }
std::string longTimeText(TDateTime dt) { return formatDateTime(regional().longTimePattern, dt); }

}  // namespace kelmo
