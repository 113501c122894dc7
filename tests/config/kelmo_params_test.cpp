#include "config/kelmo_params.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/message_box.h"

namespace kelmo {
namespace {

// The code stored for every channel, in list order, as (key, code) pairs.
std::vector<std::pair<std::string, int>> rangeEntries(const tKELMO_Params& p) {
  std::vector<std::pair<std::string, int>> out;
  for (int i = 0; i < p.ranges->count(); ++i) out.emplace_back(p.ranges->nthName(i), p.ranges->nth(i)->asInteger());
  return out;
}

std::string setRangeError(tKELMO_Params& p, int channel, int rangeMV) {
  try {
    p.setRange(channel, rangeMV);
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(KelmoParams, ConstructorGivesEveryDefault) {
  tKELMO_Params p;
  EXPECT_EQ(p.DATA_QUERY_PERIOD_MS, 200);
  EXPECT_EQ(p.dataBuffersPerPeriod, 5);
  EXPECT_EQ(p.FileName, "test.dat");
  EXPECT_EQ(p.numOfDCIn, 2);
  EXPECT_EQ(p.ChannelsQuantity, 8);
  EXPECT_EQ(p.chartRangeSec, 30);
  EXPECT_EQ(p.adcRate, 4.0);
  EXPECT_EQ(p.IrScale, 1.0);
  EXPECT_EQ(p.airDelay, 0);
  EXPECT_EQ(p.airLength, 0);
  EXPECT_EQ(p.lowPassFilterK, 0.001);
  EXPECT_EQ(p.dischargeTimemS, 50.0);
  EXPECT_EQ(p.dischargeURel, 1.0);
  EXPECT_EQ(p.afterDischargePauseMs, 5.0);
  EXPECT_EQ(p.chargeTimemS, 1.0);
  EXPECT_EQ(p.chargeURel, -1.0);
  EXPECT_EQ(p.afterChargePauseMs, 5.0);
  const std::vector<std::pair<std::string, int>> expected{{"0", 0}, {"1", 0}, {"2", 0}, {"3", 0},
                                                          {"4", 0}, {"5", 0}, {"6", 0}, {"7", 0}};
  EXPECT_EQ(rangeEntries(p), expected);
  EXPECT_EQ(p.ranges->asPrintForm(), "('0' 0 '1' 0 '2' 0 '3' 0 '4' 0 '5' 0 '6' 0 '7' 0 )");
}

TEST(KelmoParams, RangesIsAnOwnedComponentOfTheObject) {
  tKELMO_Params p;
  ASSERT_EQ(p.componentCount(), 1);
  EXPECT_EQ(p.component(0), p.ranges);
  EXPECT_EQ(p.ranges->owner(), &p);
}

TEST(KelmoParams, SetRangeMapsEveryRangeToItsCode) {
  const struct {
    int rangeMV;
    int code;
  } cases[] = {{5000, 0}, {1600, 1}, {500, 2}, {160, 3}};
  for (const auto& c : cases) {
    tKELMO_Params p;
    p.setRange(6, c.rangeMV);
    EXPECT_EQ(p.ranges->assoc("6")->asInteger(), c.code) << c.rangeMV;
    EXPECT_EQ(p.ranges->count(), 8);
  }
}

TEST(KelmoParams, StoringAChannelAgainReplacesItsEntryInPlace) {
  tKELMO_Params p;
  p.setRange(3, 160);
  EXPECT_EQ(p.ranges->assoc("3")->asInteger(), 3);
  p.setRange(3, 1600);
  EXPECT_EQ(p.ranges->assoc("3")->asInteger(), 1);
  EXPECT_EQ(p.ranges->count(), 8);
  EXPECT_EQ(p.ranges->nthName(3), "3");
  EXPECT_EQ(p.ranges->asPrintForm(), "('0' 0 '1' 0 '2' 0 '3' 1 '4' 0 '5' 0 '6' 0 '7' 0 )");
}

TEST(KelmoParams, InvalidInputIsRefusedWithItsMessageAndChangesNothing) {
  const std::string channelText = "номер канала может быть от 0 до ";
  const std::string rangeText = "диапазон напряжения может быть 5000,1600,500 или 160мВ, а передано ";
  const struct {
    int channel;
    int rangeMV;
    std::string message;
  } cases[] = {
      {8, 5000, channelText + "7, а передано 8"},
      {-1, 5000, channelText + "7, а передано -1"},
      {0, 1000, rangeText + "1000"},
      {0, 0, rangeText + "0"},
      {0, -5000, rangeText + "-5000"},
      {9, 1000, channelText + "7, а передано 9"},  // the channel is checked first
      {-2147483647 - 1, 160, channelText + "7, а передано -2147483648"},
  };
  for (const auto& c : cases) {
    tKELMO_Params p;
    p.setRange(2, 500);
    const std::string before = p.ranges->asPrintForm();
    EXPECT_EQ(setRangeError(p, c.channel, c.rangeMV), c.message) << c.channel << " " << c.rangeMV;
    EXPECT_EQ(p.ranges->asPrintForm(), before);
  }
}

TEST(KelmoParams, ChannelBoundFollowsTheCurrentChannelCount) {
  tKELMO_Params p;
  p.ChannelsQuantity = 4;
  EXPECT_EQ(setRangeError(p, 5, 500), "номер канала может быть от 0 до 3, а передано 5");
  EXPECT_EQ(setRangeError(p, 4, 500), "номер канала может быть от 0 до 3, а передано 4");
  p.setRange(3, 500);
  EXPECT_EQ(p.ranges->asPrintForm(), "('0' 0 '1' 0 '2' 0 '3' 2 '4' 0 '5' 0 '6' 0 '7' 0 )");
}

class GlobalParams : public ::testing::Test {
 protected:
  void SetUp() override {
    previousBox_ = setMessageBoxHandler([this](const MessageBoxRequest& r) {
      boxes_.push_back(r);
      return BoxAnswer::Ok;
    });
  }
  void TearDown() override {
    setMessageBoxHandler(previousBox_);
    setSettingsScriptRunner(nullptr);
    destroyGlobalParams();
  }

  MessageBoxHandler previousBox_;
  std::vector<MessageBoxRequest> boxes_;
};

TEST_F(GlobalParams, ASecondObjectLeavesTheGlobalOneAlone) {
  createGlobalParams();
  tKELMO_Params& global = kelmo_params();
  {
    tKELMO_Params other(&global);  // even one owned by the global object
    other.setRange(0, 160);
    other.ChannelsQuantity = 2;
    other.adcRate = 100.0;
  }
  EXPECT_EQ(&kelmo_params(), &global);
  EXPECT_EQ(global.ranges->assoc("0")->asInteger(), 0);
  EXPECT_EQ(global.ChannelsQuantity, 8);
  EXPECT_EQ(global.adcRate, 4.0);
  EXPECT_EQ(global.componentCount(), 1);  // the destroyed object left its owner's list
}

TEST_F(GlobalParams, CreatingAgainResetsToDefaults) {
  createGlobalParams();
  kelmo_params().setRange(1, 500);
  kelmo_params().airDelay = 40;
  createGlobalParams();
  EXPECT_EQ(kelmo_params().ranges->assoc("1")->asInteger(), 0);
  EXPECT_EQ(kelmo_params().airDelay, 0);
}

TEST_F(GlobalParams, NoObjectIsAClearError) {
  destroyGlobalParams();
  EXPECT_THROW(kelmo_params(), std::logic_error);
}

TEST_F(GlobalParams, StartupRunsTheSettingsScriptOnTheSettingsFile) {
  std::vector<std::string> ranFiles;
  setSettingsScriptRunner([&](const std::string& file) {
    ranFiles.push_back(file);
    kelmo_params().setRange(7, 160);  // the script sees the new global object
    return true;
  });
  EXPECT_TRUE(initialiseParameters());
  EXPECT_EQ(ranFiles, std::vector<std::string>{"kelmo.ini"});
  EXPECT_EQ(SettingsFileName, "kelmo.ini");
  EXPECT_EQ(kelmo_params().ranges->assoc("7")->asInteger(), 3);
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(GlobalParams, StartupWithoutARunnerKeepsTheDefaults) {
  EXPECT_TRUE(initialiseParameters());
  EXPECT_EQ(kelmo_params().DATA_QUERY_PERIOD_MS, 200);
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(GlobalParams, FailedStartupShowsTheErrorBoxAndFails) {
  const std::function<bool(const std::string&)> failures[] = {
      [](const std::string&) { return false; },
      [](const std::string&) -> bool { throw std::runtime_error("cannot open kelmo.ini"); },
  };
  for (const auto& runner : failures) {
    boxes_.clear();
    setSettingsScriptRunner(runner);
    EXPECT_FALSE(initialiseParameters());
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].title, "Error");
    EXPECT_EQ(boxes_[0].text, "Не удалось инициализировать параметры программы");
    EXPECT_EQ(boxes_[0].icon, BoxIcon::Error);
    EXPECT_EQ(boxes_[0].buttons, BoxButtons::Ok);
  }
}

}  // namespace
}  // namespace kelmo
