// Windows keeps the user's date and time formats in its own letters; the number and date
// texts need them in ours, with the separator as a placeholder.
#include "platform/windows_locale.h"

#include <gtest/gtest.h>

namespace kelmo {
namespace {

TEST(WindowsRegionalFormats, BecomeOurPatterns) {
  struct Case {
    const char* format;
    char separator;
    char placeholder;
    const char* pattern;
  };
  const Case cases[] = {
      {"dd.MM.yyyy", '.', '/', "dd/mm/yyyy"},  // Russian
      {"M/d/yyyy", '/', '/', "mm/dd/yyyy"},    // United States
      {"yyyy-MM-dd", '-', '/', "yyyy/mm/dd"},  // Sweden
      {"d.M.yy", '.', '/', "dd/mm/yy"},
      {"H:mm:ss", ':', ':', "hh:nn:ss"},       // Russian
      {"HH.mm.ss", '.', ':', "hh:nn:ss"},      // Finnish
      {"HH:mm", ':', ':', "hh:nn"},
      // Parts our patterns cannot show: the fallback, in full.
      {"h:mm:ss tt", ':', ':', "hh:nn:ss"},
      {"dddd, d MMMM yyyy", '.', '/', "dd/mm/yyyy"},
      {"dd MMM yy", '.', '/', "dd/mm/yyyy"},
      {"yyyy'年'M'月'd'日'", '/', '/', "dd/mm/yyyy"},
      {"gg yyyy/MM/dd", '/', '/', "dd/mm/yyyy"},
      {"HH:mm:ss", '.', ':', "hh:nn:ss"},  // a colon that is not the separator
      {"", '.', '/', "dd/mm/yyyy"},
  };
  for (const Case& c : cases) {
    const std::string fallback = c.placeholder == '/' ? "dd/mm/yyyy" : "hh:nn:ss";
    EXPECT_EQ(patternFromWindowsFormat(c.format, c.separator, c.placeholder, fallback), c.pattern) << c.format;
  }
}

}  // namespace
}  // namespace kelmo
