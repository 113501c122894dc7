#include "sim/sim_config.h"

#include <gtest/gtest.h>


#include "sim/sim_library.h"

namespace kelmo::sim {
namespace {

TEST(SimConfigTest, EveryKeyChangesItsSetting) {
  SimConfig config;
  std::string error;
  ASSERT_TRUE(parseSimConfig(
      "version=3.5; slot=5;name=e154;serial=SN77;usb=full;no_interface=1;latency_us=250;paced=0;"
      "ttl_in=0x00A5;seed=99;signal=4:1.5:0.25:2:0.001:0.5;late_blocks=3;late_ms=4000;",
      config, error))
      << error;
  EXPECT_EQ(config.version, 0x00030005u);
  EXPECT_EQ(config.slot, 5);
  EXPECT_EQ(config.name, "e154");
  EXPECT_EQ(config.serialNumber, "SN77");
  EXPECT_FALSE(config.highSpeedUsb);
  EXPECT_FALSE(config.interfaceAvailable);
  EXPECT_EQ(config.latency, std::chrono::microseconds(250));
  EXPECT_FALSE(config.paced);
  EXPECT_EQ(config.fixedTtlIn, std::optional<std::uint16_t>(0xA5));
  EXPECT_EQ(config.seed, 99u);
  EXPECT_DOUBLE_EQ(config.signals[4].dc, 1.5);
  EXPECT_DOUBLE_EQ(config.signals[4].amplitude, 0.25);
  EXPECT_DOUBLE_EQ(config.signals[4].frequencyHz, 2.0);
  EXPECT_DOUBLE_EQ(config.signals[4].noise, 0.001);
  EXPECT_DOUBLE_EQ(config.signals[4].phase, 0.5);
  EXPECT_DOUBLE_EQ(config.signals[3].dc, rigSignals()[3].dc) << "other channels keep theirs";
  EXPECT_EQ(config.lateFromBlock, 3u);
  EXPECT_EQ(config.lateBy, std::optional<std::chrono::milliseconds>(4000));

  ASSERT_TRUE(parseSimConfig("slot=none;ttl_in=loop;no_interface=0", config, error)) << error;
  EXPECT_EQ(config.slot, -1);
  EXPECT_FALSE(config.fixedTtlIn.has_value());
  EXPECT_TRUE(config.interfaceAvailable);
}

TEST(SimConfigTest, FaultKeysTakeOperationNamesAsWritten) {
  SimConfig config;
  std::string error;
  ASSERT_TRUE(parseSimConfig("fail=START_ADC,GetModuleName;fail_once=TTL_IN;fail_from=ReadData:4,CancelIo:1",
                             config, error))
      << error;
  auto fault = [&](Operation op) { return config.faults[static_cast<std::size_t>(op)]; };
  EXPECT_EQ(fault(Operation::START_ADC).mode, Fault::Mode::Always);
  EXPECT_EQ(fault(Operation::GetModuleName).mode, Fault::Mode::Always);
  EXPECT_EQ(fault(Operation::TTL_IN).mode, Fault::Mode::Once);
  EXPECT_EQ(fault(Operation::ReadData).mode, Fault::Mode::From);
  EXPECT_EQ(fault(Operation::ReadData).fromCall, 4u);
  EXPECT_EQ(fault(Operation::CancelIo).fromCall, 1u);
  EXPECT_EQ(fault(Operation::STOP_ADC).mode, Fault::Mode::Never);

  for (std::string_view name : kOperationNames) {
    SimConfig one;
    ASSERT_TRUE(parseSimConfig("fail=" + std::string(name), one, error)) << error;
    EXPECT_EQ(one.faults[static_cast<std::size_t>(*operationNamed(name))].mode, Fault::Mode::Always) << name;
  }
}

TEST(SimConfigTest, MalformedPairIsRefusedByNameAndChangesNothing) {
  struct Case {
    const char* text;
    const char* pair;
  };
  const Case cases[] = {
      {"version=3", "version=3"},
      {"version=3.x", "version=3.x"},
      {"slot=5;slot=-1", "slot=-1"},
      {"fail=start_adc", "fail=start_adc"},
      {"fail=START_ADC,Nope", "fail=START_ADC,Nope"},
      {"fail_from=TTL_OUT", "fail_from=TTL_OUT"},
      {"fail_from=TTL_OUT:0", "fail_from=TTL_OUT:0"},
      {"signal=8:1:0:0:0", "signal=8:1:0:0:0"},
      {"signal=1:1:0:0", "signal=1:1:0:0"},
      {"signal=1:x:0:0:0", "signal=1:x:0:0:0"},
      {"signal=1:1:0:-2:0", "signal=1:1:0:-2:0"},
      {"ttl_in=65536", "ttl_in=65536"},
      {"paced=yes", "paced=yes"},
      {"usb=slow", "usb=slow"},
      {"late_blocks=0", "late_blocks=0"},
      {"latency_us=-1", "latency_us=-1"},
      {"name=0123456789012345678901234567890123", "name=0123456789012345678901234567890123"},
      {"colour=red", "colour=red"},
      {"version=3.5;justtext", "justtext"},
      {"=5", "=5"},
  };
  for (const Case& c : cases) {
    SimConfig config;
    config.slot = 7;
    std::string error;
    EXPECT_FALSE(parseSimConfig(c.text, config, error)) << c.text;
    EXPECT_NE(error.find(std::string("\"") + c.pair + "\""), std::string::npos) << c.text << " -> " << error;
    EXPECT_EQ(config.slot, 7) << c.text;
    EXPECT_EQ(config.version, 0x00030004u) << c.text;
  }
}

}  // namespace
}  // namespace kelmo::sim
