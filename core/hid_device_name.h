// How a HID UPS is named and found: the name a user writes for the UPS's
// port, and the identity that the kernel gives each hidraw device in its
// sysfs "uevent" file. Text in, values out: no file is read here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace core {

inline constexpr size_t kHidSerialMax = 63;  // bytes of a serial kept
inline constexpr size_t kHidNameMax = 127;   // bytes of a product name kept
inline constexpr size_t kHidPathMax = 63;    // bytes of a "/dev/hidrawN" path
inline constexpr uint16_t kHidBusUsb = 0x0003;

enum class HidUpsNameKind : uint8_t {
  kFirstUsb,             // "usb": the first HID UPS found
  kVendorProduct,        // "usb:VVVV:PPPP"
  kVendorProductSerial,  // "usb:VVVV:PPPP:SERIAL"
  kHidrawPath,           // "/dev/hidrawN"
};

struct HidUpsName {
  HidUpsNameKind kind = HidUpsNameKind::kFirstUsb;
  uint16_t vendor = 0;
  uint16_t product = 0;
  char serial[kHidSerialMax + 1] = {};  // zero-terminated
  char path[kHidPathMax + 1] = {};      // zero-terminated
};

// Parses a port name. Nothing when it is none of the four forms (a serial
// port's name, or a malformed one: "usb:" with other than 1 to 4 hex digits
// per number, an empty or over-long serial, "/dev/hidraw" without digits).
std::optional<HidUpsName> ParseHidUpsName(const char* text, size_t size);

// Whether a port name asks for a HID UPS at all ("usb" or "usb:..." or
// "/dev/hidraw..."), well-formed or not: a caller tells a malformed USB
// name from a serial port's name with it.
bool LooksLikeHidUpsName(const char* text, size_t size);

// A hidraw device's identity from its "device/uevent" text:
//   HID_ID=0003:0000051D:00000002
//   HID_NAME=Maker UPS 1500
//   HID_UNIQ=AS1234567
struct HidUevent {
  uint16_t bus = 0;
  uint16_t vendor = 0;
  uint16_t product = 0;
  char name[kHidNameMax + 1] = {};      // cut to kHidNameMax bytes
  char serial[kHidSerialMax + 1] = {};  // cut to kHidSerialMax bytes; empty when the device has none
};

// Nothing without a well-formed HID_ID line; the other lines are optional
// and lines of other keys are ignored.
std::optional<HidUevent> ParseHidUevent(const char* text, size_t size);

// Whether the device named by `uevent` answers `name` by identity: a USB
// device, and for kVendorProduct(Serial) the same numbers (and serial).
// kFirstUsb takes any USB device; kHidrawPath is matched by path, not here,
// and answers false.
bool HidUeventMatches(const HidUpsName& name, const HidUevent& uevent);

}  // namespace core
