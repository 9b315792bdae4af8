// The Linux stand-in's reading of a UPS battery from a folder laid out as
// /sys/class/power_supply, for the tests and the tools.
#pragma once

#include <string>

#include "platform/ups_battery.h"

namespace platform {

inline constexpr const char* kPowerSupplyVariable = "VIGIL20_POWER_SUPPLY";
inline constexpr const char* kPowerSupplyFolder = "/sys/class/power_supply";

// The folder ReadUpsBattery reads: VIGIL20_POWER_SUPPLY when set and not
// empty, else /sys/class/power_supply.
std::string PowerSupplyFolder();

// Reads the supplies under `folder`, one sub-folder each with its "type":
// the UPS is the first of type "UPS", else the first "Battery" that does not
// power a device of its own ("scope" "Device": a mouse's, a headset's).
// From it "present", "status" (Charging, Discharging, Full, Not charging),
// "capacity" (or "charge_now" over "charge_full"), "capacity_level"
// (Critical) and "time_to_empty_now"; on line from the supplies of type
// "Mains" ("online" of any of them), else from its own "status". False with
// `error` when the folder cannot be listed or holds no such battery.
bool ReadPowerSupplyFolder(const std::string& folder, UpsBatteryReading* reading, std::string* error);

}  // namespace platform
