#pragma once
// Texts live as UTF-8 in memory, except the strings inside scripts; files hold
// Windows-1251 bytes.
#include <string>
#include <string_view>

namespace kelmo {

std::string cp1251ToUtf8(std::string_view bytes);
// Characters without a Windows-1251 byte become '?'.
std::string utf8ToCp1251(std::string_view utf8);
// True when the bytes are UTF-8 with at least one character beyond ASCII. Russian text in
// Windows-1251 practically never is: its letters, C0..FF, would each have to be followed
// by bytes of 80..BF, which are punctuation and rare letters there.
bool isMultiByteUtf8(std::string_view bytes);

}  // namespace kelmo
