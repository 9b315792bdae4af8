// What a HID Power Device UPS says of itself, read from its reports with
// the fields of its parsed descriptor: one more source of the UPS's state,
// beside the contact-closure lines. Every figure is optional: a UPS gives
// some of them, in input reports, in feature reports or in both.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "core/ups_state.h"

#include "core/hid_descriptor.h"

namespace core {

// The usages read, page 0x84 (Power Device) and 0x85 (Battery System).
inline constexpr uint32_t kHidUsageAcPresent = HidUsage(0x85, 0xD0);
inline constexpr uint32_t kHidUsageBelowRemainingCapacityLimit = HidUsage(0x85, 0x42);
inline constexpr uint32_t kHidUsageShutdownImminent = HidUsage(0x84, 0x69);
inline constexpr uint32_t kHidUsageRemainingCapacity = HidUsage(0x85, 0x66);
inline constexpr uint32_t kHidUsageRunTimeToEmpty = HidUsage(0x85, 0x68);
inline constexpr uint32_t kHidUsagePercentLoad = HidUsage(0x84, 0x35);
inline constexpr uint32_t kHidUsageVoltage = HidUsage(0x84, 0x30);
inline constexpr uint32_t kHidUsageCharging = HidUsage(0x85, 0x44);
inline constexpr uint32_t kHidUsageDischarging = HidUsage(0x85, 0x45);
// The collections that tell an input's voltage from a battery's.
inline constexpr uint32_t kHidUsageBatterySystem = HidUsage(0x84, 0x10);
inline constexpr uint32_t kHidUsageBattery = HidUsage(0x84, 0x12);
inline constexpr uint32_t kHidUsageInput = HidUsage(0x84, 0x1A);
inline constexpr uint32_t kHidUsageOutput = HidUsage(0x84, 0x1C);
inline constexpr uint32_t kHidUsagePowerSummary = HidUsage(0x84, 0x24);

// HID units (SI linear system): the volt is g·cm²·s⁻³·A⁻¹, 10⁻⁷ V; the
// second is the second.
inline constexpr uint32_t kHidUnitVolt = 0x00F0D121;
inline constexpr uint32_t kHidUnitSecond = 0x00001001;

enum class HidUpsFigure : uint8_t {
  kNone,
  kAcPresent,
  kBelowRemainingCapacityLimit,
  kShutdownImminent,
  kCharging,
  kDischarging,
  kCharge,
  kRuntime,
  kLoad,
  kInputVoltage,
  kBatteryVoltage,
};

struct HidUpsReading {
  std::optional<bool> ac_present;
  std::optional<bool> below_remaining_capacity_limit;
  std::optional<bool> shutdown_imminent;
  std::optional<bool> charging;
  std::optional<bool> discharging;
  std::optional<double> charge_percent;
  std::optional<double> runtime_seconds;
  std::optional<double> load_percent;
  std::optional<double> input_voltage;    // volts
  std::optional<double> battery_voltage;  // volts
  // What was mended on the way, for the reader to log once.
  bool range_mended = false;       // a field's logical minimum exceeded its maximum
  bool voltage_rescaled = false;   // a voltage moved by a power of ten to a plausible value
};

// Which figure a field carries, or kNone. A voltage is the input's within an
// Input collection and the battery's within a Battery, Battery System or
// Power Summary collection or one of the Battery System page; the innermost
// of these decides, and a voltage within none (or an Output's) is neither.
HidUpsFigure HidUpsFigureOf(const HidField& field);

// Reads one report of `kind` (its id byte first when the descriptor uses
// ids, as hidraw gives it) and sets in `*into` each figure that the report
// carries, leaving the others as they were: input and feature reports
// merge into one reading. A field cut off by a short report, or whose value
// lies outside its logical range (a UPS's way of saying "unknown"), is
// skipped; bytes past the report's length are ignored. Returns how many
// figures were set (0 also for a report id that the descriptor lacks).
size_t DecodeHidUpsReport(const HidDescriptor& d, HidReportKind kind, const uint8_t* report, size_t size,
                          HidUpsReading* into);

// The report ids of `kind` that carry at least one figure, ascending, at
// most 256 (0 when the descriptor uses no ids). Returns how many.
size_t HidUpsReportIds(const HidDescriptor& d, HidReportKind kind, uint8_t ids[256]);

// Whether mains feeds the UPS: ACPresent where the UPS gives it, since a UPS
// that says "on line" and "discharging" at once is calibrating its battery
// or confused, not without mains; otherwise not Discharging, or Charging;
// nothing when the UPS says none of these.
std::optional<bool> HidUpsOnMains(const HidUpsReading& r);

// Whether the battery is critical: BelowRemainingCapacityLimit or
// ShutdownImminent; nothing when the UPS gives neither.
std::optional<bool> HidUpsBatteryCritical(const HidUpsReading& r);

// The figures the UPS measures, as UpsState holds them: charge, its own
// runtime estimate (whole seconds, within 0 and INT32_MAX), load and the
// two voltages; each empty while the UPS has not given it. Flags and the
// autonomy model are left unset.
UpsState HidUpsMeasured(const HidUpsReading& r);

}  // namespace core
