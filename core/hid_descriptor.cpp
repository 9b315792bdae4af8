#include "core/hid_descriptor.h"

namespace core {

namespace {

enum ItemType : uint8_t { kMain = 0, kGlobal = 1, kLocal = 2 };

enum MainTag : uint8_t { kInput = 0x8, kOutput = 0x9, kCollection = 0xA, kFeature = 0xB, kEndCollection = 0xC };

enum GlobalTag : uint8_t {
  kUsagePage = 0x0,
  kLogicalMin = 0x1,
  kLogicalMax = 0x2,
  kPhysicalMin = 0x3,
  kPhysicalMax = 0x4,
  kUnitExponent = 0x5,
  kUnit = 0x6,
  kReportSize = 0x7,
  kReportId = 0x8,
  kReportCount = 0x9,
  kPush = 0xA,
  kPop = 0xB,
};

enum LocalTag : uint8_t { kUsage = 0x0, kUsageMin = 0x1, kUsageMax = 0x2 };

constexpr uint8_t kLongItemPrefix = 0xFE;
constexpr uint8_t kApplicationCollection = 0x01;
constexpr size_t kUsagesMax = 256;  // usages listed before one main item; more are not kept

// An item's data as the descriptor wrote it: its size in bytes (0, 1, 2, 4)
// and its value read unsigned and read signed.
struct ItemData {
  uint8_t size = 0;
  uint32_t unsigned_value = 0;
  int64_t signed_value = 0;
};

// A range bound as written, so that a minimum above its maximum can be mended
// by reading the maximum's bytes unsigned.
struct Bound {
  int64_t as_signed = 0;
  uint32_t as_unsigned = 0;
};

struct Globals {
  uint16_t usage_page = 0;
  Bound logical_min, logical_max, physical_min, physical_max;
  int8_t unit_exponent = 0;
  uint32_t unit = 0;
  uint32_t report_size = 0;
  uint32_t report_id = 0;
  uint32_t report_count = 0;
};

struct Locals {
  uint32_t usages[kUsagesMax] = {};
  size_t usage_count = 0;
  bool have_usage_min = false;
  uint32_t usage_min = 0;
};

struct Parser {
  explicit Parser(HidDescriptor* d) : out(d) {}
  HidDescriptor* out;
  Globals globals;
  Globals global_stack[kHidGlobalStackMax];
  size_t global_depth = 0;
  Locals locals;
  uint32_t collections[kHidCollectionDepthMax] = {};
  size_t collection_depth = 0;
  uint32_t next_bit[3][256] = {};  // per kind, per report id
};

ItemData ReadData(const uint8_t* at, uint8_t size) {
  ItemData d;
  d.size = size;
  for (uint8_t i = 0; i < size; ++i) d.unsigned_value |= uint32_t{at[i]} << (8 * i);
  switch (size) {
    case 1:
      d.signed_value = static_cast<int8_t>(d.unsigned_value);
      break;
    case 2:
      d.signed_value = static_cast<int16_t>(d.unsigned_value);
      break;
    case 4:
      d.signed_value = static_cast<int32_t>(d.unsigned_value);
      break;
    default:
      d.signed_value = 0;
  }
  return d;
}

// The unit exponent is a 4-bit two's complement number; some descriptors
// write it as a whole signed byte instead (0xFE for -2), which reads the same
// from its low nibble. A value outside -8..7 keeps only its low nibble.
int8_t UnitExponent(const ItemData& d) {
  if (d.signed_value >= -8 && d.signed_value <= 7) return static_cast<int8_t>(d.signed_value);
  uint8_t nibble = d.unsigned_value & 0xF;
  return nibble >= 8 ? static_cast<int8_t>(nibble - 16) : static_cast<int8_t>(nibble);
}

void AddUsage(Locals& l, uint32_t usage) {
  if (l.usage_count < kUsagesMax) l.usages[l.usage_count++] = usage;
}

// A usage written in 1 or 2 bytes takes the current usage page; 4 bytes
// carry their own page.
uint32_t FullUsage(const Parser& p, const ItemData& d) {
  if (d.size == 4) return d.unsigned_value;
  return HidUsage(p.globals.usage_page, static_cast<uint16_t>(d.unsigned_value));
}

void MendRange(const Bound& min, const Bound& max, int64_t* lo, int64_t* hi, bool* mended) {
  *lo = min.as_signed;
  *hi = max.as_signed;
  if (*lo <= *hi) return;
  *mended = true;
  *hi = max.as_unsigned;
  if (*lo > *hi) {  // still upside down: take the two bounds the right way round
    int64_t t = *lo;
    *lo = *hi;
    *hi = t;
  }
}

HidParseError AddMainItem(Parser& p, HidReportKind kind, const ItemData& d) {
  const Globals& g = p.globals;
  uint32_t& next = p.next_bit[static_cast<int>(kind)][g.report_id];
  uint64_t bits = uint64_t{g.report_size} * g.report_count;
  if (next + bits > kHidReportBitsMax) return HidParseError::kReportTooLong;
  uint32_t start = next;
  next += static_cast<uint32_t>(bits);
  bool constant = d.unsigned_value & 0x1;
  bool variable = d.unsigned_value & 0x2;
  if (constant || !variable || g.report_size == 0 || g.report_size > 32) return HidParseError::kNone;
  size_t listed = p.locals.usage_count > 0 ? p.locals.usage_count : 1;
  if (listed > g.report_count) listed = g.report_count;
  for (size_t i = 0; i < listed; ++i) {
    if (p.out->field_count == kHidFieldsMax) {
      p.out->fields_dropped = true;
      break;
    }
    HidField& f = p.out->fields[p.out->field_count++];
    f = HidField{};
    f.kind = kind;
    f.report_id = static_cast<uint8_t>(g.report_id);
    f.bit_offset = start + static_cast<uint32_t>(i) * g.report_size;
    f.bit_size = static_cast<uint8_t>(g.report_size);
    f.usage = p.locals.usage_count > 0 ? p.locals.usages[i] : 0;
    MendRange(g.logical_min, g.logical_max, &f.logical_min, &f.logical_max, &f.range_mended);
    bool physical_mended = false;
    MendRange(g.physical_min, g.physical_max, &f.physical_min, &f.physical_max, &physical_mended);
    f.unit = g.unit;
    f.unit_exponent = g.unit_exponent;
    for (size_t c = 0; c < p.collection_depth; ++c) f.collections[c] = p.collections[c];
    f.collection_depth = static_cast<uint8_t>(p.collection_depth);
  }
  return HidParseError::kNone;
}

HidParseError MainItem(Parser& p, uint8_t tag, const ItemData& d) {
  HidParseError e = HidParseError::kNone;
  switch (tag) {
    case kInput:
      e = AddMainItem(p, HidReportKind::kInput, d);
      break;
    case kOutput:
      e = AddMainItem(p, HidReportKind::kOutput, d);
      break;
    case kFeature:
      e = AddMainItem(p, HidReportKind::kFeature, d);
      break;
    case kCollection: {
      if (p.collection_depth == kHidCollectionDepthMax) return HidParseError::kStackOverflow;
      uint32_t usage = p.locals.usage_count > 0 ? p.locals.usages[0] : 0;
      if (p.collection_depth == 0 && (d.unsigned_value & 0xFF) == kApplicationCollection &&
          p.out->application_count < kHidApplicationsMax)
        p.out->applications[p.out->application_count++] = usage;
      p.collections[p.collection_depth++] = usage;
      break;
    }
    case kEndCollection:
      if (p.collection_depth == 0) return HidParseError::kStackUnderflow;
      --p.collection_depth;
      break;
    default:
      break;  // reserved main items carry nothing of ours
  }
  p.locals = Locals{};  // local items last until the next main item
  return e;
}

HidParseError GlobalItem(Parser& p, uint8_t tag, const ItemData& d) {
  Globals& g = p.globals;
  switch (tag) {
    case kUsagePage:
      g.usage_page = static_cast<uint16_t>(d.unsigned_value);
      break;
    case kLogicalMin:
      g.logical_min = {d.signed_value, d.unsigned_value};
      break;
    case kLogicalMax:
      g.logical_max = {d.signed_value, d.unsigned_value};
      break;
    case kPhysicalMin:
      g.physical_min = {d.signed_value, d.unsigned_value};
      break;
    case kPhysicalMax:
      g.physical_max = {d.signed_value, d.unsigned_value};
      break;
    case kUnitExponent:
      g.unit_exponent = UnitExponent(d);
      break;
    case kUnit:
      g.unit = d.unsigned_value;
      break;
    case kReportSize:
      g.report_size = d.unsigned_value;
      break;
    case kReportId:
      if (d.unsigned_value == 0 || d.unsigned_value > 255) return HidParseError::kBadReportId;
      g.report_id = d.unsigned_value;
      p.out->report_ids = true;
      break;
    case kReportCount:
      g.report_count = d.unsigned_value;
      break;
    case kPush:
      if (p.global_depth == kHidGlobalStackMax) return HidParseError::kStackOverflow;
      p.global_stack[p.global_depth++] = g;
      break;
    case kPop:
      if (p.global_depth == 0) return HidParseError::kStackUnderflow;
      g = p.global_stack[--p.global_depth];
      break;
    default:
      break;
  }
  return HidParseError::kNone;
}

void LocalItem(Parser& p, uint8_t tag, const ItemData& d) {
  Locals& l = p.locals;
  switch (tag) {
    case kUsage:
      AddUsage(l, FullUsage(p, d));
      break;
    case kUsageMin:
      l.have_usage_min = true;
      l.usage_min = FullUsage(p, d);
      break;
    case kUsageMax: {
      if (!l.have_usage_min) break;
      uint32_t max = FullUsage(p, d);
      // Within one page only; a range that ends before it starts lists nothing.
      for (uint32_t u = l.usage_min; u <= max && HidUsagePage(u) == HidUsagePage(l.usage_min) &&
                                     l.usage_count < kUsagesMax;
           ++u)
        AddUsage(l, u);
      l.have_usage_min = false;
      break;
    }
    default:
      break;  // designators, strings and delimiters: nothing of ours
  }
}

}  // namespace

const char* HidParseErrorText(HidParseError error) {
  switch (error) {
    case HidParseError::kNone:
      return "no error";
    case HidParseError::kTooLong:
      return "descriptor longer than 4096 bytes";
    case HidParseError::kTruncatedItem:
      return "an item runs past the end of the descriptor";
    case HidParseError::kStackOverflow:
      return "pushes or collections nested too deep";
    case HidParseError::kStackUnderflow:
      return "pop or end of collection without its start";
    case HidParseError::kUnclosedCollection:
      return "a collection is not closed";
    case HidParseError::kReportTooLong:
      return "a report longer than 4096 bytes";
    case HidParseError::kBadReportId:
      return "report id 0 or above 255";
  }
  return "unknown error";
}

HidParseError ParseHidDescriptor(const uint8_t* bytes, size_t size, HidDescriptor* out) {
  out->field_count = 0;
  out->fields_dropped = false;
  out->report_ids = false;
  out->application_count = 0;
  if (size > kHidDescriptorMax) return HidParseError::kTooLong;
  Parser p(out);  // about 5 KB
  size_t at = 0;
  while (at < size) {
    uint8_t prefix = bytes[at];
    if (prefix == kLongItemPrefix) {  // a long item: its size, its tag, its data; none is ours
      if (size - at < 3) return HidParseError::kTruncatedItem;
      size_t data_size = bytes[at + 1];
      if (size - at - 3 < data_size) return HidParseError::kTruncatedItem;
      at += 3 + data_size;
      continue;
    }
    uint8_t data_size = prefix & 0x3;
    if (data_size == 3) data_size = 4;
    if (size - at - 1 < data_size) return HidParseError::kTruncatedItem;
    ItemData d = ReadData(bytes + at + 1, data_size);
    uint8_t type = (prefix >> 2) & 0x3;
    uint8_t tag = prefix >> 4;
    at += 1 + data_size;
    HidParseError e = HidParseError::kNone;
    if (type == kMain)
      e = MainItem(p, tag, d);
    else if (type == kGlobal)
      e = GlobalItem(p, tag, d);
    else if (type == kLocal)
      LocalItem(p, tag, d);
    if (e != HidParseError::kNone) return e;
  }
  if (p.collection_depth != 0) return HidParseError::kUnclosedCollection;
  return HidParseError::kNone;
}

bool HidDescriptorIsUps(const HidDescriptor& d) {
  for (size_t i = 0; i < d.application_count; ++i) {
    uint16_t page = HidUsagePage(d.applications[i]);
    if (page == 0x84 || page == 0x85) return true;
  }
  return false;
}

}  // namespace core
