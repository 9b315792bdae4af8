// The Linux stand-in's reading of a UPS battery, from a power_supply tree
// that the test writes in a folder of its own (never the real /sys).
#include "platform/ups_battery_linux.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/tests/support/temp_host_root.h"
#include "tests/support/power_supply_tree.h"

using platform::ReadPowerSupplyFolder;
using platform::UpsBatteryReading;

namespace {

class UpsBatteryTest : public ::testing::Test {
 protected:
  UpsBatteryReading Read() {
    UpsBatteryReading reading;
    std::string error;
    EXPECT_TRUE(ReadPowerSupplyFolder(tree.Folder(), &reading, &error)) << error;
    return reading;
  }
  TempHostRoot root;
  PowerSupplyTree tree{std::string(std::getenv("VIGIL20_HOST_ROOT")) + "/power_supply"};
};

TEST_F(UpsBatteryTest, MainsBatteryAndCriticalAsTheSuppliesSayThem) {
  UpsBatteryReading mains = Read();
  EXPECT_EQ(mains.present, true);
  EXPECT_EQ(mains.on_line, true);
  EXPECT_EQ(mains.discharging, false);
  EXPECT_EQ(mains.critical, false);
  EXPECT_EQ(mains.charge_percent, 100);
  EXPECT_EQ(mains.runtime_s, std::nullopt);
  EXPECT_EQ(mains.device, tree.Folder() + "/BAT0");

  tree.OnBattery(60, 840);
  UpsBatteryReading battery = Read();
  EXPECT_EQ(battery.on_line, false);
  EXPECT_EQ(battery.discharging, true);
  EXPECT_EQ(battery.critical, false);
  EXPECT_EQ(battery.charge_percent, 60);
  EXPECT_EQ(battery.runtime_s, 840);

  tree.OnBattery(3, 45);
  EXPECT_EQ(Read().critical, true);
  tree.OnMains(4);
  UpsBatteryReading recharging = Read();
  EXPECT_EQ(recharging.on_line, true);
  EXPECT_EQ(recharging.discharging, false);
}

TEST_F(UpsBatteryTest, WithoutCapacityTheChargeComesFromChargeNowOverFull) {
  tree.OnBattery(42, 100);
  tree.Remove("BAT0", "capacity");
  EXPECT_EQ(Read().charge_percent, 42);
  tree.Write("BAT0", "charge_now", "99000000");  // more than full: a full battery, no more
  EXPECT_EQ(Read().charge_percent, 100);
}

TEST_F(UpsBatteryTest, WithoutMainsSupplyTheStatusDecidesAndWithoutEitherNothingIsGuessed) {
  tree.OnBattery(50, 100);
  std::filesystem::remove_all(tree.Folder() + "/AC");
  EXPECT_EQ(Read().on_line, false);
  tree.Write("BAT0", "status", "Unknown");
  UpsBatteryReading unknown = Read();
  EXPECT_EQ(unknown.on_line, std::nullopt);
  EXPECT_EQ(unknown.discharging, std::nullopt);
}

TEST_F(UpsBatteryTest, ASupplyOfTypeUpsIsPreferredAndADevicesOwnBatteryIsNotTheUps) {
  // A mouse's battery sorts first and says it powers a device of its own.
  std::filesystem::create_directories(tree.Folder() + "/0mouse");
  tree.Write("0mouse", "type", "Battery");
  tree.Write("0mouse", "scope", "Device");
  tree.Write("0mouse", "status", "Discharging");
  EXPECT_EQ(Read().device, tree.Folder() + "/BAT0");

  std::filesystem::create_directories(tree.Folder() + "/ups");
  tree.Write("ups", "type", "UPS");
  tree.Write("ups", "online", "0");
  tree.Write("ups", "capacity", "77");
  UpsBatteryReading ups = Read();
  EXPECT_EQ(ups.device, tree.Folder() + "/ups");
  EXPECT_EQ(ups.on_line, false) << "the UPS's own online before the mains supply's";
  EXPECT_EQ(ups.charge_percent, 77);
}

TEST_F(UpsBatteryTest, TruncatedFlippedAndOverLongAttributesAreNotRead) {
  tree.OnBattery(60, 840);
  tree.Write("BAT0", "capacity", "");                    // truncated to nothing
  tree.Write("BAT0", "time_to_empty_now", "84x");        // a flipped byte
  tree.Write("BAT0", "present", "2");                    // neither 0 nor 1
  tree.Write("BAT0", "capacity_level", "Crit1cal");      // a flipped letter
  tree.Write("AC", "online", std::string(200, '1'));     // longer than any attribute
  tree.Write("BAT0", "status", "Discharging" + std::string(100, ' ') + "x");
  UpsBatteryReading r = Read();
  EXPECT_EQ(r.charge_percent, 60) << "from charge_now over charge_full";
  EXPECT_EQ(r.runtime_s, std::nullopt);
  EXPECT_EQ(r.present, std::nullopt);
  EXPECT_EQ(r.critical, std::nullopt);
  EXPECT_EQ(r.on_line, std::nullopt);
  EXPECT_EQ(r.discharging, std::nullopt);

  tree.Write("BAT0", "capacity", "101");
  tree.Write("BAT0", "time_to_empty_now", "-5");
  tree.Write("BAT0", "charge_full", "0");
  r = Read();
  EXPECT_EQ(r.charge_percent, std::nullopt);
  EXPECT_EQ(r.runtime_s, std::nullopt);
  tree.Write("BAT0", "time_to_empty_now", "99999999999999999999");
  EXPECT_EQ(Read().runtime_s, std::nullopt);
}

TEST_F(UpsBatteryTest, NoBatteryOrNoFolderIsAnErrorThatSaysWhere) {
  UpsBatteryReading reading;
  std::string error;
  std::filesystem::remove_all(tree.Folder() + "/BAT0");
  EXPECT_FALSE(ReadPowerSupplyFolder(tree.Folder(), &reading, &error));
  EXPECT_EQ(error, "no UPS or battery in " + tree.Folder());
  EXPECT_FALSE(ReadPowerSupplyFolder(tree.Folder() + "/none", &reading, &error));
  EXPECT_NE(error.find("opendir " + tree.Folder() + "/none"), std::string::npos) << error;
}

TEST_F(UpsBatteryTest, TheFolderReadIsTheOneNamedInTheEnvironment) {
  setenv(platform::kPowerSupplyVariable, tree.Folder().c_str(), 1);
  EXPECT_EQ(platform::PowerSupplyFolder(), tree.Folder());
  tree.OnBattery(30, 300);
  UpsBatteryReading reading;
  std::string error;
  ASSERT_TRUE(platform::ReadUpsBattery(&reading, &error)) << error;
  EXPECT_EQ(reading.runtime_s, 300);
  unsetenv(platform::kPowerSupplyVariable);
  EXPECT_EQ(platform::PowerSupplyFolder(), "/sys/class/power_supply");
}

}  // namespace
