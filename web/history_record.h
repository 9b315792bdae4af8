// One record of a station's history on disk: 32 bytes, little-endian, with
// a check value, so that a record cut short or changed is recognised and
// skipped, never read as another state.
//
//   0      0x56 ('V')
//   1      kind: 1 a sample of the state, 2 an event (the state after it)
//   2      reserved, 0
//   3      flags: bit 0 mains failure, 1 battery critical, 2 bypass,
//          3 signalling fault, 4 end of autonomy, 5 silent
//   4-11   the wall clock, milliseconds since 1970 (signed)
//   12-13  the event's kind (history_events.h); 0 for a sample
//   14-15  remaining autonomy, seconds (signed)
//   16-17  time on battery, seconds
//   18-19  base autonomy, seconds
//   20-21  nominal autonomy, seconds
//   22-27  reserved, 0
//   28-31  the first 4 bytes of the HMAC-SHA256 of bytes 0-27 under the
//          fixed key "vigil-web history"
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace web {

inline constexpr size_t kHistoryRecordBytes = 32;

enum class RecordKind : uint8_t { kSample = 1, kEvent = 2 };

struct StateFlags {
  bool mains_failure = false;
  bool battery_critical = false;
  bool bypass = false;
  bool signal_fault = false;
  bool autonomy_end = false;
  bool silent = false;
  bool operator==(const StateFlags&) const = default;
};

struct HistoryRecord {
  RecordKind kind = RecordKind::kSample;
  int64_t unixMs = 0;
  uint16_t event = 0;
  StateFlags flags;
  int16_t autonomy_left_s = 0;
  uint16_t time_on_battery_s = 0;
  uint16_t autonomy_full_s = 0;
  uint16_t autonomy_nominal_s = 0;
};

// False only when the check value could not be made (the hash failed).
bool EncodeHistoryRecord(const HistoryRecord& record, uint8_t out[kHistoryRecordBytes]);

// Nothing unless `count` is 32, the mark and kind are known, the reserved
// bytes are 0 and the check value matches.
std::optional<HistoryRecord> DecodeHistoryRecord(const uint8_t* bytes, size_t count);

}  // namespace web
