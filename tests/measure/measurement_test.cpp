#include "measure/measurement.h"

#include <gtest/gtest.h>

#include <array>

#include "acquisition/run_state.h"
#include "config/kelmo_params.h"

namespace kelmo {
namespace {

class MeasurementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    createGlobalParams();
    resetRunState();
    resetMeasurement();
  }
  void TearDown() override { destroyGlobalParams(); }

  static void compute(const std::array<double, 6>& volts, double irScale = 1.0) {
    kelmo_params().IrScale = irScale;
    for (std::size_t c = 0; c < volts.size(); ++c) ChannelVolts[c] = volts[c];
    calcMeasuredValues();
  }
};

TEST_F(MeasurementTest, ChannelsOneToSixGiveEveryQuantity) {
  compute({1, 2, 3, 4, 5, 6});
  EXPECT_DOUBLE_EQ(MeasuredValues[kUr], 1);
  EXPECT_DOUBLE_EQ(MeasuredValues[kIr], 2);
  EXPECT_DOUBLE_EQ(MeasuredValues[kUref], 3);
  EXPECT_NEAR(MeasuredValues[kP], 105.072816, 1e-6);
  EXPECT_NEAR(MeasuredValues[kA], 13.856621, 1e-6);  // P above 60: the line through points 1 and 8
  EXPECT_DOUBLE_EQ(MeasuredValues[kW], 2);
  EXPECT_DOUBLE_EQ(R, 0.5);
  EXPECT_DOUBLE_EQ(Ua, 4);
  EXPECT_DOUBLE_EQ(Up, 5);
  EXPECT_DOUBLE_EQ(U6, 6);
}

TEST_F(MeasurementTest, ZeroVoltsTakeNoOffsetBelowPZero) {
  compute({0, 0, 0, 0, 0, 0});
  EXPECT_NEAR(MeasuredValues[kP], -4.150485, 1e-6);
  EXPECT_DOUBLE_EQ(MeasuredValues[kA], 0);
  EXPECT_DOUBLE_EQ(MeasuredValues[kW], 0);
  EXPECT_DOUBLE_EQ(R, 1000);

  compute({0, 0, 0, 0.3, 0.1, 0});
  EXPECT_NEAR(MeasuredValues[kP], -1.966019, 1e-6);
  EXPECT_NEAR(MeasuredValues[kA], 0.3 * 15 / 3.97, 1e-12);
  EXPECT_NEAR(MeasuredValues[kA], 1.133501, 1e-6);
}

TEST_F(MeasurementTest, CalcASegments) {
  struct Case {
    double p;
    double u;
    double expected;
  };
  const Case cases[] = {
      {0.0, 1.0, 3.778338},        // degenerate first segment: nothing subtracted
      {-5.0, 1.0, 3.778338},       // below the table as well
      {0.000001, 1.0, 2.920655},   // the first real segment: about 0.227 V off
      {30.0, 1.0, (1.0 - 0.263) * 15 / 3.97},  // a table point ends its segment
      {25.5, 1.0, (1.0 - 0.2595) * 15 / 3.97}, // halfway between points 4 and 5
      {60.0, 1.0, (1.0 - 0.290) * 15 / 3.97},
      {70.0, 1.0, 2.646897},       // beyond the table: the line through (5, 238) and (60, 290)
  };
  for (const Case& c : cases) EXPECT_NEAR(calcA(c.p, c.u), c.expected, 1e-6) << "p = " << c.p;
}

TEST_F(MeasurementTest, CalcPIsTheCalibrationLineWithoutLimits) {
  EXPECT_NEAR(calcP(3.8 / 20), 0.0, 1e-12);
  EXPECT_NEAR(calcP(45.0 / 20), 45.0, 1e-12);
  EXPECT_NEAR(calcP(5.0), 105.072816, 1e-6);
  EXPECT_NEAR(calcP(-1.0), (-20 - 3.8) / 41.2 * 45, 1e-12);
}

TEST_F(MeasurementTest, ResistanceNearZeroCurrentAndClamps) {
  struct Case {
    double ur;
    double ir;
    double expected;
  };
  const Case cases[] = {
      {1, 0.00005, 1000}, {1, -0.00005, 1000},  // near zero, whatever the sign
      {1, -0.0005, -1000},                      // -2000 raised to the limit
      {1, 0.0005, 1000},                        // 2000 lowered to the limit
      {1, 0.0001, 1000},                        // exactly 1e-4 is not near zero: 10000 clamped
      {-3, 0.01, -300},
  };
  for (const Case& c : cases) {
    compute({c.ur, c.ir, 0, 0, 0, 0});
    EXPECT_DOUBLE_EQ(R, c.expected) << "Ur " << c.ur << " Ir " << c.ir;
  }
}

TEST_F(MeasurementTest, IrScaleHalvesCurrentAndPowerAndDoublesResistance) {
  compute({1, 2, 3, 4, 5, 6}, 2.0);
  EXPECT_DOUBLE_EQ(MeasuredValues[kIr], 1);
  EXPECT_DOUBLE_EQ(MeasuredValues[kW], 1);
  EXPECT_DOUBLE_EQ(R, 1.0);
}

TEST_F(MeasurementTest, ValuesStayUntilTheNextComputation) {
  compute({1, 2, 3, 4, 5, 6});
  ChannelVolts.fill(0.0);
  EXPECT_DOUBLE_EQ(MeasuredValues[kUref], 3);
  EXPECT_DOUBLE_EQ(U6, 6);
}

}  // namespace
}  // namespace kelmo
