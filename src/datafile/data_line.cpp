#include "datafile/data_line.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace kelmo::datafile {

namespace {

// "Начинаю сбор данных: " in both encodings.
constexpr char kMarkerCp1251[] =
    "\xCD\xE0\xF7\xE8\xED\xE0\xFE \xF1\xE1\xEE\xF0 \xE4\xE0\xED\xED\xFB\xF5: ";
constexpr char kMarkerUtf8[] =
    "\xD0\x9D\xD0\xB0\xD1\x87\xD0\xB8\xD0\xBD\xD0\xB0\xD1\x8E \xD1\x81\xD0\xB1\xD0\xBE\xD1\x80 "
    "\xD0\xB4\xD0\xB0\xD0\xBD\xD0\xBD\xD1\x8B\xD1\x85: ";

// Dates the program can have written: 1900-01-01 up to the last day of 9999.
constexpr double kFirstDate = 1.0;
constexpr double kLastDate = 2958466.0;
constexpr double kMillisecondsPerDay = 86400000.0;

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

bool isDigit(char c) { return c >= '0' && c <= '9'; }
int digitAt(std::string_view s, std::size_t i) { return s[i] - '0'; }

// Two digits at i, or -1.
int twoDigits(std::string_view s, std::size_t i) {
  if (i + 2 > s.size() || !isDigit(s[i]) || !isDigit(s[i + 1])) return -1;
  return digitAt(s, i) * 10 + digitAt(s, i + 1);
}

// A regional separator: one character that is neither a digit nor a blank.
bool isSeparatorAt(std::string_view s, std::size_t i) {
  return i < s.size() && !isDigit(s[i]) && s[i] != ' ';
}

bool startsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && std::memcmp(s.data(), prefix.data(), prefix.size()) == 0;
}

bool parseSpecialValue(std::string_view token, double& value, bool& missing) {
  missing = false;
  if (token == "??????") {
    missing = true;
    value = std::numeric_limits<double>::quiet_NaN();
    return true;
  }
  const bool negative = !token.empty() && token.front() == '-';
  const std::string_view word = negative ? token.substr(1) : token;
  if (word == "INF") {
    value = negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
    return true;
  }
  if (word == "NAN") {
    value = std::copysign(std::numeric_limits<double>::quiet_NaN(), negative ? -1.0 : 1.0);
    return true;
  }
  return false;
}

}  // namespace

std::string_view headerMarkerCp1251() { return {kMarkerCp1251, sizeof kMarkerCp1251 - 1}; }
std::string_view headerMarkerUtf8() { return {kMarkerUtf8, sizeof kMarkerUtf8 - 1}; }

std::size_t headerMarkerAt(std::string_view line) {
  if (startsWith(line, headerMarkerCp1251())) return headerMarkerCp1251().size();
  if (startsWith(line, headerMarkerUtf8())) return headerMarkerUtf8().size();
  return 0;
}

std::size_t findHeaderMarker(std::string_view line) {
  const std::size_t cp = line.find(headerMarkerCp1251());
  const std::size_t utf = line.find(headerMarkerUtf8());
  return cp < utf ? cp : utf;
}

bool parseNumber(std::string_view text, double& value) {
  // Fast path for what the program writes ("-12.346", "46366.5234567891"): the digits as
  // one integer divided by a power of ten. Both are exact doubles, so the one rounding of
  // the division gives the correctly rounded value, the same as a full conversion.
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  if (i == text.size() || !isDigit(text[i])) return false;  // ".5", "-", "inf"
  std::uint64_t mantissa = 0;
  int digits = 0, fractionDigits = 0;
  bool separator = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (isDigit(c)) {
      mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
      ++digits;
      if (separator) ++fractionDigits;
      if (digits > 18) break;
    } else if ((c == '.' || c == ',') && !separator) {
      separator = true;
    } else {
      break;
    }
  }
  if (i == text.size() && mantissa <= (std::uint64_t{1} << 53) && fractionDigits <= 22) {
    value = static_cast<double>(mantissa) / kPowersOfTen[fractionDigits];
    if (negative) value = -value;
    return true;
  }
  // Exponents and long digit strings: the full conversion on a copy with '.'.
  char buffer[64];
  if (text.size() >= sizeof buffer) return false;
  std::size_t n = 0;
  for (char c : text) buffer[n++] = c == ',' ? '.' : c;
  const char* first = buffer[0] == '+' ? buffer + 1 : buffer;
  const auto [end, ec] = std::from_chars(first, buffer + n, value, std::chars_format::general);
  return ec == std::errc() && end == buffer + n;
}

std::string_view parseHeaderTime(std::string_view rest, TDateTime& time) {
  // yyyy:mm:dd hh:mm:ss
  if (rest.size() != 19) return "header date-time is not \"yyyy:mm:dd hh:mm:ss\"";
  const int century = twoDigits(rest, 0), year2 = twoDigits(rest, 2);
  const int month = twoDigits(rest, 5), day = twoDigits(rest, 8);
  const int hour = twoDigits(rest, 11), minute = twoDigits(rest, 14), second = twoDigits(rest, 17);
  const bool shape = isSeparatorAt(rest, 4) && isSeparatorAt(rest, 7) && rest[10] == ' ' &&
                     isSeparatorAt(rest, 13) && isSeparatorAt(rest, 16);
  if (!shape || century < 0 || year2 < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0)
    return "header date-time is not \"yyyy:mm:dd hh:mm:ss\"";
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59)
    return "header date-time out of range";
  time = encodeDateTime({century * 100 + year2, month, day, hour, minute, second, 0});
  return {};
}

std::string_view parseDataLine(std::string_view line, DataValues& out) {
  // nn:ss:zzz <blank> number <blank> (value <blanks>){6}
  if (line.size() < 10) return "line too short";
  if (twoDigits(line, 0) < 0 || !isSeparatorAt(line, 2) || twoDigits(line, 3) < 0 ||
      !isSeparatorAt(line, 5) || twoDigits(line, 6) < 0 || !isDigit(line[8]) || line[9] != ' ')
    return "time field is not \"nn:ss:zzz\"";
  std::size_t p = 10;
  std::size_t end = line.find(' ', p);
  if (end == std::string_view::npos) return "cut off after the date-time number";
  if (!parseNumber(line.substr(p, end - p), out.time)) return "unreadable date-time number";
  if (!(out.time >= kFirstDate && out.time < kLastDate)) return "date-time number out of range";
  // The number carries about 9 µs; the program took it from a clock in whole milliseconds.
  out.time = static_cast<double>(std::llround(out.time * kMillisecondsPerDay)) / kMillisecondsPerDay;
  p = end + 1;
  out.missingMask = 0;
  for (int k = 0; k < kQuantityCount; ++k) {
    if (p >= line.size()) return "cut off: fewer than six values";
    end = line.find(' ', p);
    if (end == std::string_view::npos) return "cut off inside a value";
    const std::string_view token = line.substr(p, end - p);
    double& value = out.values[static_cast<std::size_t>(k)];
    bool missing = false;
    if (!parseNumber(token, value) && !parseSpecialValue(token, value, missing)) return "unreadable value";
    if (missing) out.missingMask = static_cast<std::uint8_t>(out.missingMask | (1u << k));
    p = end;
    while (p < line.size() && line[p] == ' ') ++p;
  }
  if (p != line.size()) return "text after the six values";
  return {};
}

}  // namespace kelmo::datafile
