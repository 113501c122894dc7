#include "script_library/single_byte_case.h"

#include <array>
#include <cstdint>

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

// One table per direction, built once: a string's case is then one lookup per byte.
template <class Map>
std::array<std::uint8_t, 256> tableOf(Map map) {
  std::array<std::uint8_t, 256> table{};
  for (int c = 0; c < 256; ++c) table[static_cast<std::size_t>(c)] = map(static_cast<std::uint8_t>(c));
  return table;
}

std::string mapCase(std::string_view text, const std::array<std::uint8_t, 256>& table) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(table[static_cast<std::uint8_t>(c)]);
  return out;
}

}  // namespace

std::string ansiUpperCase(std::string_view text) {
  static const auto table = tableOf(toUpper);
  return mapCase(text, table);
}

std::string ansiLowerCase(std::string_view text) {
  static const auto table = tableOf(toLower);
  return mapCase(text, table);
}

}  // namespace kelmo::script_library
