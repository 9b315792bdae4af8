#include "core/event_record.h"

#include <cstdio>

namespace core {

namespace {

void PutInt32(uint8_t* out, int32_t value) {
  auto bits = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(bits >> (8 * i));
}

int32_t GetInt32(const uint8_t* in) {
  uint32_t bits = 0;
  for (int i = 3; i >= 0; --i) bits = (bits << 8) | in[i];
  return static_cast<int32_t>(bits);
}

}  // namespace

EventRecord MakeEventRecord(int32_t code, const std::tm* local) {
  if (!local) return {0, 0, 0, -1, -1, -1, code};
  return {local->tm_mday, local->tm_mon + 1, local->tm_year + 1900, local->tm_hour, local->tm_min, local->tm_sec, code};
}

void EncodeEventRecord(const EventRecord& record, uint8_t out[kEventRecordBytes]) {
  const int32_t fields[] = {record.day,    record.month,  record.year, record.hour,
                            record.minute, record.second, record.code};
  for (size_t i = 0; i < 7; ++i) PutInt32(out + 4 * i, fields[i]);
}

EventRecord DecodeEventRecord(const uint8_t in[kEventRecordBytes]) {
  return {GetInt32(in),      GetInt32(in + 4),  GetInt32(in + 8), GetInt32(in + 12),
          GetInt32(in + 16), GetInt32(in + 20), GetInt32(in + 24)};
}

void FormatEventTime(const EventRecord& record, char* buffer, size_t size) {
  std::snprintf(buffer, size, "%2.2d/%2.2d/%4.4d %2.2d:%2.2d:%2.2d", record.day, record.month, record.year, record.hour,
                record.minute, record.second);
}

}  // namespace core
