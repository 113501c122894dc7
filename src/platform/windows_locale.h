#pragma once
// The user's regional settings as Windows keeps them (Control Panel, Region): separators
// and the short date and long time formats, which the number and date texts follow there.
#include <string>
#include <string_view>

namespace kelmo {

struct WindowsRegionalSettings {
  char decimal = '.';
  char date = '.';
  char time = ':';
  std::string shortDateFormat;  // as Windows writes it, e.g. "dd.MM.yyyy"
  std::string timeFormat;       // e.g. "H:mm:ss"
};

#ifdef _WIN32
// Read from the user's default locale; a separator that is not one ASCII character keeps
// its default.
WindowsRegionalSettings userRegionalSettings();
#endif

// A Windows date or time format in our pattern letters (dd mm yyyy, hh nn ss), with its
// separator character as the placeholder ('/' for dates, ':' for times). Formats with
// parts our patterns cannot show (day or month names, AM/PM, eras, quoted text) give the
// fallback instead, so the date is still shown in full.
std::string patternFromWindowsFormat(std::string_view format, char separator, char placeholder,
                                     std::string_view fallback);

}  // namespace kelmo
