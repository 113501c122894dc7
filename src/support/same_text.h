#pragma once
// Key comparison without regard to letter case: ASCII and the Cyrillic letters of the
// Windows-1251 code page, for UTF-8 texts.
#include <string_view>

namespace kelmo {

bool sameText(std::string_view a, std::string_view b);

}  // namespace kelmo
