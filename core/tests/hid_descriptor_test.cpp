#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/hid_descriptor.h"
#include "core/hid_ups_reading.h"
#include "core/tests/hid_test_descriptors.h"

using namespace core;

namespace {

using Bytes = std::vector<uint8_t>;

// A HidDescriptor is tens of kilobytes: on the heap.
std::unique_ptr<HidDescriptor> Parse(const Bytes& bytes, HidParseError expected = HidParseError::kNone) {
  auto d = std::make_unique<HidDescriptor>();
  EXPECT_EQ(ParseHidDescriptor(bytes.data(), bytes.size(), d.get()), expected) << HidParseErrorText(expected);
  return d;
}

template <size_t N>
Bytes Of(const uint8_t (&array)[N]) {
  return Bytes(array, array + N);
}

const HidField* Find(const HidDescriptor& d, uint32_t usage, HidReportKind kind) {
  for (size_t i = 0; i < d.field_count; ++i)
    if (d.fields[i].usage == usage && d.fields[i].kind == kind) return &d.fields[i];
  return nullptr;
}

TEST(HidDescriptorTest, PlacesEachFieldOfAnInputReportUps) {
  auto d = Parse(Of(kInputReportUps));
  EXPECT_TRUE(d->report_ids);
  EXPECT_FALSE(d->fields_dropped);
  ASSERT_EQ(d->application_count, 1u);
  EXPECT_EQ(d->applications[0], HidUsage(0x84, 0x04));
  EXPECT_TRUE(HidDescriptorIsUps(*d));
  // Five status bits, three figures in report 2, two voltages; padding is not listed.
  EXPECT_EQ(d->field_count, 10u);

  const HidField* discharging = Find(*d, kHidUsageDischarging, HidReportKind::kInput);
  ASSERT_TRUE(discharging);
  EXPECT_EQ(discharging->report_id, 1);
  EXPECT_EQ(discharging->bit_offset, 3u);
  EXPECT_EQ(discharging->bit_size, 1);
  ASSERT_EQ(discharging->collection_depth, 3);
  EXPECT_EQ(discharging->collections[0], HidUsage(0x84, 0x04));
  EXPECT_EQ(discharging->collections[1], kHidUsagePowerSummary);
  EXPECT_EQ(discharging->collections[2], HidUsage(0x84, 0x02));

  const HidField* runtime = Find(*d, kHidUsageRunTimeToEmpty, HidReportKind::kInput);
  ASSERT_TRUE(runtime);
  EXPECT_EQ(runtime->report_id, 2);
  EXPECT_EQ(runtime->bit_offset, 8u);
  EXPECT_EQ(runtime->bit_size, 16);
  EXPECT_EQ(runtime->logical_max, 65535);
  EXPECT_EQ(runtime->unit, kHidUnitSecond);
  EXPECT_FALSE(runtime->range_mended);

  const HidField* load = Find(*d, kHidUsagePercentLoad, HidReportKind::kInput);
  ASSERT_TRUE(load);
  EXPECT_EQ(load->bit_offset, 24u);
  EXPECT_EQ(load->unit, 0u);

  const HidField* battery = Find(*d, kHidUsageVoltage, HidReportKind::kFeature);
  ASSERT_TRUE(battery);
  EXPECT_EQ(battery->report_id, 4);
  EXPECT_EQ(battery->bit_offset, 0u);  // offsets count per kind and report
  EXPECT_EQ(battery->unit_exponent, 5);
  EXPECT_EQ(HidUpsFigureOf(*battery), HidUpsFigure::kBatteryVoltage);
  const HidField* input = Find(*d, kHidUsageVoltage, HidReportKind::kInput);
  ASSERT_TRUE(input);
  EXPECT_EQ(HidUpsFigureOf(*input), HidUpsFigure::kInputVoltage);
  EXPECT_EQ(input->unit_exponent, 7);
}

TEST(HidDescriptorTest, ReadsUsageRangesPushPopNibbleExponentsAndLongItems) {
  auto d = Parse(Of(kFeatureOnlyUps));
  const HidField* charging = Find(*d, kHidUsageCharging, HidReportKind::kFeature);
  const HidField* discharging = Find(*d, kHidUsageDischarging, HidReportKind::kFeature);
  ASSERT_TRUE(charging && discharging);
  EXPECT_EQ(charging->bit_offset, 0u);
  EXPECT_EQ(discharging->bit_offset, 1u);

  const HidField* runtime = Find(*d, kHidUsageRunTimeToEmpty, HidReportKind::kFeature);
  ASSERT_TRUE(runtime);
  EXPECT_EQ(runtime->unit_exponent, 1);
  EXPECT_EQ(runtime->logical_max, 255);
  const HidField* load = Find(*d, kHidUsagePercentLoad, HidReportKind::kFeature);
  ASSERT_TRUE(load);
  EXPECT_EQ(load->unit_exponent, 0);  // popped
  EXPECT_EQ(load->unit, 0u);
  EXPECT_EQ(load->physical_max, 100);
  EXPECT_EQ(load->bit_offset, 16u);

  const HidField* voltage = Find(*d, kHidUsageVoltage, HidReportKind::kFeature);
  ASSERT_TRUE(voltage);
  EXPECT_EQ(voltage->unit_exponent, -1);
  EXPECT_EQ(voltage->physical_max, 0);

  uint8_t ids[256];
  EXPECT_EQ(HidUpsReportIds(*d, HidReportKind::kInput, ids), 0u);
  ASSERT_EQ(HidUpsReportIds(*d, HidReportKind::kFeature, ids), 3u);
  EXPECT_EQ(ids[0], 0x10);
  EXPECT_EQ(ids[1], 0x11);
  EXPECT_EQ(ids[2], 0x12);
}

TEST(HidDescriptorTest, MendsAMinimumAboveItsMaximumByReadingTheMaximumUnsigned) {
  auto d = Parse(Of(kFaultyUps));
  EXPECT_FALSE(d->report_ids);
  const HidField* charge = Find(*d, kHidUsageRemainingCapacity, HidReportKind::kInput);
  ASSERT_TRUE(charge);
  EXPECT_TRUE(charge->range_mended);
  EXPECT_EQ(charge->logical_min, 0);
  EXPECT_EQ(charge->logical_max, 255);
  const HidField* runtime = Find(*d, kHidUsageRunTimeToEmpty, HidReportKind::kInput);
  ASSERT_TRUE(runtime);
  EXPECT_FALSE(runtime->range_mended);
  EXPECT_EQ(runtime->logical_max, 32767);
}

TEST(HidDescriptorTest, TellsAUpsFromOtherDevices) {
  auto ups = Parse(Of(kFeatureOnlyUps));
  EXPECT_TRUE(HidDescriptorIsUps(*ups));
  // A battery system on its own page is one too.
  auto battery = Parse({0x05, 0x85, 0x09, 0x01, 0xA1, 0x01, 0xC0});
  EXPECT_TRUE(HidDescriptorIsUps(*battery));
  // A keyboard (Generic Desktop), and a Power Device collection that is
  // physical, not an application, nested in a vendor's application.
  auto keyboard = Parse({0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0xC0});
  EXPECT_FALSE(HidDescriptorIsUps(*keyboard));
  auto nested = Parse({0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x05, 0x84, 0x09, 0x04, 0xA1, 0x00, 0xC0, 0xC0});
  EXPECT_FALSE(HidDescriptorIsUps(*nested));
  auto empty = Parse({});
  EXPECT_FALSE(HidDescriptorIsUps(*empty));
}

TEST(HidDescriptorTest, RefusesMalformedStructure) {
  Parse({0xC0}, HidParseError::kStackUnderflow);
  Parse({0xB4}, HidParseError::kStackUnderflow);
  Parse({0x05, 0x84, 0x09, 0x04, 0xA1, 0x01}, HidParseError::kUnclosedCollection);
  Parse({0x85, 0x00}, HidParseError::kBadReportId);
  Parse({0x86, 0x00, 0x01}, HidParseError::kBadReportId);  // 256
  Bytes pushes(kHidGlobalStackMax, 0xA4);
  Parse(pushes);
  pushes.push_back(0xA4);
  Parse(pushes, HidParseError::kStackOverflow);
  Bytes nested;
  for (size_t i = 0; i <= kHidCollectionDepthMax; ++i) nested.insert(nested.end(), {0xA1, 0x00});
  Parse(nested, HidParseError::kStackOverflow);
  // 65535 fields of 32 bits in one report: far past 4096 bytes.
  Parse({0x75, 0x20, 0x96, 0xFF, 0xFF, 0x09, 0x30, 0x81, 0x02}, HidParseError::kReportTooLong);
  // 4096 bytes exactly: taken; one more: refused.
  Bytes limit(kHidDescriptorMax, 0x00);  // zero bytes are empty main items
  Parse(limit);
  limit.push_back(0x00);
  Parse(limit, HidParseError::kTooLong);
}

TEST(HidDescriptorTest, EveryCutOfADescriptorIsRefusedWithoutReadingPastIt) {
  for (const Bytes& whole : {Of(kInputReportUps), Of(kFeatureOnlyUps), Of(kFaultyUps)}) {
    for (size_t n = 1; n < whole.size(); ++n) {
      // An exact copy on the heap, so that a read past its end is caught by the sanitizers.
      std::unique_ptr<uint8_t[]> cut(new uint8_t[n]);
      std::copy(whole.begin(), whole.begin() + static_cast<long>(n), cut.get());
      auto d = std::make_unique<HidDescriptor>();
      HidParseError e = ParseHidDescriptor(cut.get(), n, d.get());
      // Before the Application collection opens (bytes 4-5 of each), a cut
      // is a well-formed descriptor of no collection, and no UPS.
      if (n < 6) {
        EXPECT_TRUE(e == HidParseError::kNone || e == HidParseError::kTruncatedItem) << n;
        EXPECT_FALSE(HidDescriptorIsUps(*d));
        continue;
      }
      EXPECT_TRUE(e == HidParseError::kTruncatedItem || e == HidParseError::kUnclosedCollection)
          << "cut at " << n << ": " << HidParseErrorText(e);
    }
  }
}

TEST(HidDescriptorTest, FlippedBitsYieldFieldsWithinTheirBounds) {
  for (const Bytes& whole : {Of(kInputReportUps), Of(kFeatureOnlyUps), Of(kFaultyUps)}) {
    for (size_t at = 0; at < whole.size(); ++at) {
      for (int bit = 0; bit < 8; ++bit) {
        Bytes flipped = whole;
        flipped[at] ^= static_cast<uint8_t>(1u << bit);
        auto d = std::make_unique<HidDescriptor>();
        if (ParseHidDescriptor(flipped.data(), flipped.size(), d.get()) != HidParseError::kNone) continue;
        ASSERT_LE(d->field_count, kHidFieldsMax);
        for (size_t i = 0; i < d->field_count; ++i) {
          const HidField& f = d->fields[i];
          ASSERT_GE(f.bit_size, 1);
          ASSERT_LE(f.bit_size, 32);
          ASSERT_LE(f.bit_offset + f.bit_size, kHidReportBitsMax);
          ASSERT_LE(f.logical_min, f.logical_max);
          ASSERT_LE(f.collection_depth, kHidCollectionDepthMax);
          ASSERT_GE(f.unit_exponent, -8);
          ASSERT_LE(f.unit_exponent, 7);
        }
        // Any report against any descriptor: bounded reads, figures in range.
        uint8_t report[9] = {0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
        HidUpsReading r;
        DecodeHidUpsReport(*d, HidReportKind::kInput, report, sizeof report, &r);
        DecodeHidUpsReport(*d, HidReportKind::kFeature, report, sizeof report, &r);
        if (r.charge_percent) {
          ASSERT_GE(*r.charge_percent, 0);
          ASSERT_LE(*r.charge_percent, 100);
        }
      }
    }
  }
}

TEST(HidDescriptorTest, ListsAtMostItsLimitOfFieldsAndKeepsCountingBits) {
  // Three items of 255 one-bit variables, each its own usage: 765 fields.
  Bytes many = {0x05, 0x84, 0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0xFF};
  // Byte by byte: mingw's GCC 12 warns falsely on inserting a braced list.
  for (int i = 0; i < 3; ++i)
    for (uint8_t b : {0x19, 0x01, 0x29, 0xFF, 0x81, 0x02}) many.push_back(b);
  // Then one more field after them, at bit 765.
  for (uint8_t b : {0x09, 0x30, 0x95, 0x01, 0xB1, 0x02}) many.push_back(b);
  auto d = Parse(many);
  EXPECT_EQ(d->field_count, kHidFieldsMax);
  EXPECT_TRUE(d->fields_dropped);
  EXPECT_EQ(d->fields[kHidFieldsMax - 1].bit_offset, kHidFieldsMax - 1);
}

TEST(HidDescriptorTest, ACountBeyondItsUsagesListsTheLastUsageOnceAndSkipsArraysAndPadding) {
  // Voltage, then Current repeated over 3 more places; then an array of 2; then padding.
  auto d = Parse({0x05, 0x84, 0x09, 0x30, 0x09, 0x31, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x04, 0x81,
                  0x02, 0x09, 0x30, 0x95, 0x02, 0x81, 0x00, 0x95, 0x01, 0x81, 0x03, 0x09, 0x35, 0x81, 0x02});
  ASSERT_EQ(d->field_count, 3u);
  EXPECT_EQ(d->fields[0].usage, kHidUsageVoltage);
  EXPECT_EQ(d->fields[1].usage, HidUsage(0x84, 0x31));
  EXPECT_EQ(d->fields[1].bit_offset, 8u);
  EXPECT_EQ(d->fields[2].usage, kHidUsagePercentLoad);
  EXPECT_EQ(d->fields[2].bit_offset, 32u + 16u + 8u);  // after the 4 values, the array and the padding
}

TEST(HidDescriptorTest, WholeByteAndFourByteItemsReadAsTheirSize) {
  // Unit exponent written as a whole byte (-2), a 4-byte usage with its own page.
  auto d = Parse({0x55, 0xFE, 0x0B, 0x68, 0x00, 0x85, 0x00, 0x15, 0x00, 0x26, 0xFF, 0x7F, 0x75, 0x10, 0x95, 0x01,
                  0x81, 0x02});
  ASSERT_EQ(d->field_count, 1u);
  EXPECT_EQ(d->fields[0].usage, kHidUsageRunTimeToEmpty);
  EXPECT_EQ(d->fields[0].unit_exponent, -2);
}

}  // namespace
