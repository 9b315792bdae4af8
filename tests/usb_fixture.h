// The daemon on a USB UPS of the HID Power Device class: the hidraw shim
// preloaded into vigil20-dynamic answers its real open, ioctl, read and
// poll calls from a device model that the test drives (HidrawDevice), in a
// sandbox whose /dev holds no serial port and whose power-off programs are
// recorders. A keyboard sits at hidraw0, so that "usb" has to pass over a
// device that is no UPS.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/tests/hid_test_descriptors.h"
#include "hidraw_device.h"
#include "tty_fixture.h"

template <size_t N>
inline std::vector<uint8_t> Bytes(const uint8_t (&a)[N]) {
  return {a, a + N};
}

inline const std::vector<uint8_t> kKeyboard = {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7,
                                        0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0xC0};

// Report 1 of kInputReportUps: ACPresent, BelowRemainingCapacityLimit,
// Charging, Discharging, ShutdownImminent from bit 0.
inline const std::vector<uint8_t> kOnMains = {0x01, 0b00101};
inline const std::vector<uint8_t> kOnBattery = {0x01, 0b01000};
inline const std::vector<uint8_t> kOnBatteryLow = {0x01, 0b01010};
// Report 2: charge, RunTimeToEmpty (seconds, low byte first), load.
inline std::vector<uint8_t> Runtime(int seconds) {
  return {0x02, 80, static_cast<uint8_t>(seconds & 0xFF), static_cast<uint8_t>(seconds >> 8), 40};
}

inline const HidrawDevice::Identity kMakerUps = {3, 0x051D, 0x0002, "Maker UPS", "AS1"};

class UsbStation {
 public:
  UsbStation(const std::vector<uint8_t>& descriptor, const HidrawDevice::Identity& identity,
             const Sandbox::Options& options = {})
      : box_(options) {
    KeepOnlyHarmlessDevices(box_);
    std::filesystem::create_directory(box_.Path("hid"));
    keyboard_ = std::make_unique<HidrawDevice>(box_.Path("hid"), HidrawDevice::Identity{3, 0x046D, 0xC31C, "Keyboard", ""},
                                               kKeyboard);
    ups_ = std::make_unique<HidrawDevice>(box_.Path("hid"), identity, descriptor);
    keyboard_->Plug(0);
  }
  ~UsbStation() {
    Vigil(box_, "stop");
    box_.WaitDaemonGone(5000);
  }

  const Sandbox& box() const { return box_; }
  HidrawDevice& ups() { return *ups_; }

  // Starts the daemon (`program`, a vigil20 linked dynamically) with the
  // shim; `environment` is added before it.
  CommandResult Start(const std::string& environment = "", const std::string& program = VIGIL20_DYNAMIC_BIN) const {
    return box_.Run("ASAN_OPTIONS=verify_asan_link_order=0 LD_PRELOAD=" HIDRAW_SHIM
                    " VIGIL_HIDRAW_ROOT=/usr/local/hid " + environment + " " + program);
  }

  // Sends an input report, once the daemon has the node open; false when
  // nobody opened it within 3 s.
  bool Send(const std::vector<uint8_t>& report) {
    return WaitUntil([&] { return ups_->SendInput(report) > 0; }, 3000);
  }

 private:
  Sandbox box_;
  std::unique_ptr<HidrawDevice> keyboard_;
  std::unique_ptr<HidrawDevice> ups_;
};

