// The record of the event log file "EvtVigil20.dat": what alerter appends
// and what the SNMP agent (and any other reader) reads back. The file is a
// plain sequence of these records, oldest first, with no header; bytes
// after the last complete record are not a record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>

namespace core {

inline constexpr const char* kEventFileName = "EvtVigil20.dat";
inline constexpr size_t kEventRecordBytes = 28;

// One event: local date and time when it was written, and its kind. Stored
// as seven signed 32-bit little-endian integers in this order. When local
// time could not be had, the date is 0/0/0 and the time -1:-1:-1.
struct EventRecord {
  int32_t day;     // 1 to 31
  int32_t month;   // 1 to 12
  int32_t year;    // four digits
  int32_t hour;    // 0 to 23
  int32_t minute;  // 0 to 59
  int32_t second;  // 0 to 59
  int32_t code;    // event kind (event_kinds.h), stored even when unknown
};
static_assert(sizeof(EventRecord) == kEventRecordBytes, "the event file's records are 28 bytes");

// The record of `code` at the local time `local`, or at the failed-time
// marks when `local` is null.
EventRecord MakeEventRecord(int32_t code, const std::tm* local);

// The stored bytes of a record, and the record of stored bytes.
void EncodeEventRecord(const EventRecord& record, uint8_t out[kEventRecordBytes]);
EventRecord DecodeEventRecord(const uint8_t in[kEventRecordBytes]);

// "DD/MM/YYYY HH:MM:SS" into `buffer` of `size` bytes (cut to fit); the
// fields as stored, without range checks.
void FormatEventTime(const EventRecord& record, char* buffer, size_t size);

}  // namespace core
