#pragma once
// Windows speaks UTF-16 in its wide calls; the program keeps its texts as UTF-8. These
// are the only conversions between the two, used at the edges where Windows is called.
#ifdef _WIN32
#include <string>
#include <string_view>

namespace kelmo {

// Invalid UTF-8 becomes U+FFFD, so a bad byte cannot shorten a name silently.
std::wstring utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(std::wstring_view utf16);

}  // namespace kelmo
#endif
