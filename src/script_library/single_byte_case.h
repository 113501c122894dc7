#pragma once
// Upper and lower case on the single-byte code page (Windows-1251): Latin and Cyrillic
// letters change, everything else stays as it is; the result is as long as the text.
#include <string>
#include <string_view>

namespace kelmo::script_library {

std::string ansiUpperCase(std::string_view text);
std::string ansiLowerCase(std::string_view text);

}  // namespace kelmo::script_library
