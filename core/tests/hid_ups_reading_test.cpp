#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/hid_descriptor.h"
#include "core/hid_ups_reading.h"
#include "core/tests/hid_test_descriptors.h"

using namespace core;

namespace {

using Bytes = std::vector<uint8_t>;

template <size_t N>
std::unique_ptr<HidDescriptor> Parse(const uint8_t (&bytes)[N]) {
  auto d = std::make_unique<HidDescriptor>();
  EXPECT_EQ(ParseHidDescriptor(bytes, N, d.get()), HidParseError::kNone);
  return d;
}

size_t Decode(const HidDescriptor& d, HidReportKind kind, const Bytes& report, HidUpsReading* r) {
  // An exact copy on the heap, so that a read past its end is caught by the sanitizers.
  std::unique_ptr<uint8_t[]> copy(new uint8_t[report.size() + 1]);
  std::copy(report.begin(), report.end(), copy.get());
  return DecodeHidUpsReport(d, kind, copy.get(), report.size(), r);
}

TEST(HidUpsReadingTest, AnInputReportUpsOnMainsThenOnBatteryThenCritical) {
  auto d = Parse(kInputReportUps);
  HidUpsReading r;
  EXPECT_EQ(Decode(*d, HidReportKind::kInput, {0x01, 0b00101}, &r), 5u);  // ACPresent, Charging
  EXPECT_EQ(HidUpsOnMains(r), true);
  EXPECT_EQ(HidUpsBatteryCritical(r), false);
  EXPECT_EQ(r.charging, true);
  EXPECT_EQ(r.discharging, false);

  EXPECT_EQ(Decode(*d, HidReportKind::kInput, {0x02, 95, 0x58, 0x02, 37}, &r), 3u);
  EXPECT_DOUBLE_EQ(*r.charge_percent, 95);
  EXPECT_DOUBLE_EQ(*r.runtime_seconds, 600);
  EXPECT_DOUBLE_EQ(*r.load_percent, 37);
  EXPECT_EQ(Decode(*d, HidReportKind::kInput, {0x03, 0xE6, 0x00}, &r), 1u);
  EXPECT_NEAR(*r.input_voltage, 230.0, 1e-9);
  EXPECT_FALSE(r.battery_voltage);
  EXPECT_EQ(Decode(*d, HidReportKind::kFeature, {0x04, 0x46, 0x05}, &r), 1u);
  EXPECT_NEAR(*r.battery_voltage, 13.5, 1e-9);
  EXPECT_FALSE(r.voltage_rescaled);
  EXPECT_FALSE(r.range_mended);

  // Mains fails: ACPresent off, Discharging on; the figures of report 2 stay.
  Decode(*d, HidReportKind::kInput, {0x01, 0b01000}, &r);
  EXPECT_EQ(HidUpsOnMains(r), false);
  EXPECT_EQ(HidUpsBatteryCritical(r), false);
  EXPECT_DOUBLE_EQ(*r.charge_percent, 95);
  // Below the capacity limit, then the UPS about to shut down on its own.
  Decode(*d, HidReportKind::kInput, {0x01, 0b01010}, &r);
  EXPECT_EQ(HidUpsBatteryCritical(r), true);
  Decode(*d, HidReportKind::kInput, {0x01, 0b11000}, &r);
  EXPECT_EQ(r.below_remaining_capacity_limit, false);
  EXPECT_EQ(HidUpsBatteryCritical(r), true);
}

TEST(HidUpsReadingTest, AFeatureOnlyUpsIsOnBatteryWhenDischarging) {
  auto d = Parse(kFeatureOnlyUps);
  HidUpsReading r;
  // It sends no input reports: an input report of any id carries nothing.
  EXPECT_EQ(Decode(*d, HidReportKind::kInput, {0x10, 0x01}, &r), 0u);
  EXPECT_FALSE(HidUpsOnMains(r));
  EXPECT_FALSE(HidUpsBatteryCritical(r));  // it gives neither flag

  EXPECT_EQ(Decode(*d, HidReportKind::kFeature, {0x10, 0b01}, &r), 2u);
  EXPECT_EQ(HidUpsOnMains(r), true);
  Decode(*d, HidReportKind::kFeature, {0x10, 0b10}, &r);
  EXPECT_EQ(HidUpsOnMains(r), false);

  EXPECT_EQ(Decode(*d, HidReportKind::kFeature, {0x11, 80, 90, 128}, &r), 3u);
  EXPECT_DOUBLE_EQ(*r.charge_percent, 80);
  EXPECT_DOUBLE_EQ(*r.runtime_seconds, 900);  // tens of seconds
  EXPECT_NEAR(*r.load_percent, 128 * 100.0 / 255, 1e-9);
  EXPECT_EQ(Decode(*d, HidReportKind::kFeature, {0x12, 0xFD, 0x08}, &r), 1u);  // 2301 dV
  EXPECT_NEAR(*r.input_voltage, 230.1, 1e-9);
  EXPECT_FALSE(r.voltage_rescaled);
}

TEST(HidUpsReadingTest, AFaultyUpsReadsSafely) {
  auto d = Parse(kFaultyUps);
  HidUpsReading r;
  // On line and discharging at once, charge 87 %, runtime unknown, 230 V
  // sent as volts under a centivolt exponent, 13.6 V sent as decivolts.
  EXPECT_EQ(Decode(*d, HidReportKind::kInput, {0b011, 87, 0xFF, 0xFF, 0xE6, 0x00, 136}, &r), 6u);
  EXPECT_EQ(r.ac_present, true);
  EXPECT_EQ(r.discharging, true);
  EXPECT_EQ(HidUpsOnMains(r), true);  // calibrating, not a mains failure
  EXPECT_EQ(HidUpsBatteryCritical(r), false);
  EXPECT_DOUBLE_EQ(*r.charge_percent, 87);
  EXPECT_TRUE(r.range_mended);
  EXPECT_FALSE(r.runtime_seconds);  // 0xFFFF lies outside 0..32767
  EXPECT_NEAR(*r.input_voltage, 230.0, 1e-9);
  EXPECT_NEAR(*r.battery_voltage, 13.6, 1e-9);
  EXPECT_TRUE(r.voltage_rescaled);

  // A real 0 V at the input stays 0 V; the battery's range still decides its decade.
  HidUpsReading lost;
  Decode(*d, HidReportKind::kInput, {0b010, 40, 0x2C, 0x01, 0x00, 0x00, 120}, &lost);
  EXPECT_EQ(HidUpsOnMains(lost), false);
  EXPECT_DOUBLE_EQ(*lost.input_voltage, 0.0);
  EXPECT_NEAR(*lost.battery_voltage, 12.0, 1e-9);
  EXPECT_DOUBLE_EQ(*lost.runtime_seconds, 300);
  // The charge's mended range reaches 255: a value above 100 % reads as 100 %.
  HidUpsReading over;
  Decode(*d, HidReportKind::kInput, {0, 200, 0, 0, 0, 0, 0}, &over);
  EXPECT_DOUBLE_EQ(*over.charge_percent, 100);
}

TEST(HidUpsReadingTest, ShortLongAndStrangeReports) {
  auto d = Parse(kInputReportUps);
  HidUpsReading r;
  EXPECT_EQ(Decode(*d, HidReportKind::kInput, {}, &r), 0u);
  EXPECT_EQ(Decode(*d, HidReportKind::kInput, {0x01}, &r), 0u);  // id and nothing
  EXPECT_EQ(Decode(*d, HidReportKind::kInput, {0x09, 0xFF, 0xFF}, &r), 0u);  // no such report
  // Cut inside the runtime: the charge only.
  EXPECT_EQ(Decode(*d, HidReportKind::kInput, {0x02, 50, 0x58}, &r), 1u);
  EXPECT_DOUBLE_EQ(*r.charge_percent, 50);
  EXPECT_FALSE(r.runtime_seconds);
  EXPECT_FALSE(r.load_percent);
  // Longer than described: the rest is ignored.
  Bytes longer = {0x02, 60, 0x2C, 0x01, 20};
  longer.resize(4096, 0xFF);
  EXPECT_EQ(Decode(*d, HidReportKind::kInput, longer, &r), 3u);
  EXPECT_DOUBLE_EQ(*r.runtime_seconds, 300);
  // A charge above its logical maximum of 100 means "unknown": the last value stays.
  EXPECT_EQ(Decode(*d, HidReportKind::kInput, {0x02, 101, 0x2C, 0x01, 20}, &r), 2u);
  EXPECT_DOUBLE_EQ(*r.charge_percent, 60);
  // Every bit flipped in every report: bounded reads, figures within their ranges.
  for (const Bytes& report : {Bytes{0x01, 0x05}, Bytes{0x02, 95, 0x58, 0x02, 37}, Bytes{0x03, 0xE6, 0x00}}) {
    for (size_t at = 0; at < report.size(); ++at) {
      for (int bit = 0; bit < 8; ++bit) {
        Bytes flipped = report;
        flipped[at] ^= static_cast<uint8_t>(1u << bit);
        HidUpsReading f;
        Decode(*d, HidReportKind::kInput, flipped, &f);
        EXPECT_LE(f.charge_percent.value_or(0), 100);
        EXPECT_LE(f.load_percent.value_or(0), 100);
        EXPECT_LE(f.input_voltage.value_or(0), 300);
      }
    }
  }
}

TEST(HidUpsReadingTest, VoltagesAreTheInputsOrTheBatterysByTheirCollections) {
  HidField f;
  f.usage = kHidUsageVoltage;
  f.collection_depth = 2;
  f.collections[0] = HidUsage(0x84, 0x04);
  f.collections[1] = kHidUsageInput;
  EXPECT_EQ(HidUpsFigureOf(f), HidUpsFigure::kInputVoltage);
  f.collections[1] = kHidUsageBattery;
  EXPECT_EQ(HidUpsFigureOf(f), HidUpsFigure::kBatteryVoltage);
  f.collections[1] = kHidUsagePowerSummary;
  EXPECT_EQ(HidUpsFigureOf(f), HidUpsFigure::kBatteryVoltage);
  f.collections[1] = HidUsage(0x85, 0x10);
  EXPECT_EQ(HidUpsFigureOf(f), HidUpsFigure::kBatteryVoltage);
  f.collections[1] = kHidUsageOutput;
  EXPECT_EQ(HidUpsFigureOf(f), HidUpsFigure::kNone);
  f.collections[1] = HidUsage(0x84, 0x20);  // an Outlet
  EXPECT_EQ(HidUpsFigureOf(f), HidUpsFigure::kNone);
  // The innermost decides: an Input inside a Power Summary.
  f.collection_depth = 3;
  f.collections[1] = kHidUsagePowerSummary;
  f.collections[2] = kHidUsageInput;
  EXPECT_EQ(HidUpsFigureOf(f), HidUpsFigure::kInputVoltage);
}

TEST(HidUpsReadingTest, MainsFromChargingAloneAndCriticalFromEitherFlag) {
  HidUpsReading r;
  r.charging = false;
  EXPECT_FALSE(HidUpsOnMains(r));  // not charging says nothing of mains
  r.charging = true;
  EXPECT_EQ(HidUpsOnMains(r), true);
  r.ac_present = false;
  EXPECT_EQ(HidUpsOnMains(r), false);  // ACPresent decides where it exists
  r.shutdown_imminent = false;
  EXPECT_EQ(HidUpsBatteryCritical(r), false);
  r.below_remaining_capacity_limit = true;
  EXPECT_EQ(HidUpsBatteryCritical(r), true);
}

}  // namespace
