#include "platform/date_time.h"

#include <gtest/gtest.h>

namespace kelmo {
namespace {

TEST(DateTime, DayNumbersCountFromTheEndOf1899) {
  struct Case { CivilDateTime civil; double value; };
  const Case cases[] = {
      {{1899, 12, 30, 0, 0, 0, 0}, 0.0},
      {{1900, 1, 1, 0, 0, 0, 0}, 2.0},
      {{2000, 1, 1, 12, 0, 0, 0}, 36526.5},
      {{2024, 2, 29, 6, 0, 0, 0}, 45351.25},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(encodeDateTime(c.civil), c.value);
    const CivilDateTime back = decodeDateTime(c.value);
    EXPECT_EQ(back.year, c.civil.year);
    EXPECT_EQ(back.month, c.civil.month);
    EXPECT_EQ(back.day, c.civil.day);
    EXPECT_EQ(back.hour, c.civil.hour);
  }
}

TEST(DateTime, MillisecondsSurviveARoundTrip) {
  for (int ms : {0, 1, 499, 999}) {
    const CivilDateTime c{2026, 12, 10, 23, 59, 59, ms};
    const CivilDateTime back = decodeDateTime(encodeDateTime(c));
    EXPECT_EQ(back.second, 59);
    EXPECT_EQ(back.millisecond, ms);
    EXPECT_EQ(back.day, 10);
  }
}

TEST(DateTime, TheClockSeamReplacesNow) {
  setClock([] { return 45000.75; });
  EXPECT_DOUBLE_EQ(now(), 45000.75);
  EXPECT_DOUBLE_EQ(timeOfDay(), 0.75);
  setClock({});
  EXPECT_GT(now(), 45000.0);  // the system clock is back: a date after 2023
}

}  // namespace
}  // namespace kelmo
