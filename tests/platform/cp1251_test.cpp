#include "platform/cp1251.h"

#include <gtest/gtest.h>

namespace kelmo {
namespace {

TEST(Cp1251, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::string utf8 = cp1251ToUtf8(all);
  EXPECT_EQ(utf8ToCp1251(utf8), all);
}

TEST(Cp1251, KnownCharacters) {
  struct Case { const char* utf8; std::string bytes; };
  const Case cases[] = {
      {"Ошибка", "\xCE\xF8\xE8\xE1\xEA\xE0"},
      {"ёЁ№", "\xB8\xA8\xB9"},
      {"мВ", "\xEC\xC2"},
      {"€—", "\x88\x97"},
      {"abc", "abc"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(utf8ToCp1251(c.utf8), c.bytes) << c.utf8;
    EXPECT_EQ(cp1251ToUtf8(c.bytes), c.utf8) << c.utf8;
  }
}

TEST(Cp1251, CharactersOutsideTheCodePageAndBrokenSequencesBecomeQuestionMarks) {
  EXPECT_EQ(utf8ToCp1251("日本"), "??");
  EXPECT_EQ(utf8ToCp1251(std::string("a\xD0") + "b"), "a?b");
  EXPECT_EQ(utf8ToCp1251("\xFF"), "?");
}

TEST(Cp1251, MultiByteUtf8IsToldFromWindows1251) {
  struct Case { std::string bytes; bool utf8; };
  const Case cases[] = {
      {"Привет, мир", true},
      {utf8ToCp1251("Привет, мир"), false},
      {utf8ToCp1251("ПРИВЕТ ЁЖ"), false},
      {"plain ASCII", false},
      {"", false},
      {"a\xC0\x80", false},            // an overlong form
      {"\xED\xA0\x80", false},         // a surrogate
      {"\xF0\x9F\x98\x80", true},      // beyond the basic plane
      {"\xD0", false},                 // cut short
  };
  for (const Case& c : cases) EXPECT_EQ(isMultiByteUtf8(c.bytes), c.utf8) << cp1251ToUtf8(c.bytes);
}

}  // namespace
}  // namespace kelmo
