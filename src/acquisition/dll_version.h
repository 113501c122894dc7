#pragma once
// The library version the program requires, and the text shown when another is found.
#include <string>

#include "acquisition/e154_interface.h"

namespace kelmo {

// True for version 3.4 (major in the high 16 bits, minor in the low 16).
bool isRequiredDllVersion(DWORD version);
// "Неверная версия DLL библиотеки Lusbapi.dll! ..." with the version found and the one required.
std::string dllVersionMessage(DWORD version);

}  // namespace kelmo
