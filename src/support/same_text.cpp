#include "support/same_text.h"

#include <cstddef>

namespace kelmo {
namespace {

// Reads one code point; a malformed byte stands for itself so comparison never fails.
char32_t nextCodePoint(std::string_view text, std::size_t& pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  int extra = 0;
  char32_t cp = lead;
  if (lead >= 0xC0 && lead < 0xE0) {
    extra = 1;
    cp = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead < 0xF0) {
    extra = 2;
    cp = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead < 0xF8) {
    extra = 3;
    cp = lead & 0x07u;
  }
  if (pos + static_cast<std::size_t>(extra) >= text.size()) {  // cut short
    ++pos;
    return lead;
  }
  for (int i = 1; i <= extra; ++i) {
    const auto cont = static_cast<unsigned char>(text[pos + static_cast<std::size_t>(i)]);
    if ((cont & 0xC0u) != 0x80u) {
      ++pos;
      return lead;
    }
    cp = (cp << 6) | (cont & 0x3Fu);
  }
  pos += static_cast<std::size_t>(extra) + 1;
  return cp;
}

char32_t toLower(char32_t cp) {
  if (cp >= U'A' && cp <= U'Z') return cp + 0x20;
  if (cp >= 0x0410 && cp <= 0x042F) return cp + 0x20;  // А..Я
  if (cp >= 0x0400 && cp <= 0x040F) return cp + 0x50;  // Ѐ..Џ, including Ё, Є, І, Ї, Ў
  if (cp == 0x0490) return 0x0491;                      // Ґ
  return cp;
}

}  // namespace

bool sameText(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (toLower(nextCodePoint(a, i)) != toLower(nextCodePoint(b, j))) return false;
  }
  return i == a.size() && j == b.size();
}

}  // namespace kelmo
