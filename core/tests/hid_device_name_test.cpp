#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/hid_device_name.h"

using namespace core;

namespace {

std::optional<HidUpsName> Name(const std::string& s) { return ParseHidUpsName(s.data(), s.size()); }
std::optional<HidUevent> Uevent(const std::string& s) { return ParseHidUevent(s.data(), s.size()); }

TEST(HidUpsNameTest, ReadsTheFourForms) {
  auto any = Name("usb");
  ASSERT_TRUE(any);
  EXPECT_EQ(any->kind, HidUpsNameKind::kFirstUsb);

  auto vp = Name("usb:051d:0002");
  ASSERT_TRUE(vp);
  EXPECT_EQ(vp->kind, HidUpsNameKind::kVendorProduct);
  EXPECT_EQ(vp->vendor, 0x051D);
  EXPECT_EQ(vp->product, 0x0002);

  auto short_digits = Name("usb:51D:2");
  ASSERT_TRUE(short_digits);
  EXPECT_EQ(short_digits->vendor, 0x051D);
  EXPECT_EQ(short_digits->product, 0x0002);

  auto vps = Name("usb:0665:5161:AS1234-567");
  ASSERT_TRUE(vps);
  EXPECT_EQ(vps->kind, HidUpsNameKind::kVendorProductSerial);
  EXPECT_EQ(vps->vendor, 0x0665);
  EXPECT_EQ(vps->product, 0x5161);
  EXPECT_STREQ(vps->serial, "AS1234-567");

  // A serial may hold colons of its own: everything after the third is the serial.
  auto colons = Name("usb:0665:5161:AB:CD");
  ASSERT_TRUE(colons);
  EXPECT_STREQ(colons->serial, "AB:CD");

  auto path = Name("/dev/hidraw12");
  ASSERT_TRUE(path);
  EXPECT_EQ(path->kind, HidUpsNameKind::kHidrawPath);
  EXPECT_STREQ(path->path, "/dev/hidraw12");
}

TEST(HidUpsNameTest, RefusesMalformedNamesAndTellsThemFromSerialPorts) {
  for (const char* bad : {"usb:", "usb:051d", "usb:051d:", "usb::0002", "usb:12345:0002", "usb:051d:00002",
                          "usb:0g1d:0002", "usb:051d:0002:", "/dev/hidraw", "/dev/hidrawx", "/dev/hidraw1a",
                          "USB", "usbx", "/dev/ttyS0", "/dev/serial/by-id/usb-FTDI", ""}) {
    EXPECT_FALSE(Name(bad)) << bad;
  }
  EXPECT_TRUE(LooksLikeHidUpsName("usb:0g1d:0002", 13));
  EXPECT_TRUE(LooksLikeHidUpsName("/dev/hidrawx", 12));
  EXPECT_FALSE(LooksLikeHidUpsName("/dev/ttyS0", 10));
  EXPECT_FALSE(LooksLikeHidUpsName("usbx", 4));
  // A serial of up to 63 bytes; one more is refused, not cut.
  std::string serial(kHidSerialMax, 'S');
  auto longest = Name("usb:1:2:" + serial);
  ASSERT_TRUE(longest);
  EXPECT_EQ(std::strlen(longest->serial), kHidSerialMax);
  EXPECT_FALSE(Name("usb:1:2:" + serial + "S"));
  EXPECT_FALSE(Name("/dev/hidraw" + std::string(60, '1')));
  // A zero byte inside the name is no part of a serial.
  EXPECT_FALSE(Name(std::string("usb:1:2:AB\0CD", 13)));
}

TEST(HidUeventTest, ReadsTheIdentityOfAHidrawDevice) {
  auto u = Uevent("DRIVER=hid-generic\nHID_ID=0003:0000051D:00000002\nHID_NAME=Maker UPS 1500\n"
                  "HID_PHYS=usb-0000:00:14.0-2/input0\nHID_UNIQ=AS1234567\nMODALIAS=hid:b0003g0001v0000051Dp00000002\n");
  ASSERT_TRUE(u);
  EXPECT_EQ(u->bus, kHidBusUsb);
  EXPECT_EQ(u->vendor, 0x051D);
  EXPECT_EQ(u->product, 0x0002);
  EXPECT_STREQ(u->name, "Maker UPS 1500");
  EXPECT_STREQ(u->serial, "AS1234567");

  // No serial line, no final newline.
  auto bare = Uevent("HID_ID=0003:00000665:00005161");
  ASSERT_TRUE(bare);
  EXPECT_EQ(bare->product, 0x5161);
  EXPECT_STREQ(bare->serial, "");
  EXPECT_STREQ(bare->name, "");
}

TEST(HidUeventTest, RefusesABadIdentityAndCutsLongText) {
  for (const char* bad : {"", "HID_NAME=x\n", "HID_ID=0003:0000051D\n", "HID_ID=0003:0001051D:00000002\n",
                          "HID_ID=0003:0000051D:0000000G\n", "HID_ID=:0000051D:00000002\n",
                          "HID_ID=0003:000000051D:00000002\n", "HID_ID=0003:0000051D:00000002:\n"}) {
    EXPECT_FALSE(Uevent(bad)) << bad;
  }
  std::string text = "HID_ID=0003:0000051D:00000002\nHID_NAME=" + std::string(500, 'N') + "\nHID_UNIQ=" +
                     std::string(500, 'U') + "\n";
  auto cut = Uevent(text);
  ASSERT_TRUE(cut);
  EXPECT_EQ(std::strlen(cut->name), kHidNameMax);
  EXPECT_EQ(std::strlen(cut->serial), kHidSerialMax);
  // Every cut of a well-formed text: never read past; once the identity
  // line is whole, it is read right whatever follows.
  std::string whole = "HID_ID=0003:0000051D:00000002\nHID_NAME=Maker UPS\nHID_UNIQ=AS1\n";
  for (size_t n = 0; n < whole.size(); ++n) {
    std::unique_ptr<char[]> copy(new char[n]);
    std::memcpy(copy.get(), whole.data(), n);
    auto u = ParseHidUevent(copy.get(), n);
    if (n < std::strlen("HID_ID=0003:0000051D:00000002")) continue;
    ASSERT_TRUE(u) << n;
    EXPECT_EQ(u->vendor, 0x051D);
    EXPECT_EQ(u->product, 0x0002);
  }
}

TEST(HidUeventTest, MatchesANameByIdentity) {
  auto u = *Uevent("HID_ID=0003:0000051D:00000002\nHID_UNIQ=AS1\n");
  EXPECT_TRUE(HidUeventMatches(*Name("usb"), u));
  EXPECT_TRUE(HidUeventMatches(*Name("usb:051D:0002"), u));
  EXPECT_FALSE(HidUeventMatches(*Name("usb:051D:0003"), u));
  EXPECT_FALSE(HidUeventMatches(*Name("usb:051E:0002"), u));
  EXPECT_TRUE(HidUeventMatches(*Name("usb:051D:0002:AS1"), u));
  EXPECT_FALSE(HidUeventMatches(*Name("usb:051D:0002:AS2"), u));
  EXPECT_FALSE(HidUeventMatches(*Name("usb:051D:0002:AS"), u));
  EXPECT_FALSE(HidUeventMatches(*Name("/dev/hidraw0"), u));  // by path, elsewhere
  // A Bluetooth device of the same numbers is not a USB UPS.
  auto bt = *Uevent("HID_ID=0005:0000051D:00000002\n");
  EXPECT_FALSE(HidUeventMatches(*Name("usb"), bt));
}

}  // namespace
