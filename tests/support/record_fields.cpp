#include "tests/support/record_fields.h"

namespace {

constexpr size_t kEventRecordBytes = 28;
constexpr size_t kEventCodeOffset = 24;

}  // namespace

int32_t Int32Field(const std::string& bytes, size_t offset) {
  if (bytes.size() < offset + 4) return -999;
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
  return static_cast<int32_t>(value);
}

std::vector<int32_t> EventFileCodes(const std::string& bytes) {
  std::vector<int32_t> codes;
  for (size_t at = 0; at + kEventRecordBytes <= bytes.size(); at += kEventRecordBytes)
    codes.push_back(Int32Field(bytes, at + kEventCodeOffset));
  return codes;
}
