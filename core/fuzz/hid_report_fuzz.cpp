// A USB UPS's report descriptor and its reports come from a device that
// anyone can plug in. The input: the descriptor's length (2 bytes,
// little-endian), the descriptor, then reports, each one byte (high bit:
// feature rather than input; low 7 bits: length) and its bytes.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/hid_descriptor.h"
#include "core/hid_ups_reading.h"

using namespace core;

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

void CheckFields(const HidDescriptor& d) {
  Check(d.field_count <= kHidFieldsMax);
  Check(d.application_count <= kHidApplicationsMax);
  for (size_t i = 0; i < d.field_count; ++i) {
    const HidField& f = d.fields[i];
    Check(f.bit_size >= 1 && f.bit_size <= 32);
    Check(f.bit_offset + f.bit_size <= kHidReportBitsMax);
    Check(f.logical_min <= f.logical_max);
    Check(f.collection_depth <= kHidCollectionDepthMax);
    Check(f.unit_exponent >= -8 && f.unit_exponent <= 7);
    Check(d.report_ids || f.report_id == 0);
  }
}

void CheckReading(const HidUpsReading& r) {
  if (r.charge_percent) Check(*r.charge_percent >= 0 && *r.charge_percent <= 100);
  if (r.runtime_seconds) Check(*r.runtime_seconds >= 0);
  if (r.load_percent) Check(*r.load_percent >= 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  size_t length = data[0] | size_t{data[1]} << 8;
  if (length > size - 2) length = size - 2;
  static auto* d = new HidDescriptor;  // tens of kilobytes, kept between runs
  HidParseError e = ParseHidDescriptor(data + 2, length, d);
  CheckFields(*d);  // also what was parsed before an error
  if (e != HidParseError::kNone) return 0;
  HidDescriptorIsUps(*d);
  uint8_t ids[256];
  for (HidReportKind kind : {HidReportKind::kInput, HidReportKind::kFeature}) {
    size_t n = HidUpsReportIds(*d, kind, ids);
    Check(n <= 256);
    for (size_t i = 1; i < n; ++i) Check(ids[i - 1] < ids[i]);
  }
  HidUpsReading r;
  size_t at = 2 + length;
  while (at < size) {
    uint8_t head = data[at++];
    size_t n = head & 0x7F;
    if (n > size - at) n = size - at;
    // An exact copy, so that a read one past the report is caught.
    std::unique_ptr<uint8_t[]> report(new uint8_t[n ? n : 1]);
    for (size_t i = 0; i < n; ++i) report[i] = data[at + i];
    HidReportKind kind = head & 0x80 ? HidReportKind::kFeature : HidReportKind::kInput;
    DecodeHidUpsReport(*d, kind, report.get(), n, &r);
    CheckReading(r);
    at += n;
  }
  HidUpsOnMains(r);
  HidUpsBatteryCritical(r);
  return 0;
}
