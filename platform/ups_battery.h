// A UPS as the operating system shows it: a battery. Windows gives a HID
// UPS (a Power Device on USB) to its own battery driver, which the suite
// reads and never replaces. Each figure is empty when the system does not
// give it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

struct UpsBatteryReading {
  std::optional<bool> present;      // a battery is in the UPS
  std::optional<bool> on_line;      // the UPS is fed by the mains
  std::optional<bool> discharging;  // the battery is feeding the load
  std::optional<bool> critical;     // the battery is about to give out
  std::optional<double> charge_percent;  // 0 to 100
  std::optional<int32_t> runtime_s;      // the system's estimate of what is left, seconds
  std::string device;  // what answered: a battery's device path or supply folder, or the system's power status
};

// One reading of the UPS's battery. On Windows: the battery device
// flagged short-term (a UPS, not a laptop's own battery) through the battery
// class driver's queries; where none answers, the system's power status. On
// Linux: the supplies of /sys/class/power_supply (or of the folder named in
// VIGIL20_POWER_SUPPLY). False, with `error` saying what was tried, when no
// battery answers: the UPS cannot be read, which says nothing of the mains.
bool ReadUpsBattery(UpsBatteryReading* reading, std::string* error);

}  // namespace platform
