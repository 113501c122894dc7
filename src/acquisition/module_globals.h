#pragma once
// The module globals: filled by initModule, used by the test run and the read thread,
// alive as long as the program. Written on the main thread only while no worker runs.
#include <array>
#include <string>

#include "acquisition/e154_interface.h"

namespace kelmo {

// The interface of the found module, or null; released by the test run's clean-up.
extern ILE154* pModule;
// GetDllVersion: major in the high 16 bits, minor in the low 16.
extern DWORD DllVersion;
// The module's device handle, on which the read thread cancels its reads.
extern DeviceHandle ModuleHandle;
// 32 characters as GetModuleName left them (zero-terminated when the name is shorter).
extern std::array<char, 32> ModuleName;
// 0 full speed, other high speed.
extern BYTE UsbSpeed;
extern MODULE_DESCRIPTION_E154 ModuleDescription;
// The settings sent with SET_ADC_PARS, with the rate fields as the module left them.
extern ADC_PARS_E154 AdcPars;

// ModuleName up to its first zero character.
std::string moduleNameText();
// A zero-terminated text of ModuleDescription at the given byte offset.
std::string descriptionText(std::size_t offset);

// Back to the program-start state (tests); does not release pModule.
void resetModuleGlobals();

}  // namespace kelmo
