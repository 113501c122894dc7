#include "sim/sim_module.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string>

#include "acquisition/cancel_pending_reads.h"
#include "read_request.h"
#include "sim/adc_model.h"
#include "sim/sim_library.h"

namespace kelmo::sim {
namespace {

using namespace std::chrono_literals;

SimConfig quietConfig() {
  SimConfig config;
  config.latency = 0us;
  return config;
}

// An opened module of the library.
ILE154* openModule(SimLibrary& library) {
  ILE154* module = library.CreateLInstance("e154");
  EXPECT_NE(module, nullptr);
  if (module != nullptr) {
    EXPECT_TRUE(module->OpenLDevice(static_cast<WORD>(library.config().slot)));
  }
  return module;
}

ADC_PARS_E154 configure(ILE154* module, WORD channels, const WORD* entries, double rateKHz) {
  ADC_PARS_E154 pars{};
  EXPECT_TRUE(module->GET_ADC_PARS(&pars));
  pars.ChannelsQuantity = channels;
  for (WORD i = 0; i < channels; ++i) pars.ControlTable[i] = entries[i];
  pars.AdcRate = rateKHz;
  pars.InterKadrDelay = 0.0;
  EXPECT_TRUE(module->SET_ADC_PARS(&pars));
  return pars;
}

TEST(SimModuleTest, IdentityAsTheProgramLooksItUp) {
  SimLibrary library(quietConfig());
  EXPECT_EQ(library.GetDllVersion(), 0x00030004u);
  EXPECT_EQ(library.CreateLInstance("e140"), nullptr);
  EXPECT_EQ(library.CreateLInstance("E154"), nullptr);
  ILE154* module = library.CreateLInstance("e154");
  ASSERT_NE(module, nullptr);
  for (WORD slot = 1; slot < 127; ++slot) EXPECT_FALSE(module->OpenLDevice(slot)) << slot;
  EXPECT_EQ(module->OpenLDevice(0), kModuleTrue);

  char name[32];
  std::memset(name, 'x', sizeof name);
  ASSERT_TRUE(module->GetModuleName(name));
  EXPECT_STREQ(name, "E154");
  BYTE speed = 0;
  ASSERT_TRUE(module->GetUsbSpeed(&speed));
  EXPECT_NE(speed, 0);

  MODULE_DESCRIPTION_E154 description{};
  ASSERT_TRUE(module->GET_MODULE_DESCRIPTION(&description));
  auto textAt = [&](std::size_t offset) { return std::string(reinterpret_cast<const char*>(description.bytes) + offset); };
  EXPECT_EQ(textAt(kDescriptionSerialOffset), "1E154SIM0042");
  EXPECT_EQ(textAt(kDescriptionRevisionOffset), "B");
  EXPECT_EQ(textAt(kDescriptionMcuVersionOffset), "2.10");
  EXPECT_EQ(textAt(kDescriptionMcuTextOffset), "simulated");

  EXPECT_NE(module->GetDeviceHandle(), nullptr);
  EXPECT_EQ(module->ReleaseLInstance(), kModuleTrue);
  EXPECT_FALSE(module->GetUsbSpeed(&speed)) << "a released module answers nothing";
}

TEST(SimModuleTest, ConfiguredIdentityFaults) {
  SimConfig config = quietConfig();
  config.version = 0x00030005;
  config.slot = 5;
  config.name = "E1545";
  config.highSpeedUsb = false;
  SimLibrary library(config);
  EXPECT_EQ(library.GetDllVersion(), 0x00030005u);
  ILE154* module = library.CreateLInstance("e154");
  ASSERT_NE(module, nullptr);
  EXPECT_FALSE(module->OpenLDevice(0));
  EXPECT_TRUE(module->OpenLDevice(5));
  char name[32] = {};
  ASSERT_TRUE(module->GetModuleName(name));
  EXPECT_STREQ(name, "E1545");
  BYTE speed = 9;
  ASSERT_TRUE(module->GetUsbSpeed(&speed));
  EXPECT_EQ(speed, 0);

  config.interfaceAvailable = false;
  EXPECT_EQ(SimLibrary(config).CreateLInstance("e154"), nullptr);
  config = quietConfig();
  config.slot = -1;
  SimLibrary empty(config);
  ILE154* noModule = empty.CreateLInstance("e154");
  ASSERT_NE(noModule, nullptr);
  for (WORD slot = 0; slot < 127; ++slot) EXPECT_FALSE(noModule->OpenLDevice(slot)) << slot;
}

TEST(SimModuleTest, OperationFailsAlwaysOnceOrFromItsNthCall) {
  SimConfig config = quietConfig();
  config.faults[static_cast<std::size_t>(Operation::TTL_OUT)] = {Fault::Mode::Always, 0};
  config.faults[static_cast<std::size_t>(Operation::TTL_IN)] = {Fault::Mode::Once, 0};
  config.faults[static_cast<std::size_t>(Operation::ENABLE_TTL_OUT)] = {Fault::Mode::From, 3};
  SimLibrary library(config);
  ILE154* module = openModule(library);
  WORD word = 0;
  const bool ttlOut[] = {module->TTL_OUT(1) != 0, module->TTL_OUT(2) != 0, module->TTL_OUT(3) != 0};
  const bool ttlIn[] = {module->TTL_IN(&word) != 0, module->TTL_IN(&word) != 0, module->TTL_IN(&word) != 0};
  const bool enable[] = {module->ENABLE_TTL_OUT(kModuleTrue) != 0, module->ENABLE_TTL_OUT(0) != 0,
                         module->ENABLE_TTL_OUT(kModuleTrue) != 0, module->ENABLE_TTL_OUT(0) != 0};
  EXPECT_EQ(std::vector<bool>(std::begin(ttlOut), std::end(ttlOut)), (std::vector<bool>{false, false, false}));
  EXPECT_EQ(std::vector<bool>(std::begin(ttlIn), std::end(ttlIn)), (std::vector<bool>{false, true, true}));
  EXPECT_EQ(std::vector<bool>(std::begin(enable), std::end(enable)), (std::vector<bool>{true, true, false, false}));
  EXPECT_EQ(library.calls(Operation::TTL_OUT), 3u);
  EXPECT_EQ(library.calls(Operation::ENABLE_TTL_OUT), 4u);
  EXPECT_EQ(library.calls(Operation::OpenLDevice), 1u);

  // "once" is once for the library, not once per interface.
  ILE154* second = openModule(library);
  EXPECT_TRUE(second->TTL_IN(&word));
}

TEST(SimModuleTest, DigitalInputsFollowDrivenOutputsOrAFixedWord) {
  SimLibrary loop(quietConfig());
  ILE154* module = openModule(loop);
  struct Step {
    bool enable;
    WORD out;
    WORD expectedIn;
  };
  const Step steps[] = {{false, 0xFFFF, 0}, {true, 0xFFFF, 0xFFFF}, {true, 0xA5C3, 0xA5C3}, {true, 0, 0},
                        {false, 0x0003, 0}, {true, 0x0003, 0x0003}};
  for (const Step& s : steps) {
    ASSERT_TRUE(module->ENABLE_TTL_OUT(s.enable ? kModuleTrue : 0));
    ASSERT_TRUE(module->TTL_OUT(s.out));
    WORD in = 0x5555;
    ASSERT_TRUE(module->TTL_IN(&in));
    EXPECT_EQ(in, s.expectedIn) << s.enable << " " << s.out;
  }

  SimConfig config = quietConfig();
  config.fixedTtlIn = 0x0002;
  SimLibrary fixed(config);
  module = openModule(fixed);
  ASSERT_TRUE(module->ENABLE_TTL_OUT(kModuleTrue));
  ASSERT_TRUE(module->TTL_OUT(0xFFFF));
  WORD in = 0;
  ASSERT_TRUE(module->TTL_IN(&in));
  EXPECT_EQ(in, 0x0002);
}

TEST(SimModuleTest, SettingsWriteBackTheActualRatesAndKeepTheRest) {
  SimLibrary library(quietConfig());
  ILE154* module = openModule(library);
  ADC_PARS_E154 before{};
  ASSERT_TRUE(module->GET_ADC_PARS(&before));
  const WORD entries[] = {0, 65, 130, 195};
  ADC_PARS_E154 pars = configure(module, 4, entries, 3.3);
  EXPECT_DOUBLE_EQ(pars.AdcRate, 24000.0 / 7273);
  EXPECT_DOUBLE_EQ(pars.KadrRate, pars.AdcRate / 4);
  ADC_PARS_E154 after{};
  ASSERT_TRUE(module->GET_ADC_PARS(&after));
  EXPECT_EQ(std::memcmp(&after, &pars, sizeof pars), 0);
  EXPECT_EQ(after.SynchroParams[1], before.SynchroParams[1]);

  pars.ChannelsQuantity = 0;
  EXPECT_FALSE(module->SET_ADC_PARS(&pars));
  pars.ChannelsQuantity = 17;
  EXPECT_FALSE(module->SET_ADC_PARS(&pars));
}

TEST(SimModuleTest, ProcessOnePointUsesTheRangeOfTheTableEntry) {
  SimLibrary library(quietConfig());
  ILE154* module = openModule(library);
  for (int range = 0; range < 4; ++range) {
    const double fullScale = kRangeFullScaleMv[range] / 1000.0;
    const DWORD entry = static_cast<DWORD>(range * 64 + 3);
    for (double fraction : {-1.0, -0.37, 0.0, 0.001, 0.5, 1.0}) {
      const double volts = fraction * fullScale;
      double back = 1e9;
      ASSERT_TRUE(module->ProcessOnePoint(quantise(volts, range), &back, entry, kModuleTrue, kModuleTrue));
      EXPECT_NEAR(back, volts, fullScale / kCodesAtFullScale) << range << " " << fraction;
    }
  }
}

// Unpaced: blocks are filled in the call, so the stream can be checked without a thread.
TEST(SimModuleTest, UnpacedStreamIsContinuousAcrossBlocksInEveryRange) {
  for (int range = 0; range < 4; ++range) {
    SimConfig config = quietConfig();
    config.paced = false;
    const double fullScale = kRangeFullScaleMv[range] / 1000.0;
    config.signals[2] = Signal{0.1 * fullScale, 0.8 * fullScale, 37.0, 0.0, 0.3};
    config.signals[5] = Signal{-0.25 * fullScale, 0.0, 0.0, 0.0, 0.0};
    SimLibrary library(config);
    ILE154* module = openModule(library);
    const WORD entries[] = {static_cast<WORD>(range * 64 + 2), static_cast<WORD>(range * 64 + 5)};
    const ADC_PARS_E154 pars = configure(module, 2, entries, 10.0);

    ReadRequest first(96), second(96);
    ASSERT_TRUE(module->ReadData(&first.request));
    EXPECT_FALSE(first.event.waitFor(0ms)) << "nothing before START_ADC";
    ASSERT_TRUE(module->START_ADC());
    ASSERT_TRUE(first.event.waitFor(0ms));
    ASSERT_TRUE(module->ReadData(&second.request));
    ASSERT_TRUE(second.event.waitFor(0ms));

    std::vector<std::int16_t> stream(first.buffer);
    stream.insert(stream.end(), second.buffer.begin(), second.buffer.end());
    const double oneCode = fullScale / kCodesAtFullScale;
    for (std::size_t i = 0; i < stream.size(); ++i) {
      const std::size_t frame = i / 2;
      double volts = 0;
      ASSERT_TRUE(module->ProcessOnePoint(stream[i], &volts, entries[i % 2], kModuleTrue, kModuleTrue));
      double expected = -0.25 * fullScale;
      if (i % 2 == 0) {
        const double t = frame / (pars.KadrRate * 1000.0);
        expected = 0.1 * fullScale + 0.8 * fullScale * std::sin(2 * std::numbers::pi * 37.0 * t + 0.3);
      }
      ASSERT_NEAR(volts, expected, oneCode * 1.001) << "range " << range << " sample " << i;
    }
    ASSERT_TRUE(module->STOP_ADC());
  }
}

TEST(SimModuleTest, NoiseIsRepeatableForASeed) {
  auto streamWithSeed = [](std::uint64_t seed) {
    SimConfig config = quietConfig();
    config.paced = false;
    config.seed = seed;
    SimLibrary library(config);
    ILE154* module = openModule(library);
    const WORD entries[] = {0, 1, 2, 3, 4, 5, 6, 7};
    configure(module, 8, entries, 4.0);
    ReadRequest request(800);
    EXPECT_TRUE(module->START_ADC());
    EXPECT_TRUE(module->ReadData(&request.request));
    EXPECT_TRUE(request.event.waitFor(0ms));
    return request.buffer;
  };
  EXPECT_EQ(streamWithSeed(7), streamWithSeed(7));
  EXPECT_NE(streamWithSeed(7), streamWithSeed(8));
}

TEST(SimModuleTest, CancelWithdrawsOnlyTheCallingThreadsReads) {
  SimConfig config = quietConfig();
  SimLibrary library(config);
  ILE154* module = openModule(library);
  const WORD entries[] = {0};
  configure(module, 1, entries, 1.0);
  ReadRequest request(64);
  ASSERT_TRUE(module->ReadData(&request.request));
  auto* sim = simModuleOf(module);
  ASSERT_NE(sim, nullptr);
  EXPECT_EQ(sim->counters().pendingReads, 1u);
  EXPECT_TRUE(sim->cancelIo(std::thread::id()));  // no such thread: nothing of ours
  EXPECT_EQ(sim->counters().pendingReads, 1u);
  EXPECT_TRUE(cancelPendingReads(module->GetDeviceHandle()));
  EXPECT_EQ(sim->counters().pendingReads, 0u);
  EXPECT_TRUE(request.event.waitFor(0ms)) << "a cancelled read completes";
  EXPECT_EQ(request.overlapped.InternalHigh, 0u);
  EXPECT_FALSE(cancelPendingReads(nullptr));
}

TEST(SimModuleTest, FailedCancelStillLeavesNoReadBehind) {
  SimConfig config = quietConfig();
  config.faults[static_cast<std::size_t>(Operation::CancelIo)] = {Fault::Mode::Always, 0};
  SimLibrary library(config);
  ILE154* module = openModule(library);
  ReadRequest request(64);
  ASSERT_TRUE(module->ReadData(&request.request));
  EXPECT_FALSE(cancelPendingReads(module->GetDeviceHandle()));
  EXPECT_EQ(simModuleOf(module)->counters().pendingReads, 0u);
  EXPECT_FALSE(request.event.waitFor(0ms));
}

TEST(SimModuleTest, ReadDataRefusesIncompleteRequests) {
  SimLibrary library(quietConfig());
  ILE154* module = openModule(library);
  ReadRequest request(16);
  EXPECT_FALSE(module->ReadData(nullptr));
  request.request.NumberOfWordsToPass = 0;
  EXPECT_FALSE(module->ReadData(&request.request));
  request.request.NumberOfWordsToPass = 16;
  request.overlapped.hEvent = nullptr;
  EXPECT_FALSE(module->ReadData(&request.request));
  EXPECT_EQ(simModuleOf(module)->counters().pendingReads, 0u);
}

}  // namespace
}  // namespace kelmo::sim
