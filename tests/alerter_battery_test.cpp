// The real alerter watching a USB UPS ("UsbPort") that the system shows as
// a battery: on the Linux stand-in, a power_supply tree that the test
// writes in its host root, named in VIGIL20_POWER_SUPPLY. The serial lines
// stay all active (mains, no alarm) and are never opened.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "alerter_fixture.h"
#include "tests/support/power_supply_tree.h"

namespace {

using Events = std::vector<int32_t>;

class AlerterBatteryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host.Session("yes");
    host.Setting("UsbPort", "usb");
    host.Setting("Interval", 200);
    host.Setting("Signal Filter", 2);
    setenv("VIGIL20_POWER_SUPPLY", tree.Folder().c_str(), 1);
  }
  void TearDown() override {
    unsetenv("VIGIL20_POWER_SUPPLY");
    if (HasFailure()) std::printf("boxes:\n%s\n", host.Boxes().c_str());
  }
  AlerterHost host;
  PowerSupplyTree tree{host.Path("power_supply")};
};

TEST_F(AlerterBatteryTest, MainsFailureReturnAndACriticalBatteryToTheRecordedPowerOff) {
  auto alerter = host.Start();
  ASSERT_TRUE(host.WaitServing());
  EXPECT_EQ(host.Read("lines.out"), "") << "the serial port is not opened";

  tree.OnBattery(80, 900);
  ASSERT_TRUE(host.WaitForEvents({1}, 5000));
  EXPECT_EQ(Field(AskPipe("\n"), 44), 1);  // powerFailure
  tree.OnMains(81);
  ASSERT_TRUE(host.WaitForEvents({1, 2}, 5000));
  EXPECT_EQ(Field(AskPipe("\n"), 44), 0);

  tree.OnBattery(40, 300);
  ASSERT_TRUE(host.WaitForEvents({1, 2, 1}, 5000));
  tree.OnBattery(3, 30);
  ASSERT_TRUE(host.WaitForEvents({1, 2, 1, 4}, 5000));
  EXPECT_EQ(Field(AskPipe("\n"), 40), 1);  // batteryCritical
  // Three ticks, the sessions' ten seconds, then the power-off.
  ASSERT_TRUE(host.WaitForEvents({1, 2, 1, 4, 6}, 5000));
  EXPECT_EQ(alerter->Wait(), 0);
  EXPECT_EQ(host.Read("recorded"), "called --force\n");
}

TEST_F(AlerterBatteryTest, AGlitchShorterThanTheFilterAndABatteryGoneAreNoMainsFailure) {
  auto alerter = host.Start();
  ASSERT_TRUE(host.WaitServing());
  tree.OnBattery(90, 900);
  tree.OnMains(90);
  // The battery gone: communication lost, the state kept.
  std::filesystem::remove_all(tree.Folder() + "/BAT0");
  std::this_thread::sleep_for(std::chrono::seconds(2));
  EXPECT_EQ(host.Events(), Events{});
  std::string reply = AskPipe("\n");
  EXPECT_EQ(Field(reply, 44), 0);
  EXPECT_EQ(Field(reply, 52), 0);
  PowerSupplyTree back(tree.Folder());
  back.OnBattery(70, 600);
  EXPECT_TRUE(host.WaitForEvents({1}, 5000)) << "followed again once it answers";
}

TEST(AlerterBatteryStart, ANameThatFindsNoBatteryOrIsMalformedEndsStartUpWithABox) {
  AlerterHost host;
  host.Session("yes");
  PowerSupplyTree tree(host.Path("power_supply"));
  std::filesystem::remove_all(tree.Folder() + "/BAT0");
  setenv("VIGIL20_POWER_SUPPLY", tree.Folder().c_str(), 1);
  host.Setting("UsbPort", "usb:051D:0002");
  CommandResult none = host.Run({"-normal"});
  EXPECT_EQ(none.status, 1);
  host.Setting("UsbPort", "usb:05X1D");
  CommandResult malformed = host.Run({"-normal"});
  EXPECT_EQ(malformed.status, 1);
  unsetenv("VIGIL20_POWER_SUPPLY");
  EXPECT_EQ(host.Boxes(), "30 Alerta: Nenhum NoBreak USB foi encontrado (usb:051D:0002): no UPS or battery in " +
                              tree.Folder() + "\n30 Alerta: Nome de NoBreak USB inv\u00e1lido: \"usb:05X1D\"\n");
}

}  // namespace
