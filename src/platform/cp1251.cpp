#include "platform/cp1251.h"

#include <array>
#include <cstdint>
#include <unordered_map>

namespace kelmo {

namespace {

// Code points of bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F. Byte 0x98 has no
// character in the code page: it maps to U+0098 so that every byte survives a round trip.
constexpr std::array<char32_t, 64> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

char32_t codePointOf(unsigned char b) {
  if (b < 0x80) return b;
  if (b < 0xC0) return kHigh[b - 0x80];
  return 0x0410 + (b - 0xC0);
}

const std::unordered_map<char32_t, unsigned char>& byteOfCodePoint() {
  static const auto map = [] {
    std::unordered_map<char32_t, unsigned char> m;
    for (int b = 0x80; b <= 0xFF; ++b) m.emplace(codePointOf(static_cast<unsigned char>(b)), static_cast<unsigned char>(b));
    return m;
  }();
  return map;
}

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

std::string cp1251ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char c : bytes) appendUtf8(out, codePointOf(static_cast<unsigned char>(c)));
  return out;
}

std::string utf8ToCp1251(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  const auto& table = byteOfCodePoint();
  for (std::size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    // Decode one sequence; anything malformed becomes '?', one byte at a time.
    std::size_t len = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
    char32_t cp = len == 4 ? (b & 0x07) : len == 3 ? (b & 0x0F) : (b & 0x1F);
    bool ok = len != 0 && i + len <= utf8.size();
    for (std::size_t k = 1; ok && k < len; ++k) {
      const auto cont = static_cast<unsigned char>(utf8[i + k]);
      if ((cont & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (cont & 0x3F);
    }
    if (!ok) {
      out += '?';
      ++i;
      continue;
    }
    const auto it = table.find(cp);
    out += it == table.end() ? '?' : static_cast<char>(it->second);
    i += len;
  }
  return out;
}

bool isMultiByteUtf8(std::string_view bytes) {
  bool multiByte = false;
  for (std::size_t i = 0; i < bytes.size();) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    // Shortest forms only, no surrogates, nothing past U+10FFFF.
    const std::size_t len = b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
    if (len == 0 || i + len > bytes.size()) return false;
    for (std::size_t k = 1; k < len; ++k)
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    if ((b == 0xE0 && second < 0xA0) || (b == 0xED && second > 0x9F) || (b == 0xF0 && second < 0x90) ||
        (b == 0xF4 && second > 0x8F))
      return false;
    multiByte = true;
    i += len;
  }
  return multiByte;
}

}  // namespace kelmo
