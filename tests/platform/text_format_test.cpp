#include "platform/text_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kelmo {
namespace {

class TextFormat : public ::testing::Test {
 protected:
  void SetUp() override {
    savedDecimal_ = decimalSeparator();
    savedTime_ = timeSeparator();
    setDecimalSeparator('.');
    setTimeSeparator(':');
  }
  void TearDown() override {
    setDecimalSeparator(savedDecimal_);
    setTimeSeparator(savedTime_);
  }
  char savedDecimal_ = '.', savedTime_ = ':';
};

TEST_F(TextFormat, GeneralNumberFormat) {
  struct Case { double value; const char* text; };
  const Case cases[] = {
      {0.0, "0"},           {0.1 + 0.2, "0.3"},       {1.0, "1"},
      {-2.5, "-2.5"},       {1e15, "1E15"},           {1.5e-5, "1.5E-5"},
      {0.0001, "0.0001"},   {0.00012345, "0.00012345"}, {999999999999999.0, "999999999999999"},
      {123456.789, "123456.789"}, {1.0 / 3.0, "0.333333333333333"}, {-1e20, "-1E20"},
      {2.0 / 3.0 * 1e-7, "6.66666666666667E-8"}, {45.0, "45"}, {1e14, "100000000000000"},
  };
  for (const Case& c : cases) EXPECT_EQ(formatGeneral(c.value), c.text) << c.value;
}

TEST_F(TextFormat, GeneralFormatOfNonFiniteValues) {
  EXPECT_EQ(formatGeneral(std::numeric_limits<double>::infinity()), "INF");
  EXPECT_EQ(formatGeneral(-std::numeric_limits<double>::infinity()), "-INF");
  EXPECT_EQ(formatGeneral(std::numeric_limits<double>::quiet_NaN()), "NAN");
}

TEST_F(TextFormat, PrintfStyleFormats) {
  struct Case { const char* pattern; FormatArg arg; const char* text; };
  const Case cases[] = {
      {"%9.5f", 1.5, "  1.50000"},
      {"%9.5f", 12345.678, "12345.67800"},
      {"%9.5f", -0.5, " -0.50000"},
      {"%-5.3f ", 2.5, "2.500 "},
      {"%-5.3f ", -12.3456, "-12.346 "},
      {"%5.3f kHz", 4.0, "4.000 kHz"},
      {"%2.4f ms", 0.0, "0.0000 ms"},
      {"%d", 42LL, "42"},
      {"%u", 5ULL, "5"},
      {"(%u)", -1LL, "(4294967295)"},
      {"%x", 255LL, "FF"},
      {"%4x", 10LL, "   A"},
      {"%04d", 7LL, "0007"},
      {"%-4d|", 7LL, "7   |"},
      {"%s!", std::string("E154"), "E154!"},
      {"'%1.1s'", std::string("Ab"), "'A'"},
      {"[%1.1s]", std::string(""), "[ ]"},
      {"%-7.3f|", std::numeric_limits<double>::infinity(), "INF    |"},
      {"%-5.3f|", -std::numeric_limits<double>::quiet_NaN(), "-NAN |"},
      {"100%%", 0LL, "100%"},
  };
  for (const Case& c : cases) EXPECT_EQ(formatText(c.pattern, {c.arg}), c.text) << c.pattern;
}

TEST_F(TextFormat, NumbersUseTheRegionalDecimalSeparator) {
  setDecimalSeparator(',');
  EXPECT_EQ(formatText("%9.5f", {1.5}), "  1,50000");
  EXPECT_EQ(formatGeneral(0.3), "0,3");
  EXPECT_EQ(formatGeneral(1.5e-5), "1,5E-5");
}

TEST_F(TextFormat, BadPatternsAndArgumentsAreReported) {
  EXPECT_THROW(formatText("%d %d", {1LL}), std::invalid_argument);
  EXPECT_THROW(formatText("%d", {std::string("x")}), std::invalid_argument);
  EXPECT_THROW(formatText("%q", {1LL}), std::invalid_argument);
}

TEST_F(TextFormat, DateTimePatterns) {
  const TDateTime dt = encodeDateTime({2024, 1, 31, 23, 59, 58, 7});
  EXPECT_EQ(formatDateTime("yyyy:mm:dd hh:mm:ss", dt), "2024:01:31 23:59:58");
  EXPECT_EQ(formatDateTime("nn:ss:zzz", dt), "59:58:007");
  EXPECT_EQ(formatDateTime("yyyymmddhhnnss", dt), "20240131235958");
  setTimeSeparator('.');
  EXPECT_EQ(formatDateTime("nn:ss:zzz", dt), "59.58.007");
}

}  // namespace
}  // namespace kelmo
