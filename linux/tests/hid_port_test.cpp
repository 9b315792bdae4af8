// What the line monitor makes of a USB UPS's reading: the flag word the
// stability filter watches, and the autonomy figures of its own estimate.
#include <gtest/gtest.h>

#include "linux/hid_port.h"

namespace {

using core::HidUpsReading;

TEST(HidFlagWordTest, MainsFailureAndCriticalBatteryFromTheUsages) {
  HidUpsReading r;
  EXPECT_EQ(HidFlagWord(r), 0) << "nothing said yet: mains present, battery sound";
  r.ac_present = false;
  EXPECT_EQ(HidFlagWord(r), kHidMainsFailure);
  r.ac_present = true;
  r.discharging = true;
  EXPECT_EQ(HidFlagWord(r), 0) << "on line and discharging: calibrating, not a mains failure";
  r.ac_present.reset();
  EXPECT_EQ(HidFlagWord(r), kHidMainsFailure) << "Discharging speaks where ACPresent is absent";
  r.discharging = false;
  r.charging = true;
  EXPECT_EQ(HidFlagWord(r), 0);
  r.below_remaining_capacity_limit = true;
  EXPECT_EQ(HidFlagWord(r), kHidBatteryCritical);
  r.below_remaining_capacity_limit = false;
  r.shutdown_imminent = true;
  r.ac_present = false;
  EXPECT_EQ(HidFlagWord(r), kHidMainsFailure | kHidBatteryCritical);
}

TEST(HidRuntimeFiguresTest, TheEstimateCutToTheBlockAndTheLongestKept) {
  HidPort port;
  EXPECT_FALSE(HidRuntimeFigures(&port)) << "no estimate: the linear model stays";
  port.ups.reading.runtime_seconds = 1500.6;
  auto f = HidRuntimeFigures(&port);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->autonomy_left_s, 1500);
  EXPECT_EQ(f->autonomy_nominal_s, 1500);
  EXPECT_FALSE(f->autonomy_full_s) << "the worker's, at the discharge's start";
  EXPECT_FALSE(f->time_on_battery_s);
  port.ups.reading.runtime_seconds = 300;
  f = HidRuntimeFigures(&port);
  EXPECT_EQ(f->autonomy_left_s, 300);
  EXPECT_EQ(f->autonomy_nominal_s, 1500);
  // A 16-bit estimate above what the block's signed figure holds, and one
  // below zero.
  port.ups.reading.runtime_seconds = 65535;
  f = HidRuntimeFigures(&port);
  EXPECT_EQ(f->autonomy_left_s, 32767);
  EXPECT_EQ(f->autonomy_nominal_s, 32767);
  port.ups.reading.runtime_seconds = -5;
  EXPECT_EQ(HidRuntimeFigures(&port)->autonomy_left_s, 0);
}

}  // namespace
