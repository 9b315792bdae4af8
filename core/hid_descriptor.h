// A USB HID report descriptor, parsed into the fields of its reports: for
// each input, output and feature field, where its bits sit in which report,
// its usage, the collections around it, and its ranges, unit and exponent.
// Bounded throughout: a descriptor of any length, any nesting and any item
// values yields at most kHidFieldsMax fields or an error, never a read past
// its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace core {

inline constexpr size_t kHidDescriptorMax = 4096;  // HID_MAX_DESCRIPTOR_SIZE of Linux's hidraw
inline constexpr size_t kHidFieldsMax = 512;
inline constexpr size_t kHidCollectionDepthMax = 16;
inline constexpr size_t kHidGlobalStackMax = 8;  // Push without Pop
inline constexpr size_t kHidApplicationsMax = 8;
inline constexpr uint32_t kHidReportBitsMax = 8 * 4096;  // the bits of one report after its id byte

// A usage: its page in the high 16 bits, its id in the low 16.
constexpr uint32_t HidUsage(uint16_t page, uint16_t id) { return (uint32_t{page} << 16) | id; }
constexpr uint16_t HidUsagePage(uint32_t usage) { return static_cast<uint16_t>(usage >> 16); }

enum class HidReportKind : uint8_t { kInput = 0, kOutput = 1, kFeature = 2 };

struct HidField {
  HidReportKind kind = HidReportKind::kInput;
  uint8_t report_id = 0;  // 0 when the descriptor declares no report ids
  uint32_t bit_offset = 0;  // from the first bit after the report id byte
  uint8_t bit_size = 0;     // 1 to 32; wider fields take their bits but are not listed
  uint32_t usage = 0;
  // Logical range as the descriptor's data reads once mended: when the
  // minimum read as a signed number exceeds the maximum, the maximum is the
  // same bytes read unsigned (a descriptor that writes 255 as one byte).
  int64_t logical_min = 0;
  int64_t logical_max = 0;
  bool range_mended = false;  // the above was needed
  int64_t physical_min = 0;   // both 0: the same as the logical range
  int64_t physical_max = 0;
  uint32_t unit = 0;
  int8_t unit_exponent = 0;  // -8 to 7
  uint32_t collections[kHidCollectionDepthMax] = {};  // the usages of the collections around it, outermost first
  uint8_t collection_depth = 0;
};

// Only data variables are listed: constant (padding) and array items take
// their bits and no entry. A variable item whose count exceeds its usages
// lists its last usage once, at its first place, as that usage's value.
struct HidDescriptor {
  HidField fields[kHidFieldsMax];
  size_t field_count = 0;
  bool fields_dropped = false;  // more fields than kHidFieldsMax: the rest take their bits only
  bool report_ids = false;  // every report starts with its id byte
  uint32_t applications[kHidApplicationsMax] = {};  // top-level Application collections' usages
  size_t application_count = 0;
};

enum class HidParseError : uint8_t {
  kNone,
  kTooLong,           // more than kHidDescriptorMax bytes
  kTruncatedItem,     // an item's data runs past the end
  kStackOverflow,     // Push deeper than the parser keeps, or collections nested too deep
  kStackUnderflow,    // Pop without Push, End Collection without Collection
  kUnclosedCollection,
  kReportTooLong,     // a report of more than kHidReportBitsMax bits
  kBadReportId,       // report id 0 or above 255
};

const char* HidParseErrorText(HidParseError error);

// Parses `size` bytes into `*out` (a large object: keep one, do not copy it
// about). On error `*out` holds what was parsed before it.
HidParseError ParseHidDescriptor(const uint8_t* bytes, size_t size, HidDescriptor* out);

// Whether the descriptor describes a UPS: a top-level Application
// collection on the Power Device page (0x84) or the Battery System page
// (0x85).
bool HidDescriptorIsUps(const HidDescriptor& d);

}  // namespace core
