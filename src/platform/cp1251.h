#pragma once
// Texts live as UTF-8 in memory; files hold Windows-1251 bytes.
#include <string>
#include <string_view>

namespace kelmo {

std::string cp1251ToUtf8(std::string_view bytes);
// Characters without a Windows-1251 byte become '?'.
std::string utf8ToCp1251(std::string_view utf8);

}  // namespace kelmo
