#include "datafile/data_line.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <random>

#include "written_lines.h"

namespace kelmo::datafile {
namespace {

using testing::at;
using testing::Regional;
using testing::WrittenFile;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The line as written, without its CR LF.
std::string written(Regional r, TDateTime t, const std::array<double, 6>& v) {
  WrittenFile f(r);
  f.line(t, v);
  return f.text.substr(0, f.text.size() - 2);
}

void expectSame(double expected, double actual, const std::string& context) {
  if (std::isnan(expected)) {
    EXPECT_TRUE(std::isnan(actual)) << context;
    EXPECT_EQ(std::signbit(expected), std::signbit(actual)) << context;
  } else {
    EXPECT_EQ(expected, actual) << context;
  }
}

TEST(DataLine, ReadsWhatTheProgramWritesUnderEitherSeparator) {
  struct Case {
    Regional regional;
    std::array<double, 6> values;
  };
  const Case cases[] = {
      {{'.', ':'}, {2.5, -12.346, 0, 1234567.125, -0.001, 3.999}},
      {{',', ':'}, {2.5, -12.346, 0, 1234567.125, -0.001, 3.999}},
      {{',', '.'}, {0.125, 7, -7, 100, 99999.999, -0.5}},
      {{'.', ':'}, {kInf, -kInf, kNaN, -kNaN, 1, 2}},
  };
  for (const Case& c : cases) {
    const TDateTime t = at(13, 40, 1, 123);
    const std::string line = written(c.regional, t, c.values);
    DataValues d;
    ASSERT_EQ(parseDataLine(line, d), "") << line;
    EXPECT_NEAR(d.time, t, 1e-9) << line;
    EXPECT_EQ(d.missingMask, 0) << line;
    for (std::size_t k = 0; k < 6; ++k) expectSame(c.values[k], d.values[k], line);
  }
}

TEST(DataLine, QuestionMarksAreMissingValues) {
  DataValues d;
  ASSERT_EQ(parseDataLine("40:01:123 46366.5 ?????? 1.000 ?????? 2.000 3.000 ?????? ", d), "");
  EXPECT_EQ(d.missingMask, 0b100101);
  EXPECT_TRUE(std::isnan(d.values[0]));
  EXPECT_EQ(d.values[1], 1.0);
}

TEST(DataLine, ReportsWhyALineDoesNotRead) {
  const std::string good = "40:01:123 46366,5234 1,000 2,000 3,000 4,000 5,000 6,000 ";
  struct Case {
    std::string line;
    std::string reason;
  };
  const Case cases[] = {
      {"", "line too short"},
      {good.substr(0, 45), "cut off: fewer than six values"},
      {good.substr(0, 44), "cut off inside a value"},
      {good.substr(0, good.size() - 1), "cut off inside a value"},  // "6,00" would read as 6
      {good.substr(0, 15), "cut off after the date-time number"},
      {"4x:01:123 46366,5 1 2 3 4 5 6 ", "time field is not \"nn:ss:zzz\""},
      {"40 01 123 46366,5 1 2 3 4 5 6 ", "time field is not \"nn:ss:zzz\""},
      {"40:01:123 abc 1 2 3 4 5 6 ", "unreadable date-time number"},
      {"40:01:123 -3 1 2 3 4 5 6 ", "date-time number out of range"},
      {"40:01:123 1E300 1 2 3 4 5 6 ", "date-time number out of range"},
      {"40:01:123 46366,5 1 2 x 4 5 6 ", "unreadable value"},
      {"40:01:123 46366,5 1 2 3 4 5 INFINITY ", "unreadable value"},
      {"40:01:123 46366,5 1 2 3 4 5 6 7 ", "text after the six values"},
      {"40:01:123 46366,5 1 2 1,2,3 4 5 6 ", "unreadable value"},
  };
  for (const Case& c : cases) {
    DataValues d;
    EXPECT_EQ(parseDataLine(c.line, d), c.reason) << "'" << c.line << "'";
  }
}

TEST(DataLine, NumbersWithEitherSeparatorAndExponents) {
  struct Case {
    const char* text;
    bool reads;
    double value;
  };
  const Case cases[] = {
      {"2.500", true, 2.5},     {"2,500", true, 2.5},   {"-12.346", true, -12.346}, {"+1", true, 1},
      {"1.5E-5", true, 1.5e-5}, {"1,5E-5", true, 1.5e-5}, {"1E15", true, 1e15},    {"0", true, 0},
      {"", false, 0},           {".5", false, 0},       {"-", false, 0},           {"1.2.3", false, 0},
      {"+-1", false, 0},        {"inf", false, 0},      {"nan", false, 0},         {"1e", false, 0},
      {"12345678901234567890123", true, 12345678901234567890123.0},
  };
  for (const Case& c : cases) {
    double v = -1;
    EXPECT_EQ(parseNumber(c.text, v), c.reads) << c.text;
    if (c.reads) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
}

// The quick conversion must give the very double a full conversion gives.
TEST(DataLine, QuickConversionMatchesTheFullOne) {
  std::mt19937_64 random(7);
  std::uniform_int_distribution<long long> mantissa(-(1LL << 53), 1LL << 53);
  std::uniform_int_distribution<int> decimals(0, 16);
  for (int i = 0; i < 200000; ++i) {
    std::string text = std::to_string(mantissa(random));
    const int d = decimals(random);
    const std::size_t digitsStart = text[0] == '-' ? 1 : 0;
    while (text.size() - digitsStart <= static_cast<std::size_t>(d)) text.insert(digitsStart, "0");
    if (d > 0) text.insert(text.size() - static_cast<std::size_t>(d), ".");
    double quick = 0, full = 0;
    ASSERT_TRUE(parseNumber(text, quick)) << text;
    std::from_chars(text.data(), text.data() + text.size(), full);
    ASSERT_EQ(quick, full) << text;
  }
}

TEST(DataLine, HeaderTimeUnderAnyTimeSeparator) {
  WrittenFile f({'.', '.'});
  f.header(at(9, 5, 7, 0));
  const std::string line = f.text.substr(0, f.text.size() - 2);
  const std::size_t marker = headerMarkerAt(line);
  ASSERT_EQ(marker, headerMarkerCp1251().size());
  TDateTime t = 0;
  ASSERT_EQ(parseHeaderTime(std::string_view(line).substr(marker), t), "");
  EXPECT_NEAR(t, at(9, 5, 7, 0), 1e-9);

  EXPECT_EQ(parseHeaderTime("2026:13:10 10:00:00", t), "header date-time out of range");
  EXPECT_EQ(parseHeaderTime("2026:12:10 10:00", t), "header date-time is not \"yyyy:mm:dd hh:mm:ss\"");
  EXPECT_EQ(headerMarkerAt(std::string(headerMarkerUtf8()) + "2026:12:10 10:00:00"), headerMarkerUtf8().size());
  EXPECT_EQ(headerMarkerAt("Начинаю"), 0u);
}

}  // namespace
}  // namespace kelmo::datafile
