// The reader of a USB UPS against the hidraw stand-in: found by each form of
// name, confirmed by its descriptor, its input and feature reports read,
// unplugged and found again under another node. The test runs itself again
// with the stand-in's shim preloaded.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "core/tests/hid_test_descriptors.h"
#include "linux/hid_ups.h"
#include "hidraw_device.h"

using namespace core;

namespace {

template <size_t N>
std::vector<uint8_t> Bytes(const uint8_t (&a)[N]) {
  return {a, a + N};
}

// A keyboard's descriptor: a HID device, not a UPS.
const std::vector<uint8_t> kKeyboard = {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7,
                                        0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0xC0};

HidUpsName Name(const std::string& text) {
  auto n = ParseHidUpsName(text.data(), text.size());
  EXPECT_TRUE(n) << text;
  return n.value_or(HidUpsName{});
}

class HidUpsTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vigil-hidups-XXXXXX";
    ASSERT_TRUE(mkdtemp(pattern)) << std::strerror(errno);
    root_ = pattern;
    setenv("VIGIL_HIDRAW_ROOT", root_.c_str(), 1);
    keyboard_ = std::make_unique<HidrawDevice>(root_, HidrawDevice::Identity{3, 0x046D, 0xC31C, "Keyboard", ""},
                                               kKeyboard);
    ups_ = std::make_unique<HidrawDevice>(root_, HidrawDevice::Identity{3, 0x051D, 0x0002, "Maker UPS", "AS1"},
                                          Bytes(kInputReportUps));
    keyboard_->Plug(0);
    ups_->SetFeature({0x04, 0x46, 0x05});
    ups_->Plug(2);
  }
  void TearDown() override {
    ups_.reset();
    keyboard_.reset();
    unsetenv("VIGIL_HIDRAW_ROOT");
    std::filesystem::remove_all(root_);
  }

  bool Open(const std::string& name) {
    why_[0] = '\0';
    return OpenHidUps(&hid_, Name(name), kHidrawSysfs, why_, sizeof why_);
  }

  std::string root_;
  std::unique_ptr<HidrawDevice> keyboard_, ups_;
  HidUps hid_;
  char why_[512];
};

TEST_F(HidUpsTest, FindsTheUpsByEachFormOfName) {
  for (const char* name : {"usb", "usb:051d:0002", "usb:051D:2:AS1", "/dev/hidraw2"}) {
    ASSERT_TRUE(Open(name)) << name << ": " << why_;
    EXPECT_STREQ(hid_.node, "/dev/hidraw2") << name;
    EXPECT_EQ(hid_.identity.vendor, 0x051D);
    EXPECT_EQ(hid_.identity.product, 0x0002);
    EXPECT_STREQ(hid_.identity.serial, "AS1");
    CloseHidUps(&hid_);
  }
  // "usb" passed over the keyboard at hidraw0, and said so.
  ASSERT_TRUE(Open("usb"));
  EXPECT_NE(std::string(why_).find("/dev/hidraw0: not a UPS"), std::string::npos) << why_;
}

TEST_F(HidUpsTest, ANameThatFindsNothingSaysWhy) {
  EXPECT_FALSE(Open("usb:051D:0003"));
  EXPECT_NE(std::string(why_).find("no USB UPS matches among 2 hidraw devices"), std::string::npos) << why_;
  EXPECT_FALSE(Open("usb:051D:0002:AS2"));
  EXPECT_FALSE(Open("/dev/hidraw0"));  // the keyboard
  EXPECT_NE(std::string(why_).find("not a UPS"), std::string::npos) << why_;
  EXPECT_FALSE(Open("/dev/hidraw9"));
  EXPECT_NE(std::string(why_).find("/dev/hidraw9: "), std::string::npos) << why_;
  EXPECT_FALSE(hid_.fd);
}

TEST_F(HidUpsTest, ReadsInputReportsAndPollsFeatureReports) {
  ASSERT_TRUE(Open("usb")) << why_;
  EXPECT_EQ(ReadHidUpsInput(&hid_), 0);  // nothing sent yet: no wait
  ASSERT_EQ(hid_.feature_count, 1u);
  EXPECT_EQ(PollHidUpsFeatures(&hid_), 1);
  EXPECT_NEAR(hid_.reading.battery_voltage.value_or(0), 13.5, 1e-9);
  EXPECT_EQ(HidFeaturePollIntervalMs(hid_.reading), kHidFeaturePollOnMainsMs);

  ups_->SendInput({0x01, 0b01000});  // mains gone, discharging
  ups_->SendInput({0x02, 80, 0x2C, 0x01, 40});
  EXPECT_EQ(ReadHidUpsInput(&hid_), 2);
  EXPECT_EQ(HidUpsOnMains(hid_.reading), false);
  EXPECT_DOUBLE_EQ(hid_.reading.runtime_seconds.value_or(0), 300);
  EXPECT_EQ(HidFeaturePollIntervalMs(hid_.reading), kHidFeaturePollOnBatteryMs);

  // A feature report the UPS stops answering is asked no more, and is no loss.
  ups_->ForgetFeature(0x04);
  EXPECT_EQ(PollHidUpsFeatures(&hid_), 0);
  EXPECT_TRUE(hid_.feature_silent[0x04]);
  ups_->SetFeature({0x04, 0x10, 0x04});
  EXPECT_EQ(PollHidUpsFeatures(&hid_), 0);
  EXPECT_NEAR(hid_.reading.battery_voltage.value_or(0), 13.5, 1e-9);
}

TEST_F(HidUpsTest, AFeatureOnlyUpsIsPolled) {
  auto polled = std::make_unique<HidrawDevice>(root_, HidrawDevice::Identity{3, 0x0665, 0x5161, "Other UPS", ""},
                                               Bytes(kFeatureOnlyUps));
  polled->SetFeature({0x10, 0b10});
  polled->SetFeature({0x11, 70, 60, 255});
  // 0x12, the input's voltage, never answers.
  polled->Plug(7);
  ASSERT_TRUE(Open("usb:0665:5161")) << why_;
  EXPECT_EQ(hid_.feature_count, 3u);
  EXPECT_EQ(PollHidUpsFeatures(&hid_), 2);
  EXPECT_EQ(HidUpsOnMains(hid_.reading), false);
  EXPECT_DOUBLE_EQ(hid_.reading.charge_percent.value_or(0), 70);
  EXPECT_DOUBLE_EQ(hid_.reading.runtime_seconds.value_or(0), 600);
  EXPECT_DOUBLE_EQ(hid_.reading.load_percent.value_or(0), 100);
  EXPECT_FALSE(hid_.reading.input_voltage);
  EXPECT_TRUE(hid_.feature_silent[0x12]);
}

TEST_F(HidUpsTest, UnpluggedThenFoundAgainUnderAnotherNode) {
  ASSERT_TRUE(Open("/dev/hidraw2")) << why_;
  ups_->SendInput({0x01, 0b00101});
  EXPECT_EQ(ReadHidUpsInput(&hid_), 1);

  ups_->Unplug();
  EXPECT_EQ(ReadHidUpsInput(&hid_), -1);
  EXPECT_EQ(PollHidUpsFeatures(&hid_), -1);
  EXPECT_FALSE(ReopenHidUps(&hid_, kHidrawSysfs, why_, sizeof why_));
  EXPECT_EQ(ReadHidUpsInput(&hid_), -1);  // closed

  // Back as hidraw5, the keyboard still at hidraw0: found by identity.
  ups_->Plug(5);
  ASSERT_TRUE(ReopenHidUps(&hid_, kHidrawSysfs, why_, sizeof why_)) << why_;
  EXPECT_STREQ(hid_.node, "/dev/hidraw5");
  EXPECT_EQ(HidUpsOnMains(hid_.reading), true);  // the reading kept across the loss
  ups_->SendInput({0x01, 0b01000});
  EXPECT_EQ(ReadHidUpsInput(&hid_), 1);
  EXPECT_EQ(HidUpsOnMains(hid_.reading), false);
}

}  // namespace

int main(int argc, char** argv) {
  RunWithHidrawShim(argv, HIDRAW_SHIM);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
