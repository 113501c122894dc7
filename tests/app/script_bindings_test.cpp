// What settings scripts see: the parameter class and object, the module's digital I/O and
// initialisation (on the simulated module), writeLn and showMessage.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "acquisition/init_module.h"
#include "acquisition/module_globals.h"
#include "acquisition/module_library.h"
#include "acquisition/run_state.h"
#include "app/module_io.h"
#include "config/kelmo_params.h"
#include "discharge/sound_choice.h"
#include "script_test_support.h"
#include "sim/sim_library.h"

namespace kelmo {
namespace {

using test::runScriptText;
using test::ScriptRun;

class ScriptBindings : public ::testing::Test {
 protected:
  void SetUp() override {
    createGlobalParams();
    resetRunState();
    useSimulator({});
  }
  void TearDown() override {
    releaseModule();
    resetRunState();
  }

  void useSimulator(sim::SimConfig config) {
    releaseModule();
    library_ = std::make_shared<sim::SimLibrary>(std::move(config));
    setModuleLibrary(library_);
  }
  static void releaseModule() {
    if (pModule != nullptr) pModule->ReleaseLInstance();
    pModule = nullptr;
    resetModuleGlobals();
  }

  std::shared_ptr<sim::SimLibrary> library_;
};

std::string body(const std::string& statements) { return "var w: WORD; p: TKELMO_Params;\nbegin\n" + statements + "\nend.\n"; }

// The pane of a run that compiled: what follows the compile text.
std::vector<std::string> executionLines(const ScriptRun& run) {
  std::vector<std::string> lines;
  bool afterCompile = false;
  for (const std::string& line : run.pane) {
    if (afterCompile) lines.push_back(line);
    if (line == "Succesfully compiled") afterCompile = true;
  }
  // The compile text ends with an empty line.
  if (!lines.empty() && lines.front().empty()) lines.erase(lines.begin());
  return lines;
}

TEST_F(ScriptBindings, EveryPropertyWritesItsFieldAndReadsBack) {
  const ScriptRun run = runScriptText(body(
      "with kelmo_params do begin\n"
      "  DATA_QUERY_PERIOD_MS := 1000; dataBuffersPerPeriod := 7; FileName := 'rig 3.dat';\n"
      "  numOfDCIn := 3; ChannelsQuantity := 4; chartRangeSec := 60; adcRate := 12.5;\n"
      "  IrScale := 2.5; airDelay := 150; airLength := 250; lowPassFilterK := 0.25;\n"
      "  dischargeTimemS := 40.5; dischargeURel := 0.75; afterDischargePauseMs := 6.5;\n"
      "  chargeTimemS := 2.5; chargeURel := -0.5; afterChargePauseMs := 7.5;\n"
      "  writeLn(IntToStr(DATA_QUERY_PERIOD_MS) + ' ' + IntToStr(dataBuffersPerPeriod) + ' ' + FileName + ' ' +\n"
      "    IntToStr(numOfDCIn) + ' ' + IntToStr(ChannelsQuantity) + ' ' + IntToStr(chartRangeSec) + ' ' +\n"
      "    IntToStr(airDelay) + ' ' + IntToStr(airLength));\n"
      "  if (adcRate = 12.5) and (IrScale = 2.5) and (lowPassFilterK = 0.25) and (dischargeTimemS = 40.5) and\n"
      "     (dischargeURel = 0.75) and (afterDischargePauseMs = 6.5) and (chargeTimemS = 2.5) and\n"
      "     (chargeURel = -0.5) and (afterChargePauseMs = 7.5) then writeLn('doubles read back');\n"
      "end;"));
  ASSERT_TRUE(run.succeeded) << test::joined(run.pane);
  EXPECT_EQ(executionLines(run),
            (std::vector<std::string>{"1000 7 rig 3.dat 3 4 60 150 250", "doubles read back", "Succesfully Executed"}));

  const tKELMO_Params& p = kelmo_params();
  EXPECT_EQ(p.DATA_QUERY_PERIOD_MS, 1000);
  EXPECT_EQ(p.dataBuffersPerPeriod, 7);
  EXPECT_EQ(p.FileName, "rig 3.dat");
  EXPECT_EQ(p.numOfDCIn, 3);
  EXPECT_EQ(p.ChannelsQuantity, 4);
  EXPECT_EQ(p.chartRangeSec, 60);
  EXPECT_EQ(p.adcRate, 12.5);
  EXPECT_EQ(p.IrScale, 2.5);
  EXPECT_EQ(p.airDelay, 150);
  EXPECT_EQ(p.airLength, 250);
  EXPECT_EQ(p.lowPassFilterK, 0.25);
  EXPECT_EQ(p.dischargeTimemS, 40.5);
  EXPECT_EQ(p.dischargeURel, 0.75);
  EXPECT_EQ(p.afterDischargePauseMs, 6.5);
  EXPECT_EQ(p.chargeTimemS, 2.5);
  EXPECT_EQ(p.chargeURel, -0.5);
  EXPECT_EQ(p.afterChargePauseMs, 7.5);
}

TEST_F(ScriptBindings, WritesAreNotValidatedAndCopyThirtyTwoBitsAndTexts) {
  const ScriptRun run = runScriptText(body(
      "kelmo_params.DATA_QUERY_PERIOD_MS := -5; kelmo_params.ChannelsQuantity := 65537;\n"
      "kelmo_params.FileName := ''; kelmo_params.numOfDCIn := -2147483648;\n"
      "kelmo_params.FileName := kelmo_params.FileName + 'данные.dat';"));
  ASSERT_TRUE(run.succeeded) << test::joined(run.pane);
  EXPECT_EQ(kelmo_params().DATA_QUERY_PERIOD_MS, -5);
  EXPECT_EQ(kelmo_params().ChannelsQuantity, 65537);
  EXPECT_EQ(kelmo_params().numOfDCIn, -2147483647 - 1);
  EXPECT_EQ(kelmo_params().FileName, "данные.dat");
}

TEST_F(ScriptBindings, KelmoParamsIsAlwaysTheGlobalObject) {
  const ScriptRun run = runScriptText(body(
      "p := kelmo_params;\n"
      "p.DATA_QUERY_PERIOD_MS := 321;\n"
      "writeLn(IntToStr(kelmo_params.DATA_QUERY_PERIOD_MS));\n"
      "kelmo_params.airDelay := 77;\n"
      "writeLn(IntToStr(p.airDelay));"));
  ASSERT_TRUE(run.succeeded) << test::joined(run.pane);
  EXPECT_EQ(executionLines(run), (std::vector<std::string>{"321", "77", "Succesfully Executed"}));
  EXPECT_EQ(kelmo_params().DATA_QUERY_PERIOD_MS, 321);
  EXPECT_EQ(kelmo_params().airDelay, 77);
}

TEST_F(ScriptBindings, CreateMakesAnObjectWithDefaultsAndLeavesTheGlobalOneAlone) {
  kelmo_params().DATA_QUERY_PERIOD_MS = 1000;
  const int ownedBefore = kelmo_params().componentCount();
  const ScriptRun run = runScriptText(body(
      "p := TKELMO_Params.create(kelmo_params);\n"
      "writeLn(IntToStr(p.DATA_QUERY_PERIOD_MS) + ' ' + p.FileName);\n"
      "p.DATA_QUERY_PERIOD_MS := 5; p.ChannelsQuantity := 2;\n"
      "p.setRange(1, 160);\n"
      "writeLn(IntToStr(p.DATA_QUERY_PERIOD_MS) + ' ' + IntToStr(kelmo_params.DATA_QUERY_PERIOD_MS));"));
  ASSERT_TRUE(run.succeeded) << test::joined(run.pane);
  EXPECT_EQ(executionLines(run), (std::vector<std::string>{"200 test.dat", "5 1000", "Succesfully Executed"}));
  const tKELMO_Params& global = kelmo_params();
  EXPECT_EQ(global.DATA_QUERY_PERIOD_MS, 1000);
  EXPECT_EQ(global.ChannelsQuantity, 8);
  EXPECT_EQ(global.componentCount(), ownedBefore);
  EXPECT_EQ(global.ranges->assoc("1")->asInteger(), 0);
}

TEST_F(ScriptBindings, SetRangeStoresTheCodeOfTheGlobalObject) {
  const ScriptRun run = runScriptText(body("kelmo_params.setRange(3, 160); kelmo_params.setRange(2, 500);"));
  ASSERT_TRUE(run.succeeded) << test::joined(run.pane);
  EXPECT_EQ(kelmo_params().ranges->assoc("3")->asInteger(), 3);
  EXPECT_EQ(kelmo_params().ranges->assoc("2")->asInteger(), 2);
}

TEST_F(ScriptBindings, InvalidSetRangeEndsTheRunWithTheExceptionText) {
  struct Case {
    const char* call;
    const char* error;
  };
  const Case cases[] = {
      {"kelmo_params.setRange(8, 5000);",
       "Error while executing script: Exception: номер канала может быть от 0 до 7, а передано 8"},
      {"kelmo_params.setRange(0, 1000);",
       "Error while executing script: Exception: диапазон напряжения может быть 5000,1600,500 или 160мВ, а передано 1000"},
  };
  for (const Case& c : cases) {
    createGlobalParams();
    const ScriptRun run = runScriptText(body(std::string("kelmo_params.airDelay := 9;\n") + c.call + "\nwriteLn('not reached');"));
    EXPECT_FALSE(run.succeeded) << c.call;
    EXPECT_TRUE(run.shown) << c.call;
    EXPECT_EQ(executionLines(run), std::vector<std::string>{c.error}) << c.call;
    // What ran before the failure stays.
    EXPECT_EQ(kelmo_params().airDelay, 9) << c.call;
  }
}

TEST_F(ScriptBindings, RangesAreNotVisibleToScripts) {
  const ScriptRun run = runScriptText(body("writeLn(kelmo_params.ranges.name);"));
  EXPECT_FALSE(run.succeeded);
  ASSERT_FALSE(run.pane.empty());
  EXPECT_EQ(run.pane.front(), "Compiled Script: ");
  EXPECT_NE(test::joined(run.pane).find("[Error] (3:"), std::string::npos) << test::joined(run.pane);
  EXPECT_EQ(test::joined(run.pane).find("Succesfully compiled"), std::string::npos);
}

TEST_F(ScriptBindings, TtlInFillsItsVarArgument) {
  sim::SimConfig config;
  config.fixedTtlIn = 0xA5C3;
  useSimulator(config);
  const ScriptRun run = runScriptText(body(
      "w := 7;\n"
      "if pModule_init_e154 then writeLn('init ok');\n"
      "if pModule_TTL_IN(w) then writeLn('in ' + IntToStr(w)) else writeLn('in failed');"));
  ASSERT_TRUE(run.succeeded) << test::joined(run.pane);
  const std::vector<std::string> lines = executionLines(run);
  ASSERT_GE(lines.size(), 4u) << test::joined(run.pane);
  EXPECT_EQ(std::vector<std::string>(lines.end() - 4, lines.end()),
            (std::vector<std::string>{" SET_ADC_PARS --> OK", "init ok", "in " + std::to_string(0xA5C3),
                                      "Succesfully Executed"}));
}

TEST_F(ScriptBindings, TtlOutAndEnableReachTheModule) {
  const ScriptRun run = runScriptText(body(
      "pModule_init_e154;\n"
      "if pModule_ENABLE_TTL_OUT(true) then writeLn('enabled');\n"
      "if pModule_TTL_OUT($1234) then writeLn('written');"));
  ASSERT_TRUE(run.succeeded) << test::joined(run.pane);
  const std::vector<std::string> lines = executionLines(run);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 3], "enabled");
  EXPECT_EQ(lines[lines.size() - 2], "written");
  sim::SimModule* module = library_->lastModule();
  ASSERT_NE(module, nullptr);
  EXPECT_TRUE(module->ttlOutputsEnabled());
  EXPECT_EQ(module->ttlOutputs(), 0x1234);
  EXPECT_EQ(library_->calls(sim::Operation::ENABLE_TTL_OUT), 1u);
  EXPECT_EQ(library_->calls(sim::Operation::TTL_OUT), 1u);
}

TEST_F(ScriptBindings, FailingModuleCallsReturnFalse) {
  sim::SimConfig config;
  for (const sim::Operation op : {sim::Operation::ENABLE_TTL_OUT, sim::Operation::TTL_OUT, sim::Operation::TTL_IN}) {
    config.faults[static_cast<std::size_t>(op)].mode = sim::Fault::Mode::Always;
  }
  useSimulator(config);
  const ScriptRun run = runScriptText(body(
      "pModule_init_e154;\n"
      "if not pModule_ENABLE_TTL_OUT(false) then writeLn('enable false');\n"
      "if not pModule_TTL_OUT(1) then writeLn('out false');\n"
      "w := 9; if not pModule_TTL_IN(w) then writeLn('in false ' + IntToStr(w));"));
  ASSERT_TRUE(run.succeeded) << test::joined(run.pane);
  const std::vector<std::string> lines = executionLines(run);
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(lines.end() - 4, lines.end() - 1),
            (std::vector<std::string>{"enable false", "out false", "in false 9"}));
}

TEST_F(ScriptBindings, DigitalIoWithoutAModuleReturnsFalseAndCallsNothing) {
  const ScriptRun run = runScriptText(body(
      "if not pModule_ENABLE_TTL_OUT(true) then writeLn('enable false');\n"
      "if not pModule_TTL_OUT(1) then writeLn('out false');\n"
      "w := 9; if not pModule_TTL_IN(w) then writeLn('in false ' + IntToStr(w));"));
  ASSERT_TRUE(run.succeeded) << test::joined(run.pane);
  EXPECT_EQ(executionLines(run),
            (std::vector<std::string>{"enable false", "out false", "in false 9", "Succesfully Executed"}));
  EXPECT_EQ(library_->modulesCreated(), 0u);
}

TEST_F(ScriptBindings, FailingInitWritesItsFailureTextTwiceAndTheScriptGoesOn) {
  sim::SimConfig config;
  config.slot = -1;
  useSimulator(config);
  const ScriptRun run = runScriptText(body(
      "if not pModule_init_e154 then writeLn('init failed');\nwriteLn('after');"));
  ASSERT_TRUE(run.succeeded) << test::joined(run.pane);
  const std::string failure = "Не удалось обнаружить модуль E-154 в первых 127 виртуальных слотах!";
  EXPECT_EQ(executionLines(run), (std::vector<std::string>{" DLL Version --> OK", " Module Interface --> OK", failure,
                                                           failure, "init failed", "after", "Succesfully Executed"}));
}

TEST_F(ScriptBindings, WithNoModuleLibraryTheModuleFunctionsReturnFalseWithATextNotAnException) {
  setModuleLibrary(nullptr);
  const ScriptRun run = runScriptText(body(
      "if not pModule_init_e154 then writeLn('init false');\n"
      "if not pModule_TTL_OUT(1) then writeLn('out false');"));
  ASSERT_TRUE(run.succeeded) << test::joined(run.pane);
  EXPECT_EQ(executionLines(run), (std::vector<std::string>{kNoModuleLibrary, kNoModuleLibrary, "init false",
                                                           kNoModuleLibrary, "out false", "Succesfully Executed"}));
}

TEST_F(ScriptBindings, InitIsRefusedWhileATestRunIsActive) {
  for (const std::uint8_t state : {TestStarting, TestRunning, TestFinishing}) {
    setTestState(state);
    const ScriptRun run = runScriptText(body("if not pModule_init_e154 then writeLn('refused');"));
    ASSERT_TRUE(run.succeeded) << test::joined(run.pane);
    EXPECT_EQ(executionLines(run),
              (std::vector<std::string>{"Ошибка: тест уже запущен!", "refused", "Succesfully Executed"}));
    EXPECT_EQ(library_->modulesCreated(), 0u);
  }
  setTestState(TestIdle);
}

TEST_F(ScriptBindings, AGeneratorThatCannotStartEndsTheRunWithItsReason) {
  setSoundStreamsFactory([]() -> std::shared_ptr<SoundStreams> {
    throw std::runtime_error("sound device \"test\": not connected");
  });
  const ScriptRun run = runScriptText(body("stopAsymmetricDischarge;\nwriteLn('stopped');\nstartAsymmetricDischarge;"));
  setSoundStreamsFactory({});
  EXPECT_FALSE(run.succeeded);
  EXPECT_EQ(executionLines(run),
            (std::vector<std::string>{"stopped", "Error while executing script: Exception: sound device \"test\": not connected"}));
}

TEST_F(ScriptBindings, ShowMessageAndWriteLnKeepTheirOrder) {
  const ScriptRun run = runScriptText(body("writeLn('one'); showMessage('Привет'); writeLn('two');"));
  ASSERT_TRUE(run.succeeded);
  EXPECT_EQ(executionLines(run), (std::vector<std::string>{"one", "two", "Succesfully Executed"}));
  EXPECT_EQ(run.messages, std::vector<std::string>{"Привет"});
}

TEST_F(ScriptBindings, OnlyTheOfferedDeclarationsAreThere) {
  // Import groups that load libraries or make windows are not offered.
  for (const char* use : {"TForm.Create(nil);", "LoadLibrary('libc.so.6');", "TButton.Create(nil);"}) {
    const ScriptRun run = runScriptText(body(use));
    EXPECT_FALSE(run.succeeded) << use;
    EXPECT_FALSE(run.pane.empty());
  }
}

}  // namespace
}  // namespace kelmo
