#include "platform/windows_locale.h"

namespace kelmo {

std::string patternFromWindowsFormat(std::string_view format, char separator, char placeholder,
                                     std::string_view fallback) {
  std::string pattern;
  for (std::size_t i = 0; i < format.size();) {
    const char c = format[i];
    std::size_t run = 1;
    while (i + run < format.size() && format[i + run] == c) ++run;
    const bool shortRun = run <= 2;
    switch (c) {
      case 'd': if (!shortRun) return std::string(fallback); pattern += "dd"; break;
      case 'M': if (!shortRun) return std::string(fallback); pattern += "mm"; break;
      case 'y': pattern += run <= 2 ? "yy" : "yyyy"; break;
      case 'h': case 'H': if (!shortRun) return std::string(fallback); pattern += "hh"; break;
      case 'm': if (!shortRun) return std::string(fallback); pattern += "nn"; break;
      case 's': if (!shortRun) return std::string(fallback); pattern += "ss"; break;
      default:
        // Letters are format parts we do not show, a quote starts literal text.
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '\'' || c == '/' || c == ':')
          if (c != separator) return std::string(fallback);
        pattern.append(run, c == separator ? placeholder : c);
        break;
    }
    i += run;
  }
  return pattern.empty() ? std::string(fallback) : pattern;
}

}  // namespace kelmo
