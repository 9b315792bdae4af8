#include <cstdint>
#include <gtest/gtest.h>

#include "linux/autonomy.h"

namespace {

TEST(AutonomyTextTest, MinutesRoundedUpFromTwoMinutesOn) {
  EXPECT_EQ(AutonomyText(600), "Autonomia = 10 (600) minutos");
  EXPECT_EQ(AutonomyText(90), "Autonomia = 2 (90) minutos");
  EXPECT_EQ(AutonomyText(61), "Autonomia = 2 (61) minutos");
  EXPECT_EQ(AutonomyText(60), "Automonia = 60 segundos");
  EXPECT_EQ(AutonomyText(1), "Automonia = 1 segundos");
  EXPECT_EQ(AutonomyText(0), "Automonia = 0 segundos");
  EXPECT_EQ(AutonomyText(2147483640), "Autonomia = 35791394 (2147483640) minutos");
  EXPECT_EQ(AutonomyText(INT32_MAX), "Autonomia = 35791395 (2147483647) minutos");
}

TEST(RechargeEstimateTest, LinearRefillOfTheFullAutonomy) {
  // 10 minutes of autonomy, 1 hour of recharge, 120 s spent on battery.
  EXPECT_EQ(RechargeEstimate(480, 0, 3600, 600), 480);
  EXPECT_EQ(RechargeEstimate(480, 360, 3600, 600), 540);  // 6 minutes in
  EXPECT_EQ(RechargeEstimate(480, 720, 3600, 600), 600);  // full after 12 minutes
  EXPECT_EQ(RechargeEstimate(480, 5, 3600, 600), 480);    // cut to whole seconds
  EXPECT_EQ(RechargeEstimate(0, 3600, 3600, 600), 600);
}

TEST(RechargeEstimateTest, NoRechargeTimeIsFullAtOnce) {
  EXPECT_EQ(RechargeEstimate(100, 0, 0, 600), 600);
  EXPECT_EQ(RechargeEstimate(100, 0, -3600, 600), 600);
}

TEST(RechargeEstimateTest, LargestAutonomiesNeverOverflowNorPassTheFull) {
  // The largest autonomy the configuration admits, one hour of recharge.
  const int total = (INT32_MAX / 60) * 60;
  EXPECT_EQ(RechargeEstimate(total - 10, 5, 3600, total), total);
  EXPECT_EQ(RechargeEstimate(total - 10, 0, 3600, total), total - 10);
  EXPECT_EQ(RechargeEstimate(0, 1800, 3600, total), total / 2);
  EXPECT_EQ(RechargeEstimate(total, 7200, 3600, total), total);
  EXPECT_EQ(RechargeEstimate(1, INT32_MAX, 1, total), total);
  // Never above the full autonomy, on any figures.
  for (int elapsed : {0, 1, 59, 3599, 3600, 3601, 100000})
    EXPECT_LE(RechargeEstimate(480, elapsed, 3600, 600), 600);
}

}  // namespace
