#pragma once
// One line of a data file as the measurement thread writes it, taken apart:
//   header: "Начинаю сбор данных: yyyy:mm:dd hh:mm:ss"  (Windows-1251)
//   data:   "nn:ss:zzz <date-time number> v0 v1 v2 v3 v4 v5 "
// Each ':' may be any regional time separator and each number may use '.' or ',' as its
// decimal separator, whatever the machine that reads the file uses. A value field is a
// number left-justified in at least five characters and one blank, or "??????", "INF",
// "-INF", "NAN", "-NAN".
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/date_time.h"

namespace kelmo::datafile {

inline constexpr int kQuantityCount = 6;
inline constexpr std::array<const char*, kQuantityCount> kQuantityNames{"Ur", "Ir", "Uref", "a", "P", "W"};

struct DataValues {
  TDateTime time = 0;
  std::array<double, kQuantityCount> values{};  // NaN where a field is "??????"
  std::uint8_t missingMask = 0;                  // bit k: value k was "??????"
  bool missing(int k) const { return (missingMask >> k) & 1u; }
};

// The header's text before the date-time, as Windows-1251 bytes and as UTF-8 (a file that
// went through an editor may have been converted).
std::string_view headerMarkerCp1251();
std::string_view headerMarkerUtf8();

// Length of the marker when the line starts with one, 0 otherwise.
std::size_t headerMarkerAt(std::string_view line);
// Offset of a marker anywhere in the line, npos when there is none.
std::size_t findHeaderMarker(std::string_view line);

// "yyyy:mm:dd hh:mm:ss" after the marker. Empty reason when it reads; otherwise why not.
std::string_view parseHeaderTime(std::string_view rest, TDateTime& time);

// A data line without its line end. Empty reason when it reads; otherwise why not.
std::string_view parseDataLine(std::string_view line, DataValues& out);

// A number with '.' or ',' as decimal separator, optionally with an exponent; false when
// the text is anything else.
bool parseNumber(std::string_view text, double& value);

}  // namespace kelmo::datafile
