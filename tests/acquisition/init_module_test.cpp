#include "acquisition/init_module.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "acquisition/module_globals.h"
#include "acquisition/module_library.h"
#include "config/kelmo_params.h"
#include "sim/sim_library.h"

namespace kelmo {
namespace {

using sim::Fault;
using sim::Operation;
using sim::SimConfig;

const std::vector<std::string> kSuccessLines = {
    " DLL Version --> OK",
    " Module Interface --> OK",
    " OpenLDevice(0) --> OK",
    " GetModuleName() --> OK",
    " The module is 'E-154'",
    " GetUsbSpeed() --> OK\\n",
    "   USB is in High-Speed Mode (480 Mbit/s)",
    " GET_MODULE_DESCRIPTION() --> OK",
    " GET_ADC_PARS --> OK",
    " SET_ADC_PARS --> OK",
};

SimConfig quietConfig() {
  SimConfig config;
  config.latency = {};
  return config;
}

SimConfig failing(Operation op) {
  SimConfig config = quietConfig();
  config.faults[static_cast<std::size_t>(op)] = {Fault::Mode::Always, 0};
  return config;
}

class InitModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    createGlobalParams();
    resetModuleGlobals();
  }
  void TearDown() override {
    if (pModule != nullptr) pModule->ReleaseLInstance();
    resetModuleGlobals();
    setModuleLibrary(nullptr);
  }

  std::shared_ptr<sim::SimLibrary> use(SimConfig config) {
    library_ = std::make_shared<sim::SimLibrary>(std::move(config));
    setModuleLibrary(library_);
    return library_;
  }

  bool run() {
    lines.clear();
    errorText.clear();
    return initModule([this](const std::string& line) { lines.push_back(line); }, errorText);
  }

  std::shared_ptr<sim::SimLibrary> library_;
  std::vector<std::string> lines;
  std::string errorText;
};

TEST_F(InitModuleTest, SuccessLogsEveryStepInOrderAndFillsTheGlobals) {
  auto library = use(quietConfig());
  ASSERT_TRUE(run()) << errorText;
  EXPECT_EQ(lines, kSuccessLines);
  EXPECT_EQ(errorText, "");

  ASSERT_NE(pModule, nullptr);
  sim::SimModule* module = sim::simModuleOf(pModule);
  ASSERT_EQ(module, library->lastModule());
  EXPECT_EQ(DllVersion, 0x00030004u);
  EXPECT_EQ(ModuleHandle, pModule->GetDeviceHandle());
  EXPECT_EQ(moduleNameText(), "E154");
  EXPECT_NE(UsbSpeed, 0);
  EXPECT_EQ(descriptionText(kDescriptionSerialOffset), "1E154SIM0042");
  EXPECT_EQ(descriptionText(kDescriptionMcuVersionOffset), "2.10");

  // The settings: the defaults of the parameter object, the module's own synchronisation
  // settings, and the rates as the module left them.
  sim::SimLibrary fresh(quietConfig());
  ILE154* other = fresh.CreateLInstance("e154");
  ASSERT_TRUE(other->OpenLDevice(0));
  ADC_PARS_E154 powerOn{};
  ASSERT_TRUE(other->GET_ADC_PARS(&powerOn));
  EXPECT_EQ(AdcPars.ClkSource, 0);
  EXPECT_EQ(AdcPars.EnableClkOutput, 0);
  EXPECT_EQ(AdcPars.InputMode, 0);
  EXPECT_EQ(std::memcmp(AdcPars.SynchroParams, powerOn.SynchroParams, sizeof powerOn.SynchroParams), 0);
  EXPECT_EQ(AdcPars.ChannelsQuantity, 8);
  for (WORD i = 0; i < 8; ++i) EXPECT_EQ(AdcPars.ControlTable[i], i) << i;
  EXPECT_DOUBLE_EQ(AdcPars.AdcRate, 4.0);
  EXPECT_DOUBLE_EQ(AdcPars.InterKadrDelay, 0.0);
  EXPECT_DOUBLE_EQ(AdcPars.KadrRate, 0.5);
  const ADC_PARS_E154 inForce = module->adcSettings();
  EXPECT_EQ(std::memcmp(&inForce, &AdcPars, sizeof AdcPars), 0);
  EXPECT_FALSE(module->released());
}

TEST_F(InitModuleTest, RangesRateAndSlotReachTheModule) {
  SimConfig config = quietConfig();
  config.slot = 5;
  config.highSpeedUsb = false;
  use(config);
  tKELMO_Params& params = kelmo_params();
  params.setRange(1, 1600);
  params.setRange(2, 160);
  params.setRange(3, 500);
  params.ChannelsQuantity = 4;
  params.adcRate = 3.3;
  ASSERT_TRUE(run()) << errorText;
  EXPECT_EQ(lines[2], " OpenLDevice(5) --> OK");
  EXPECT_EQ(lines[6], "   USB is in Full-Speed Mode (12 Mbit/s)");
  EXPECT_EQ(UsbSpeed, 0);
  EXPECT_EQ(AdcPars.ChannelsQuantity, 4);
  const WORD expected[16] = {0, 65, 194, 131, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(AdcPars.ControlTable[i], expected[i]) << i;
  EXPECT_DOUBLE_EQ(AdcPars.AdcRate, 24000.0 / 7273) << "the rate the divider gives";
  EXPECT_DOUBLE_EQ(AdcPars.KadrRate, AdcPars.AdcRate / 4);
}

TEST_F(InitModuleTest, EveryFailureIsLoggedReturnedAndStopsTheSteps) {
  const std::string channelMessage = "Число каналов должно быть степенью 2";
  struct Case {
    const char* what;
    std::function<SimConfig()> config;
    int channels;
    std::string message;
    std::size_t linesBefore;
    bool interfaceHeld;
  };
  auto withVersion = [](std::uint32_t version) {
    return [version] {
      SimConfig c = quietConfig();
      c.version = version;
      return c;
    };
  };
  auto with = [](std::function<void(SimConfig&)> change) {
    return [change] {
      SimConfig c = quietConfig();
      change(c);
      return c;
    };
  };
  const std::string wrongVersion = "Неверная версия DLL библиотеки Lusbapi.dll! \n\r           Текущая: ";
  const std::string noModule = "Не удалось обнаружить модуль E-154 в первых 127 виртуальных слотах!";
  const std::string notE154 = "Обнаруженный модуль не является E-154!";
  const Case cases[] = {
      {"version 3.5", withVersion(0x00030005), 8, wrongVersion + "3.5. Требуется: 3.4.", 0, false},
      {"version 4.4", withVersion(0x00040004), 8, wrongVersion + "4.4. Требуется: 3.4.", 0, false},
      {"version 2.4", withVersion(0x00020004), 8, wrongVersion + "2.4. Требуется: 3.4.", 0, false},
      {"no interface", with([](SimConfig& c) { c.interfaceAvailable = false; }), 8,
       "Не могу найти интерфейс модуля E-154!", 1, false},
      {"no slot", with([](SimConfig& c) { c.slot = -1; }), 8, noModule, 2, true},
      {"slot 127", with([](SimConfig& c) { c.slot = 127; }), 8, noModule, 2, true},
      {"OpenLDevice fails", [] { return failing(Operation::OpenLDevice); }, 8, noModule, 2, true},
      {"GetModuleName fails", [] { return failing(Operation::GetModuleName); }, 8,
       "Не могу прочитать название модуля!", 3, true},
      {"lower-case name", with([](SimConfig& c) { c.name = "e154"; }), 8, notE154, 4, true},
      {"longer name", with([](SimConfig& c) { c.name = "E1545"; }), 8, notE154, 4, true},
      {"shorter name", with([](SimConfig& c) { c.name = "E15"; }), 8, notE154, 4, true},
      {"GetUsbSpeed fails", [] { return failing(Operation::GetUsbSpeed); }, 8,
       " Не могу определить скорость работы шины USB", 5, true},
      {"GET_MODULE_DESCRIPTION fails", [] { return failing(Operation::GET_MODULE_DESCRIPTION); }, 8,
       "Не могу получить информацию о модуле!", 7, true},
      {"GET_ADC_PARS fails", [] { return failing(Operation::GET_ADC_PARS); }, 8,
       "Не могу получить текущие параметры ввода данных!", 8, true},
      {"0 channels", quietConfig, 0, channelMessage, 9, true},
      {"3 channels", quietConfig, 3, channelMessage, 9, true},
      {"16 channels", quietConfig, 16, channelMessage, 9, true},
      {"-1 channels", quietConfig, -1, channelMessage, 9, true},
      {"65537 channels (low 16 bits 1)", quietConfig, 65537, channelMessage, 9, true},
      {"SET_ADC_PARS fails", [] { return failing(Operation::SET_ADC_PARS); }, 8,
       "Не могу установить параметры ввода данных!", 9, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    createGlobalParams();
    kelmo_params().ChannelsQuantity = c.channels;
    auto library = use(c.config());
    EXPECT_FALSE(run());
    EXPECT_EQ(errorText, c.message);
    ASSERT_EQ(lines.size(), c.linesBefore + 1);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.end() - 1),
              std::vector<std::string>(kSuccessLines.begin(), kSuccessLines.begin() + c.linesBefore));
    EXPECT_EQ(lines.back(), c.message);
    EXPECT_EQ(pModule != nullptr, c.interfaceHeld);
    // Releasing the interface after a failure is the caller's business.
    if (pModule != nullptr) {
      EXPECT_FALSE(sim::simModuleOf(pModule)->released());
      pModule->ReleaseLInstance();
    }
    resetModuleGlobals();
  }
}

TEST_F(InitModuleTest, AnInterfaceStillHeldIsReleasedFirst) {
  auto library = use(quietConfig());
  ASSERT_TRUE(run()) << errorText;
  sim::SimModule* first = sim::simModuleOf(pModule);
  ASSERT_TRUE(run()) << errorText;
  EXPECT_TRUE(first->released());
  EXPECT_EQ(sim::simModuleOf(pModule), library->lastModule());
  EXPECT_FALSE(library->lastModule()->released());
  EXPECT_EQ(library->modulesCreated(), 2u);
  EXPECT_EQ(library->calls(Operation::ReleaseLInstance), 1u);
}

TEST_F(InitModuleTest, NoLibraryFailsWithATextInsteadOfAnException) {
  setModuleLibrary(nullptr);
  EXPECT_FALSE(run());
  EXPECT_EQ(lines, std::vector<std::string>{kNoModuleLibrary});
  EXPECT_EQ(errorText, kNoModuleLibrary);
  EXPECT_EQ(pModule, nullptr);
}

// A library may fill more of the description record than the texts the program reads; the
// record leaves room for it.
TEST(ModuleDescriptionTest, TheRecordHasAGenerousMargin) {
  EXPECT_GE(sizeof(MODULE_DESCRIPTION_E154), 4096u);
  EXPECT_GE(sizeof(ModuleDescription), 4096u);
}

TEST_F(InitModuleTest, SearchStopsAtTheFirstSlotThatAnswers) {
  SimConfig config = quietConfig();
  config.slot = 126;
  auto library = use(config);
  ASSERT_TRUE(run()) << errorText;
  EXPECT_EQ(lines[2], " OpenLDevice(126) --> OK");
  EXPECT_EQ(library->calls(Operation::OpenLDevice), 127u);
}

}  // namespace
}  // namespace kelmo
