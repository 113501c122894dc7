#include "script_library/single_byte_case.h"

#include <cstdint>

#include "platform/cp1251.h"

namespace kelmo::script_library {

namespace {

// Windows-1251 letters outside the regular blocks, as (upper, lower) byte pairs.
constexpr std::uint8_t kPairs[][2] = {
    {0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8D, 0x9D}, {0x8E, 0x9E}, {0x8F, 0x9F},
    {0xA1, 0xA2}, {0xA3, 0xBC}, {0xA5, 0xB4}, {0xA8, 0xB8}, {0xAA, 0xBA}, {0xAF, 0xBF}, {0xB2, 0xB3},
    {0xBD, 0xBE},
};

std::uint8_t toUpper(std::uint8_t c) {
  if (c >= 'a' && c <= 'z') return static_cast<std::uint8_t>(c - 32);
  if (c >= 0xE0) return static_cast<std::uint8_t>(c - 32);
  for (const auto& p : kPairs)
    if (p[1] == c) return p[0];
  return c;
}

std::uint8_t toLower(std::uint8_t c) {
  if (c >= 'A' && c <= 'Z') return static_cast<std::uint8_t>(c + 32);
  if (c >= 0xC0 && c <= 0xDF) return static_cast<std::uint8_t>(c + 32);
  for (const auto& p : kPairs)
    if (p[0] == c) return p[1];
  return c;
}

// Texts live as UTF-8: each character goes through the code page on its own, and one the
// code page lacks is kept unchanged rather than lost.
template <class Map>
std::string mapCase(std::string_view utf8, Map map) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<std::uint8_t>(utf8[i]);
    std::size_t n = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (i + n > utf8.size()) n = utf8.size() - i;
    const std::string_view ch = utf8.substr(i, n);
    i += n;
    if (n == 1) {
      out += static_cast<char>(lead < 0x80 ? map(lead) : lead);
      continue;
    }
    const std::string single = utf8ToCp1251(ch);
    if (single.size() != 1 || single == "?") {
      out += ch;
      continue;
    }
    out += cp1251ToUtf8(std::string(1, static_cast<char>(map(static_cast<std::uint8_t>(single[0])))));
  }
  return out;
}

}  // namespace

std::string ansiUpperCase(std::string_view utf8) { return mapCase(utf8, toUpper); }
std::string ansiLowerCase(std::string_view utf8) { return mapCase(utf8, toLower); }

}  // namespace kelmo::script_library
