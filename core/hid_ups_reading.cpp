#include "core/hid_ups_reading.h"

#include <algorithm>

namespace core {

namespace {

// Where a voltage that a UPS reports can plausibly lie, in volts: mains
// from a deep brown-out to 277 V and a margin; a battery string from 6 V to
// the largest of a standing UPS. A value outside, moved by a power of ten,
// lands inside when the UPS's exponent is wrong.
struct Band {
  double low;
  double high;
};
constexpr Band kInputVoltageBand = {50.0, 300.0};
constexpr Band kBatteryVoltageBand = {6.0, 600.0};
constexpr int kDecadesTried = 3;  // 10⁻³ to 10³

double PowerOfTen(int exponent) {
  double r = 1.0;
  for (int i = 0; i < exponent; ++i) r *= 10.0;
  for (int i = 0; i > exponent; --i) r /= 10.0;
  return r;
}

bool IsBatteryCollection(uint32_t usage) {
  return usage == kHidUsageBattery || usage == kHidUsageBatterySystem || usage == kHidUsagePowerSummary ||
         HidUsagePage(usage) == 0x85;
}

HidUpsFigure VoltageOf(const HidField& f) {
  for (size_t i = f.collection_depth; i > 0; --i) {
    uint32_t c = f.collections[i - 1];
    if (c == kHidUsageInput) return HidUpsFigure::kInputVoltage;
    if (c == kHidUsageOutput) return HidUpsFigure::kNone;
    if (IsBatteryCollection(c)) return HidUpsFigure::kBatteryVoltage;
  }
  return HidUpsFigure::kNone;
}

// The field's bits, little-endian from its offset, if the payload holds them all.
std::optional<uint32_t> RawBits(const HidField& f, const uint8_t* payload, size_t size) {
  uint64_t end = uint64_t{f.bit_offset} + f.bit_size;
  if (end > uint64_t{size} * 8) return std::nullopt;
  uint32_t v = 0;
  for (uint32_t i = 0; i < f.bit_size; ++i) {
    uint32_t bit = f.bit_offset + i;
    v |= uint32_t{(payload[bit / 8] >> (bit % 8)) & 1u} << i;
  }
  return v;
}

// The field's logical value, signed where its range reaches below zero;
// nothing when it lies outside the range (a range of 0 to 0 bounds nothing).
std::optional<int64_t> LogicalValue(const HidField& f, uint32_t raw) {
  int64_t v = raw;
  if (f.logical_min < 0 && f.bit_size < 32 && (raw >> (f.bit_size - 1)) & 1u) v -= int64_t{1} << f.bit_size;
  if (f.bit_size == 32 && f.logical_min < 0) v = static_cast<int32_t>(raw);
  bool bounded = f.logical_min != 0 || f.logical_max != 0;
  if (bounded && (v < f.logical_min || v > f.logical_max)) return std::nullopt;
  return v;
}

// The physical value times 10^exponent, in the field's unit.
double Scaled(const HidField& f, int64_t logical) {
  double v = static_cast<double>(logical);
  bool has_physical = f.physical_min != f.physical_max;
  if (has_physical && f.logical_max != f.logical_min)
    v = static_cast<double>(f.physical_min) + (v - static_cast<double>(f.logical_min)) *
                                                  static_cast<double>(f.physical_max - f.physical_min) /
                                                  static_cast<double>(f.logical_max - f.logical_min);
  return v * PowerOfTen(f.unit_exponent);
}

double PhysicalBound(const HidField& f, bool top) {
  bool has_physical = f.physical_min != f.physical_max;
  int64_t b = has_physical ? (top ? f.physical_max : f.physical_min) : (top ? f.logical_max : f.logical_min);
  return static_cast<double>(b) * PowerOfTen(f.unit_exponent);
}

// A voltage in volts, moved by the power of ten that makes it plausible.
// A field whose range tops out at a plausible voltage (0 to 300 V at the
// mains) pins its scale: its value is taken as it is, faults included.
// Otherwise the range must at least be able to hold a plausible voltage (a
// range topping out at 2.5 V for the mains cannot be right), and the value
// itself should lie in the band; the smallest move that satisfies both
// wins. With none, a real 0 V or a value that no move makes plausible,
// the value keeps the first move that the range allows. Sets *rescaled
// when the value moved.
double PlausibleVolts(const HidField& f, double volts, Band band, bool* rescaled) {
  double to_volts = f.unit == kHidUnitVolt ? 1e-7 : 1.0;
  double top = PhysicalBound(f, true) * to_volts;
  double bottom = PhysicalBound(f, false) * to_volts;
  bool range_known = f.logical_min != 0 || f.logical_max != 0;
  if (range_known && top >= band.low && top <= band.high) return volts;
  int fallback = 0;
  bool have_fallback = false;
  for (int step = 0; step <= 2 * kDecadesTried; ++step) {
    int k = (step + 1) / 2 * (step % 2 == 1 ? 1 : -1);  // 0, 1, -1, 2, -2, ...
    double m = PowerOfTen(k);
    bool range_fits = !range_known || (top * m >= band.low && bottom * m <= band.high);
    if (!range_fits) continue;
    if (!have_fallback) {
      fallback = k;
      have_fallback = true;
    }
    double v = volts * m;
    if (volts != 0 && v >= band.low && v <= band.high) {
      if (k != 0) *rescaled = true;
      return v;
    }
  }
  if (have_fallback && fallback != 0) {
    *rescaled = true;
    return volts * PowerOfTen(fallback);
  }
  return volts;
}

void Set(HidUpsReading* r, HidUpsFigure figure, const HidField& f, int64_t logical) {
  double scaled = Scaled(f, logical);
  bool flag = logical != 0;
  switch (figure) {
    case HidUpsFigure::kAcPresent:
      r->ac_present = flag;
      break;
    case HidUpsFigure::kBelowRemainingCapacityLimit:
      r->below_remaining_capacity_limit = flag;
      break;
    case HidUpsFigure::kShutdownImminent:
      r->shutdown_imminent = flag;
      break;
    case HidUpsFigure::kCharging:
      r->charging = flag;
      break;
    case HidUpsFigure::kDischarging:
      r->discharging = flag;
      break;
    case HidUpsFigure::kCharge:
      r->charge_percent = scaled < 0 ? 0.0 : scaled > 100 ? 100.0 : scaled;
      break;
    case HidUpsFigure::kRuntime:
      r->runtime_seconds = scaled < 0 ? 0.0 : scaled;
      break;
    case HidUpsFigure::kLoad:
      r->load_percent = scaled < 0 ? 0.0 : scaled;
      break;
    case HidUpsFigure::kInputVoltage:
    case HidUpsFigure::kBatteryVoltage: {
      double volts = f.unit == kHidUnitVolt ? scaled * 1e-7 : scaled;
      bool input = figure == HidUpsFigure::kInputVoltage;
      double v = PlausibleVolts(f, volts, input ? kInputVoltageBand : kBatteryVoltageBand, &r->voltage_rescaled);
      (input ? r->input_voltage : r->battery_voltage) = v;
      break;
    }
    case HidUpsFigure::kNone:
      break;
  }
}

}  // namespace

HidUpsFigure HidUpsFigureOf(const HidField& f) {
  switch (f.usage) {
    case kHidUsageAcPresent:
      return HidUpsFigure::kAcPresent;
    case kHidUsageBelowRemainingCapacityLimit:
      return HidUpsFigure::kBelowRemainingCapacityLimit;
    case kHidUsageShutdownImminent:
      return HidUpsFigure::kShutdownImminent;
    case kHidUsageCharging:
      return HidUpsFigure::kCharging;
    case kHidUsageDischarging:
      return HidUpsFigure::kDischarging;
    case kHidUsageRemainingCapacity:
      return HidUpsFigure::kCharge;
    case kHidUsageRunTimeToEmpty:
      return HidUpsFigure::kRuntime;
    case kHidUsagePercentLoad:
      return HidUpsFigure::kLoad;
    case kHidUsageVoltage:
      return VoltageOf(f);
    default:
      return HidUpsFigure::kNone;
  }
}

size_t DecodeHidUpsReport(const HidDescriptor& d, HidReportKind kind, const uint8_t* report, size_t size,
                          HidUpsReading* into) {
  uint8_t id = 0;
  const uint8_t* payload = report;
  size_t payload_size = size;
  if (d.report_ids) {
    if (size == 0) return 0;
    id = report[0];
    ++payload;
    --payload_size;
  }
  size_t set = 0;
  for (size_t i = 0; i < d.field_count; ++i) {
    const HidField& f = d.fields[i];
    if (f.kind != kind || f.report_id != id) continue;
    HidUpsFigure figure = HidUpsFigureOf(f);
    if (figure == HidUpsFigure::kNone) continue;
    auto raw = RawBits(f, payload, payload_size);
    if (!raw) continue;
    auto logical = LogicalValue(f, *raw);
    if (!logical) continue;
    if (f.range_mended) into->range_mended = true;
    Set(into, figure, f, *logical);
    ++set;
  }
  return set;
}

size_t HidUpsReportIds(const HidDescriptor& d, HidReportKind kind, uint8_t ids[256]) {
  bool seen[256] = {};
  for (size_t i = 0; i < d.field_count; ++i) {
    const HidField& f = d.fields[i];
    if (f.kind == kind && HidUpsFigureOf(f) != HidUpsFigure::kNone) seen[f.report_id] = true;
  }
  size_t n = 0;
  for (size_t id = 0; id < 256; ++id)
    if (seen[id]) ids[n++] = static_cast<uint8_t>(id);
  return n;
}

std::optional<bool> HidUpsOnMains(const HidUpsReading& r) {
  if (r.ac_present) return *r.ac_present;
  if (r.discharging) return !*r.discharging;
  if (r.charging && *r.charging) return true;
  return std::nullopt;
}

std::optional<bool> HidUpsBatteryCritical(const HidUpsReading& r) {
  if (!r.below_remaining_capacity_limit && !r.shutdown_imminent) return std::nullopt;
  return r.below_remaining_capacity_limit.value_or(false) || r.shutdown_imminent.value_or(false);
}

UpsState HidUpsMeasured(const HidUpsReading& r) {
  UpsState s;
  s.charge_percent = r.charge_percent;
  if (r.runtime_seconds) s.runtime_s = static_cast<int32_t>(std::clamp(*r.runtime_seconds, 0.0, 2147483647.0));
  s.load_percent = r.load_percent;
  s.input_voltage_v = r.input_voltage;
  s.battery_voltage_v = r.battery_voltage;
  return s;
}

}  // namespace core
