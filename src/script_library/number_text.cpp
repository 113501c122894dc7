#include "script_library/number_text.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/text_format.h"
#include "script/script_engine.h"

namespace kelmo::script_library {

namespace {

using script::Value;

constexpr int kDoubleDigits = 15;  // the significant digits a double shows

// A value as decimal digits "d1d2d3..." with the point after `point` of them
// (point 0: 0.d1d2..., point -2: 0.00d1d2..., point 3: d1d2d3.).
struct Digits {
  std::string digits;
  int point = 0;

  bool isZero() const { return digits.find_first_not_of('0') == std::string::npos; }
};

// Rounds half away from zero so that `decimals` digits follow the point.
void roundAt(Digits& d, int decimals) {
  const long keep = static_cast<long>(d.point) + decimals;
  if (keep >= static_cast<long>(d.digits.size())) return;
  if (keep < 0) {
    d.digits = "0";
    d.point = 1;
    return;
  }
  const bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
  d.digits.resize(static_cast<std::size_t>(keep));
  if (up) {
    std::size_t i = d.digits.size();
    while (i > 0 && d.digits[i - 1] == '9') d.digits[--i] = '0';
    if (i == 0) {
      d.digits.insert(0, "1");
      ++d.point;
    } else {
      ++d.digits[i - 1];
    }
  }
  if (d.digits.empty()) {
    d.digits = "0";
    d.point = 1;
  }
}

// |value| rounded to `significant` digits, halves away from zero on the decimal digits
// (the shortest exact form has 17), as the runtime's number texts round.
Digits toDigits(double value, int significant) {
  significant = std::clamp(significant, 1, 17);
  Digits d;
  if (value == 0) {
    d.digits.assign(static_cast<std::size_t>(significant), '0');
    d.point = 1;
    return d;
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.16e", std::fabs(value));
  const std::string text(buf);
  const std::size_t e = text.find('e');
  d.digits = text.substr(0, 1) + text.substr(2, e - 2);
  d.point = std::atoi(text.c_str() + e + 1) + 1;
  roundAt(d, significant - d.point);
  d.digits.resize(static_cast<std::size_t>(significant), '0');
  return d;
}

std::string grouped(const std::string& integer, const std::string& separator) {
  if (separator.empty()) return integer;
  std::string out;
  for (std::size_t i = 0; i < integer.size(); ++i) {
    if (i > 0 && (integer.size() - i) % 3 == 0) out += separator;
    out += integer[i];
  }
  return out;
}

std::string integerPart(const Digits& d) {
  if (d.point <= 0) return "0";
  std::string s = d.digits.substr(0, std::min<std::size_t>(d.digits.size(), static_cast<std::size_t>(d.point)));
  s.append(static_cast<std::size_t>(d.point) - s.size(), '0');
  return s;
}

std::string fractionPart(const Digits& d, int decimals) {
  std::string s;
  for (int i = 0; i < decimals; ++i) {
    const long at = static_cast<long>(d.point) + i;
    s += at >= 0 && at < static_cast<long>(d.digits.size()) ? d.digits[static_cast<std::size_t>(at)] : '0';
  }
  return s;
}

std::string fixedText(double value, int decimals, bool thousands) {
  Digits d = toDigits(value, kDoubleDigits);
  roundAt(d, decimals);
  std::string out = value < 0 && !d.isZero() ? "-" : "";
  out += thousands ? grouped(integerPart(d), thousandSeparator()) : integerPart(d);
  if (decimals > 0) out += decimalSeparator() + fractionPart(d, decimals);
  return out;
}

std::string exponentText(int exponent, bool plusSign, int leastDigits) {
  std::string digits = std::to_string(std::abs(exponent));
  if (static_cast<int>(digits.size()) < leastDigits) digits.insert(0, static_cast<std::size_t>(leastDigits) - digits.size(), '0');
  return std::string("E") + (exponent < 0 ? "-" : plusSign ? "+" : "") + digits;
}

// d.dddE+xxx with `precision` significant digits, all of them shown.
std::string scientificText(double value, int precision, int expDigits) {
  const Digits d = toDigits(value, precision);
  std::string out = value < 0 ? "-" : "";
  out += d.digits.substr(0, 1);
  if (d.digits.size() > 1) out += decimalSeparator() + d.digits.substr(1);
  return out + exponentText(d.point - 1, true, expDigits);
}

std::string generalText(double value, int precision, int expDigits) {
  Digits d = toDigits(value, precision);
  while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
  const int exponent = d.point - 1;
  std::string out = value < 0 ? "-" : "";
  if (value != 0 && (exponent >= precision || exponent < -4)) {
    out += d.digits.substr(0, 1);
    if (d.digits.size() > 1) out += decimalSeparator() + d.digits.substr(1);
    return out + exponentText(exponent, false, expDigits);
  }
  out += integerPart(d);
  const int decimals = static_cast<int>(d.digits.size()) - d.point;
  if (decimals > 0) out += decimalSeparator() + fractionPart(d, decimals);
  return out;
}

std::string currencyText(double value, int decimals) {
  const CurrencyStyle style = currencyStyle();
  std::string amount = fixedText(std::fabs(value), decimals, true);
  if (!style.sign.empty()) amount = style.signFirst ? style.sign + amount : amount + style.sign;
  return value < 0 && amount.find_first_of("123456789") != std::string::npos ? "-" + amount : amount;
}

// ---- Format ----

class FormatReader {
 public:
  FormatReader(std::string_view pattern, const std::vector<Value>& args) : pattern_(pattern), args_(args) {}

  script::PascalException invalid() const {
    return {"EConvertError", "Format '" + std::string(pattern_) + "' invalid or incompatible with argument"};
  }

  script::PascalException missing() const {
    return {"EConvertError", "No argument for format '" + std::string(pattern_) + "'"};
  }

  const Value& next() {
    if (next_ >= args_.size()) throw missing();
    return args_[next_++];
  }
  void moveTo(std::size_t index) {
    if (index >= args_.size()) throw missing();
    next_ = index;
  }

  // A width, precision or index of a format item, '*' taking it from the arguments; -1 when absent.
  int number(std::size_t& i) {
    if (i < pattern_.size() && pattern_[i] == '*') {
      ++i;
      const Value& v = next();
      if (v.kind() != Value::Kind::Ordinal) throw invalid();
      return static_cast<int>(std::clamp<std::int64_t>(v.asInt(), 0, 100000));
    }
    if (i >= pattern_.size() || !std::isdigit(static_cast<unsigned char>(pattern_[i]))) return -1;
    int n = 0;
    for (; i < pattern_.size() && std::isdigit(static_cast<unsigned char>(pattern_[i])); ++i) n = std::min(n * 10 + (pattern_[i] - '0'), 100000);
    return n;
  }

 private:
  std::string_view pattern_;
  const std::vector<Value>& args_;
  std::size_t next_ = 0;
};

std::string integerArgument(const Value& v, char type, int precision, const FormatReader& reader) {
  if (v.kind() != Value::Kind::Ordinal) throw reader.invalid();
  const std::int64_t n = v.asInt();
  // Negative values of 32-bit range read as the 32-bit pattern, as an Integer argument does.
  const std::uint64_t bits = n < 0 && n >= INT32_MIN ? static_cast<std::uint32_t>(n) : static_cast<std::uint64_t>(n);
  std::string text;
  if (type == 'd') {
    text = std::to_string(n < 0 ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n));
  } else if (type == 'u') {
    text = std::to_string(bits);
  } else {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(bits));
    text = buf;
  }
  if (precision > static_cast<int>(text.size())) text.insert(0, static_cast<std::size_t>(precision) - text.size(), '0');
  if (type == 'd' && n < 0) text.insert(0, "-");
  return text;
}

std::string floatArgument(const Value& v, char type, int precision, const FormatReader& reader) {
  if (v.kind() != Value::Kind::Real && v.kind() != Value::Kind::Ordinal) throw reader.invalid();
  const double x = v.asDouble();
  if (!std::isfinite(x)) return formatGeneral(x);
  switch (type) {
    case 'f': return fixedText(x, precision < 0 ? 2 : std::min(precision, 18), false);
    case 'n': return fixedText(x, precision < 0 ? 2 : std::min(precision, 18), true);
    case 'm': return currencyText(x, precision < 0 ? 2 : std::min(precision, 18));
    case 'e': return scientificText(x, precision < 0 ? kDoubleDigits : std::clamp(precision, 1, kDoubleDigits), 3);
    default: return generalText(x, precision < 0 ? kDoubleDigits : std::clamp(precision, 1, kDoubleDigits), 0);
  }
}

}  // namespace

std::string formatPascal(std::string_view pattern, const std::vector<Value>& args, std::size_t maxLength) {
  FormatReader reader(pattern, args);
  std::string out;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%') {
      out += pattern[i];
      continue;
    }
    if (++i < pattern.size() && pattern[i] == '%') {
      out += '%';
      continue;
    }
    // "%" [index ":"] ["-"] [width] ["." precision] type
    int width = reader.number(i);
    if (i < pattern.size() && pattern[i] == ':') {
      if (width < 0) throw reader.invalid();
      reader.moveTo(static_cast<std::size_t>(width));
      ++i;
      width = -1;
    }
    bool left = false;
    if (width < 0 && i < pattern.size() && pattern[i] == '-') {
      left = true;
      ++i;
    }
    if (width < 0) width = reader.number(i);
    int precision = -1;
    if (i < pattern.size() && pattern[i] == '.') {
      ++i;
      precision = std::max(reader.number(i), 0);
    }
    if (i >= pattern.size()) throw reader.invalid();
    const char type = static_cast<char>(std::tolower(static_cast<unsigned char>(pattern[i])));
    std::string text;
    switch (type) {
      case 'd':
      case 'u':
      case 'x': text = integerArgument(reader.next(), type, precision, reader); break;
      case 'f':
      case 'e':
      case 'g':
      case 'n':
      case 'm': text = floatArgument(reader.next(), type, precision, reader); break;
      case 's': {
        const Value& v = reader.next();
        if (v.kind() != Value::Kind::String && v.kind() != Value::Kind::Nil) throw reader.invalid();
        text = v.asString();
        if (precision >= 0 && static_cast<std::size_t>(precision) < text.size()) text.resize(static_cast<std::size_t>(precision));
        break;
      }
      default: throw reader.invalid();
    }
    if (width > static_cast<int>(text.size())) {
      const std::size_t fill = static_cast<std::size_t>(width) - text.size();
      if (left) text.append(fill, ' ');
      else text.insert(0, fill, ' ');
    }
    out += text;
    if (out.size() > maxLength)
      throw script::PascalException("EOutOfMemory", "String too long (more than " + std::to_string(maxLength) + " bytes)");
  }
  return out;
}

std::string floatToStrF(double value, FloatFormat format, int precision, int digits) {
  if (!std::isfinite(value)) return formatGeneral(value);
  precision = std::clamp(precision, 1, kDoubleDigits);
  switch (format) {
    case FloatFormat::General: return generalText(value, precision, std::clamp(digits, 0, 4));
    case FloatFormat::Exponent: return scientificText(value, precision, std::clamp(digits, 0, 4));
    case FloatFormat::Fixed:
    case FloatFormat::Number:
    case FloatFormat::Currency: {
      // The value first keeps `precision` significant digits; too many before the point
      // for that and it is shown in exponent form.
      const Digits d = toDigits(value, precision);
      if (d.point > precision) return scientificText(value, precision, 2);
      const double shown = std::strtod((std::string(value < 0 ? "-0." : "0.") + d.digits + "e" + std::to_string(d.point)).c_str(), nullptr);
      digits = std::clamp(digits, 0, 18);
      if (format == FloatFormat::Currency) return currencyText(shown, digits);
      return fixedText(shown, digits, format == FloatFormat::Number);
    }
  }
  return formatGeneral(value);
}

namespace {

// One section of a FormatFloat pattern.
struct FloatPattern {
  std::string prefix, suffix;  // literal text before the first and after the last digit place
  int integerZeros = 0;        // least integer digits
  int integerPlaces = 0;       // digit places before the point
  int decimalZeros = 0;        // least decimals
  int decimalPlaces = 0;       // most decimals
  bool thousands = false;
  bool exponent = false;
  bool exponentPlus = false;
  int exponentZeros = 0;
};

std::vector<std::string_view> sections(std::string_view pattern) {
  std::vector<std::string_view> out;
  std::size_t start = 0;
  char quote = 0;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == ';') {
      out.push_back(pattern.substr(start, i - start));
      start = i + 1;
    }
  }
  out.push_back(pattern.substr(start));
  return out;
}

FloatPattern parseSection(std::string_view s) {
  FloatPattern p;
  bool seenPlace = false, afterPoint = false, firstZero = false;
  std::string literal;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '"' || c == '\'') {
      const std::size_t end = s.find(c, i + 1);
      literal += s.substr(i + 1, (end == std::string_view::npos ? s.size() : end) - i - 1);
      i = end == std::string_view::npos ? s.size() : end;
    } else if ((c == 'E' || c == 'e') && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-') && seenPlace) {
      p.exponent = true;
      p.exponentPlus = s[i + 1] == '+';
      for (i += 2; i < s.size() && s[i] == '0'; ++i) ++p.exponentZeros;
      --i;
      literal.clear();
    } else if (c == '0' || c == '#') {
      if (!seenPlace) p.prefix = literal;
      literal.clear();
      seenPlace = true;
      if (afterPoint) {
        ++p.decimalPlaces;
        if (c == '0') p.decimalZeros = p.decimalPlaces;
      } else {
        ++p.integerPlaces;
        if (c == '0') firstZero = true;
        if (firstZero) ++p.integerZeros;
      }
    } else if (c == '.' && !afterPoint) {
      if (!seenPlace) p.prefix = literal, literal.clear();
      afterPoint = seenPlace = true;
    } else if (c == ',' && seenPlace && !afterPoint) {
      p.thousands = true;
    } else {
      literal += c;
    }
  }
  if (seenPlace) p.suffix = literal;
  else p.prefix = literal;
  return p;
}

std::string formatSection(const FloatPattern& p, double value) {
  const std::string sep(1, decimalSeparator());
  std::string integer, fraction, exponent;
  if (p.exponent) {
    const int places = std::max(p.integerPlaces, 1);
    Digits d = toDigits(value, std::min(places + p.decimalPlaces, kDoubleDigits));
    const int exp = value == 0 ? 0 : d.point - places;
    d.point = places;
    integer = integerPart(d);
    fraction = fractionPart(d, p.decimalPlaces);
    exponent = exponentText(exp, p.exponentPlus, p.exponentZeros);
  } else {
    Digits d = toDigits(value, kDoubleDigits);
    // Beyond 18 integer digits a pattern without exponent gives the general form.
    if (d.point > 18) return p.prefix + formatGeneral(value) + p.suffix;
    roundAt(d, p.decimalPlaces);
    integer = integerPart(d);
    fraction = fractionPart(d, p.decimalPlaces);
  }
  integer.erase(0, std::min(integer.find_first_not_of('0'), integer.size()));
  if (static_cast<int>(integer.size()) < p.integerZeros) integer.insert(0, static_cast<std::size_t>(p.integerZeros) - integer.size(), '0');
  while (static_cast<int>(fraction.size()) > p.decimalZeros && fraction.back() == '0') fraction.pop_back();
  if (p.thousands) integer = grouped(integer, thousandSeparator());
  std::string out = p.prefix + integer;
  if (!fraction.empty()) out += sep + fraction;
  return out + exponent + p.suffix;
}

}  // namespace

std::string formatFloat(std::string_view pattern, double value) {
  if (!std::isfinite(value) || pattern.empty()) return formatGeneral(value);
  const std::vector<std::string_view> parts = sections(pattern);
  if (value < 0 && parts.size() >= 2 && !parts[1].empty()) return formatSection(parseSection(parts[1]), -value);
  if (value == 0 && parts.size() >= 3 && !parts[2].empty()) return formatSection(parseSection(parts[2]), 0);
  const std::string text = formatSection(parseSection(parts[0]), std::fabs(value));
  return value < 0 && text.find_first_of("123456789") != std::string::npos ? "-" + text : text;
}

}  // namespace kelmo::script_library
