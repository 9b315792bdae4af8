// The hidraw stand-in itself, through the calls a reader of a USB UPS makes:
// its sysfs tree listed and read, the node opened, the kernel's hidraw
// ioctls, reads of input reports, and an unplug and a plug under another
// number. The test runs itself again with the shim preloaded.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <linux/hidraw.h>
#include <memory>
#include <poll.h>
#include <set>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>

#include "core/hid_descriptor.h"
#include "core/hid_ups_reading.h"
#include "core/tests/hid_test_descriptors.h"
#include "hidraw_device.h"

using namespace core;

namespace {

std::vector<uint8_t> InputReportUps() { return {std::begin(kInputReportUps), std::end(kInputReportUps)}; }

class HidrawShimTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vigil-hidraw-XXXXXX";
    ASSERT_TRUE(mkdtemp(pattern)) << std::strerror(errno);
    root_ = pattern;
    setenv("VIGIL_HIDRAW_ROOT", root_.c_str(), 1);
    device_ = std::make_unique<HidrawDevice>(root_, HidrawDevice::Identity{0x0003, 0x051D, 0x0002, "Maker UPS", "AS1"},
                                             InputReportUps());
  }
  void TearDown() override {
    device_.reset();
    unsetenv("VIGIL_HIDRAW_ROOT");
    std::filesystem::remove_all(root_);
  }

  // The hidraw names listed in sysfs.
  static std::set<std::string> Listed() {
    std::set<std::string> names;
    DIR* dir = opendir("/sys/class/hidraw");
    if (!dir) return names;
    while (dirent* e = readdir(dir))
      if (std::strncmp(e->d_name, "hidraw", 6) == 0) names.insert(e->d_name);
    closedir(dir);
    return names;
  }

  static std::string Uevent(const std::string& name) {
    int fd = open(("/sys/class/hidraw/" + name + "/device/uevent").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return "";
    char text[1024];
    ssize_t n = read(fd, text, sizeof text);
    close(fd);
    return n > 0 ? std::string(text, static_cast<size_t>(n)) : "";
  }

  std::string root_;
  std::unique_ptr<HidrawDevice> device_;
};

TEST_F(HidrawShimTest, ServesTheDescriptorIdentityFeatureAndInputReports) {
  device_->SetFeature({0x04, 0x46, 0x05});
  device_->Plug(3);
  EXPECT_EQ(Listed(), std::set<std::string>{"hidraw3"});
  EXPECT_NE(Uevent("hidraw3").find("HID_ID=0003:0000051D:00000002\n"), std::string::npos);
  EXPECT_NE(Uevent("hidraw3").find("HID_UNIQ=AS1\n"), std::string::npos);

  int fd = open("/dev/hidraw3", O_RDWR | O_CLOEXEC);
  ASSERT_GE(fd, 0) << std::strerror(errno);
  hidraw_devinfo info = {};
  ASSERT_EQ(ioctl(fd, HIDIOCGRAWINFO, &info), 0) << std::strerror(errno);
  EXPECT_EQ(info.bustype, 3u);
  EXPECT_EQ(static_cast<uint16_t>(info.vendor), 0x051D);
  EXPECT_EQ(static_cast<uint16_t>(info.product), 0x0002);

  int size = 0;
  ASSERT_EQ(ioctl(fd, HIDIOCGRDESCSIZE, &size), 0);
  ASSERT_EQ(size, static_cast<int>(sizeof kInputReportUps));
  hidraw_report_descriptor rdesc = {};
  rdesc.size = static_cast<__u32>(size);
  ASSERT_EQ(ioctl(fd, HIDIOCGRDESC, &rdesc), 0);
  auto d = std::make_unique<HidDescriptor>();
  ASSERT_EQ(ParseHidDescriptor(rdesc.value, rdesc.size, d.get()), HidParseError::kNone);
  EXPECT_TRUE(HidDescriptorIsUps(*d));
  // Asked for fewer bytes than it has: that many, as the kernel gives them.
  hidraw_report_descriptor head = {};
  head.size = 4;
  head.value[4] = 0xEE;
  ASSERT_EQ(ioctl(fd, HIDIOCGRDESC, &head), 0);
  EXPECT_EQ(head.value[3], kInputReportUps[3]);
  EXPECT_EQ(head.value[4], 0xEE);
  head.size = HID_MAX_DESCRIPTOR_SIZE;
  EXPECT_EQ(ioctl(fd, HIDIOCGRDESC, &head), -1);
  EXPECT_EQ(errno, EINVAL);

  HidUpsReading reading;
  uint8_t feature[8] = {0x04};
  ASSERT_EQ(ioctl(fd, HIDIOCGFEATURE(sizeof feature), feature), 3) << std::strerror(errno);
  DecodeHidUpsReport(*d, HidReportKind::kFeature, feature, 3, &reading);
  EXPECT_NEAR(reading.battery_voltage.value_or(0), 13.5, 1e-9);
  uint8_t short_buffer[2] = {0x04};
  EXPECT_EQ(ioctl(fd, HIDIOCGFEATURE(sizeof short_buffer), short_buffer), 2);  // cut to the buffer
  uint8_t unknown[8] = {0x09};
  EXPECT_EQ(ioctl(fd, HIDIOCGFEATURE(sizeof unknown), unknown), -1);  // a report the UPS never answers
  EXPECT_EQ(errno, EPIPE);
  device_->ForgetFeature(0x04);
  EXPECT_EQ(ioctl(fd, HIDIOCGFEATURE(sizeof feature), feature), -1);
  EXPECT_EQ(errno, EPIPE);

  // Input reports, one per read, waking poll.
  pollfd p = {fd, POLLIN, 0};
  EXPECT_EQ(poll(&p, 1, 0), 0);
  EXPECT_EQ(device_->SendInput({0x01, 0b01000}), 1);
  EXPECT_EQ(device_->SendInput({0x02, 95, 0x58, 0x02, 37}), 1);
  ASSERT_EQ(poll(&p, 1, 5000), 1);
  uint8_t report[64];
  ASSERT_EQ(read(fd, report, sizeof report), 2);
  DecodeHidUpsReport(*d, HidReportKind::kInput, report, 2, &reading);
  EXPECT_EQ(HidUpsOnMains(reading), false);
  ASSERT_EQ(read(fd, report, sizeof report), 5);
  DecodeHidUpsReport(*d, HidReportKind::kInput, report, 5, &reading);
  EXPECT_DOUBLE_EQ(reading.runtime_seconds.value_or(0), 600);
  // A buffer shorter than the report takes its first bytes.
  device_->SendInput({0x02, 95, 0x58, 0x02, 37});
  ASSERT_EQ(read(fd, report, 2), 2);
  EXPECT_EQ(report[1], 95);
  close(fd);
}

TEST_F(HidrawShimTest, UnpluggedThenPluggedBackUnderAnotherNumber) {
  device_->Plug(0);
  int fd = open("/dev/hidraw0", O_RDWR | O_CLOEXEC | O_NONBLOCK);
  ASSERT_GE(fd, 0) << std::strerror(errno);
  uint8_t report[64];
  EXPECT_EQ(read(fd, report, sizeof report), -1);  // nothing sent yet
  EXPECT_EQ(errno, EAGAIN);
  int size = 0;
  ASSERT_EQ(ioctl(fd, HIDIOCGRDESCSIZE, &size), 0);

  device_->Unplug();
  EXPECT_EQ(read(fd, report, sizeof report), -1);
  EXPECT_EQ(errno, EIO);
  EXPECT_EQ(ioctl(fd, HIDIOCGRDESCSIZE, &size), -1);
  EXPECT_EQ(errno, ENODEV);
  EXPECT_TRUE(Listed().empty());
  EXPECT_EQ(open("/dev/hidraw0", O_RDWR), -1);
  EXPECT_EQ(errno, ENOENT);
  close(fd);

  device_->Plug(5);
  EXPECT_EQ(Listed(), std::set<std::string>{"hidraw5"});
  EXPECT_NE(Uevent("hidraw5").find("HID_ID=0003:0000051D:00000002"), std::string::npos);
  EXPECT_EQ(open("/dev/hidraw0", O_RDWR), -1);
  fd = open("/dev/hidraw5", O_RDWR | O_CLOEXEC);
  ASSERT_GE(fd, 0) << std::strerror(errno);
  EXPECT_EQ(device_->SendInput({0x01, 0b00001}), 1);
  EXPECT_EQ(read(fd, report, sizeof report), 2);
  close(fd);
  // A reader gone: the device forgets it rather than failing.
  EXPECT_EQ(device_->SendInput({0x01, 0b00001}), 0);
}

TEST_F(HidrawShimTest, LeavesEverythingElseAlone) {
  device_->Plug(1);
  EXPECT_EQ(open("/dev/hidraw2", O_RDWR), -1);  // no such device
  EXPECT_EQ(errno, ENOENT);
  int null = open("/dev/null", O_RDWR | O_CLOEXEC);
  ASSERT_GE(null, 0);
  int size = 0;
  EXPECT_EQ(ioctl(null, HIDIOCGRDESCSIZE, &size), -1);  // the real ioctl on a real file
  EXPECT_NE(errno, 0);
  char byte;
  EXPECT_EQ(read(null, &byte, 1), 0);  // end of file stays end of file on other descriptors
  close(null);
  EXPECT_TRUE(std::filesystem::exists("/proc/self"));
  // Without the variable, nothing is redirected.
  unsetenv("VIGIL_HIDRAW_ROOT");
  EXPECT_FALSE(Listed().count("hidraw1"));
  setenv("VIGIL_HIDRAW_ROOT", root_.c_str(), 1);
  EXPECT_TRUE(Listed().count("hidraw1"));
}

}  // namespace

int main(int argc, char** argv) {
  RunWithHidrawShim(argv, HIDRAW_SHIM);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
