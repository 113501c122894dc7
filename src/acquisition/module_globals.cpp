#include "acquisition/module_globals.h"

#include <algorithm>
#include <cstring>

namespace kelmo {

ILE154* pModule = nullptr;
DWORD DllVersion = 0;
DeviceHandle ModuleHandle = nullptr;
std::array<char, 32> ModuleName{};
BYTE UsbSpeed = 0;
MODULE_DESCRIPTION_E154 ModuleDescription{};
ADC_PARS_E154 AdcPars{};

std::string moduleNameText() {
  auto end = std::find(ModuleName.begin(), ModuleName.end(), '\0');
  return std::string(ModuleName.begin(), end);
}

std::string descriptionText(std::size_t offset) {
  if (offset >= kDescriptionSize) return {};
  const char* begin = reinterpret_cast<const char*>(ModuleDescription.bytes) + offset;
  return std::string(begin, strnlen(begin, kDescriptionSize - offset));
}

void resetModuleGlobals() {
  pModule = nullptr;
  DllVersion = 0;
  ModuleHandle = nullptr;
  ModuleName = {};
  UsbSpeed = 0;
  ModuleDescription = {};
  AdcPars = {};
}

}  // namespace kelmo
