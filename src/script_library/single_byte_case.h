#pragma once
// Upper and lower case on the single-byte code page (Windows-1251): Latin and Cyrillic
// letters change, everything else stays as it is.
#include <string>
#include <string_view>

namespace kelmo::script_library {

std::string ansiUpperCase(std::string_view utf8);
std::string ansiLowerCase(std::string_view utf8);

}  // namespace kelmo::script_library
