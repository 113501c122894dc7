#include "acquisition/init_module.h"

#include <cstdint>

#include "acquisition/dll_version.h"
#include "acquisition/module_globals.h"
#include "acquisition/module_library.h"
#include "config/kelmo_params.h"

namespace kelmo {

namespace {

constexpr WORD kVirtualSlots = 127;
constexpr char kNameProbe[] = "0123456789abcdefghijklmnopqrstuv";
static_assert(sizeof(kNameProbe) - 1 == 32);

bool isAcceptedChannelCount(int count) {
  return count == 1 || count == 2 || count == 4 || count == 8;
}

}  // namespace

bool initModule(const std::function<void(const std::string&)>& log, std::string& errorText) {
  auto fail = [&](const std::string& message) {
    log(message);
    errorText = message;
    return false;
  };
  const std::shared_ptr<ModuleLibrary> library = moduleLibrary();
  if (!library) return fail(kNoModuleLibrary);

  DllVersion = library->GetDllVersion();
  if (!isRequiredDllVersion(DllVersion)) return fail(dllVersionMessage(DllVersion));
  log(" DLL Version --> OK");

  // An interface left from an earlier initialisation (a script's) is not leaked.
  if (pModule != nullptr) {
    pModule->ReleaseLInstance();
    pModule = nullptr;
  }
  pModule = library->CreateLInstance("e154");
  if (pModule == nullptr) return fail("Не могу найти интерфейс модуля E-154!");
  log(" Module Interface --> OK");

  WORD slot = 0;
  while (slot < kVirtualSlots && !pModule->OpenLDevice(slot)) ++slot;
  if (slot == kVirtualSlots)
    return fail("Не удалось обнаружить модуль E-154 в первых 127 виртуальных слотах!");
  log(" OpenLDevice(" + std::to_string(slot) + ") --> OK");

  ModuleHandle = pModule->GetDeviceHandle();

  std::copy(kNameProbe, kNameProbe + ModuleName.size(), ModuleName.begin());
  if (!pModule->GetModuleName(ModuleName.data())) return fail("Не могу прочитать название модуля!");
  log(" GetModuleName() --> OK");

  if (moduleNameText() != "E154") return fail("Обнаруженный модуль не является E-154!");
  log(" The module is 'E-154'");

  if (!pModule->GetUsbSpeed(&UsbSpeed)) return fail(" Не могу определить скорость работы шины USB");
  log(" GetUsbSpeed() --> OK\\n");
  log(std::string("   USB is in ") +
      (UsbSpeed == 0 ? "Full-Speed Mode (12 Mbit/s)" : "High-Speed Mode (480 Mbit/s)"));

  if (!pModule->GET_MODULE_DESCRIPTION(&ModuleDescription))
    return fail("Не могу получить информацию о модуле!");
  log(" GET_MODULE_DESCRIPTION() --> OK");

  if (!pModule->GET_ADC_PARS(&AdcPars)) return fail("Не могу получить текущие параметры ввода данных!");
  log(" GET_ADC_PARS --> OK");

  tKELMO_Params& params = kelmo_params();
  AdcPars.ClkSource = 0;
  AdcPars.EnableClkOutput = 0;
  AdcPars.InputMode = 0;
  const int channels = params.ChannelsQuantity;
  AdcPars.ChannelsQuantity = static_cast<WORD>(static_cast<std::uint32_t>(channels) & 0xFFFFu);
  // The whole value is checked, not only its low 16 bits, so no table entry past
  // channel 7 is ever written and the read thread sees the same count.
  if (!isAcceptedChannelCount(channels)) return fail("Число каналов должно быть степенью 2");
  for (int i = 0; i < channels; ++i) {
    const int rangeCode = params.ranges->assoc(std::to_string(i))->asInteger();
    AdcPars.ControlTable[i] = static_cast<WORD>(rangeCode * 64 + i);
  }
  AdcPars.AdcRate = params.adcRate;
  AdcPars.InterKadrDelay = 0.0;

  if (!pModule->SET_ADC_PARS(&AdcPars)) return fail("Не могу установить параметры ввода данных!");
  log(" SET_ADC_PARS --> OK");
  return true;
}

}  // namespace kelmo
