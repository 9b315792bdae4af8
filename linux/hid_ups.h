// A USB UPS of the HID Power Device class, read through hidraw beside the
// kernel's own driver (nothing is detached): found by the name the user
// gave (core/hid_device_name.h) among /sys/class/hidraw/*/device/uevent,
// confirmed by its report descriptor, then its input reports read as they
// come and its feature reports asked for now and then. Not yet part of the
// daemon's loop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/hid_descriptor.h"
#include "core/hid_device_name.h"
#include "core/hid_ups_reading.h"
#include "linuxbase/unique_fd.h"

inline constexpr const char* kHidrawSysfs = "/sys/class/hidraw";
// Feature reports are asked for at most this often: every 10 s on mains,
// where input reports (if the UPS sends them) tell a change at once and the
// figures move slowly; every 2 s on battery, where the charge and runtime
// decide the shutdown.
inline constexpr int kHidFeaturePollOnMainsMs = 10000;
inline constexpr int kHidFeaturePollOnBatteryMs = 2000;

struct HidUps {
  linuxbase::UniqueFd fd;          // the hidraw node while open, non-blocking
  char node[core::kHidPathMax + 1] = "";  // "/dev/hidrawN" open now
  core::HidUevent identity;               // bus, vendor, product, name, serial of the device taken
  core::HidUpsName again;                 // how to find it after an unplug: by its identity
  std::unique_ptr<core::HidDescriptor> descriptor;
  uint8_t feature_ids[256] = {};  // the feature reports carrying a figure
  size_t feature_count = 0;
  bool feature_silent[256] = {};  // by id: asked once and never answered, not asked again
  core::HidUpsReading reading;          // every figure read so far
};

// Finds, opens and confirms the UPS that `name` asks for, looking in the
// sysfs folder `sysfs` (kHidrawSysfs but in tests) in the order of the
// hidraw numbers. "usb" takes the first device whose descriptor is a UPS's.
// False when none answers, with why in `why` (always terminated), naming
// each device looked at and why it was passed over.
bool OpenHidUps(HidUps* ups, const core::HidUpsName& name, const char* sysfs, char* why, size_t why_size);

// After a loss: the same UPS found again by its identity, under any node.
bool ReopenHidUps(HidUps* ups, const char* sysfs, char* why, size_t why_size);

void CloseHidUps(HidUps* ups);

// Reads every input report waiting (none is an answer too) into
// ups->reading. Returns how many, or -1 when the device is gone (unplugged:
// the read fails; the reading is then stale and the caller's communication
// failure).
int ReadHidUpsInput(HidUps* ups);
// Reads one input report, if one is waiting, into ups->reading: 1, 0 when
// none is, -1 when the device is gone.
int ReadOneHidUpsInput(HidUps* ups);

// Asks for each feature report that carries a figure, except those that
// never answered. A report that does not answer (stalled, timed out) is
// marked silent and the others still asked; returns how many answered, or
// -1 when the device is gone.
int PollHidUpsFeatures(HidUps* ups);

// How long until the next feature poll, by whether the UPS is on battery.
int HidFeaturePollIntervalMs(const core::HidUpsReading& reading);
