#include "acquisition/dll_version.h"

namespace kelmo {

namespace {

constexpr DWORD kRequiredMajor = 3;
constexpr DWORD kRequiredMinor = 4;

}  // namespace

bool isRequiredDllVersion(DWORD version) {
  return (version >> 16) == kRequiredMajor && (version & 0xFFFFu) == kRequiredMinor;
}

std::string dllVersionMessage(DWORD version) {
  return "Неверная версия DLL библиотеки Lusbapi.dll! \n\r" + std::string(11, ' ') + "Текущая: " +
         std::to_string(version >> 16) + "." + std::to_string(version & 0xFFFFu) + "." + " Требуется: " +
         std::to_string(kRequiredMajor) + "." + std::to_string(kRequiredMinor) + ".";
}

}  // namespace kelmo
