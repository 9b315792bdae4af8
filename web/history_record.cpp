#include "web/history_record.h"

#include <cstring>

#include "platform/hmac_sha256.h"

namespace web {

namespace {

constexpr uint8_t kMark = 0x56;
constexpr size_t kCheckAt = 28;
constexpr char kCheckKey[] = "vigil-web history";

bool Check(const uint8_t* bytes, uint8_t out[4]) {
  uint8_t mac[platform::kSha256Bytes];
  if (!platform::HmacSha256(reinterpret_cast<const uint8_t*>(kCheckKey), sizeof kCheckKey - 1, bytes, kCheckAt, mac))
    return false;
  std::memcpy(out, mac, 4);
  return true;
}

void Put16(uint8_t* at, uint16_t v) {
  at[0] = static_cast<uint8_t>(v);
  at[1] = static_cast<uint8_t>(v >> 8);
}

uint16_t Get16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }

uint8_t FlagBits(const StateFlags& f) {
  return static_cast<uint8_t>((f.mains_failure ? 1 : 0) | (f.battery_critical ? 2 : 0) | (f.bypass ? 4 : 0) |
                              (f.signal_fault ? 8 : 0) | (f.autonomy_end ? 16 : 0) | (f.silent ? 32 : 0));
}

}  // namespace

bool EncodeHistoryRecord(const HistoryRecord& r, uint8_t out[kHistoryRecordBytes]) {
  std::memset(out, 0, kHistoryRecordBytes);
  out[0] = kMark;
  out[1] = static_cast<uint8_t>(r.kind);
  out[3] = FlagBits(r.flags);
  uint64_t when = static_cast<uint64_t>(r.unixMs);
  for (int i = 0; i < 8; ++i) out[4 + i] = static_cast<uint8_t>(when >> (8 * i));
  Put16(out + 12, r.event);
  Put16(out + 14, static_cast<uint16_t>(r.autonomy_left_s));
  Put16(out + 16, r.time_on_battery_s);
  Put16(out + 18, r.autonomy_full_s);
  Put16(out + 20, r.autonomy_nominal_s);
  return Check(out, out + kCheckAt);
}

std::optional<HistoryRecord> DecodeHistoryRecord(const uint8_t* bytes, size_t count) {
  if (count != kHistoryRecordBytes || bytes[0] != kMark || bytes[2] != 0 || (bytes[3] & 0xC0) != 0) return std::nullopt;
  if (bytes[1] != static_cast<uint8_t>(RecordKind::kSample) && bytes[1] != static_cast<uint8_t>(RecordKind::kEvent))
    return std::nullopt;
  for (size_t i = 22; i < kCheckAt; ++i)
    if (bytes[i] != 0) return std::nullopt;
  uint8_t check[4];
  if (!Check(bytes, check) || !platform::ConstantTimeEqual(check, bytes + kCheckAt, 4)) return std::nullopt;
  HistoryRecord r;
  r.kind = static_cast<RecordKind>(bytes[1]);
  uint8_t f = bytes[3];
  r.flags = {(f & 1) != 0, (f & 2) != 0, (f & 4) != 0, (f & 8) != 0, (f & 16) != 0, (f & 32) != 0};
  uint64_t when = 0;
  for (int i = 0; i < 8; ++i) when |= static_cast<uint64_t>(bytes[4 + i]) << (8 * i);
  r.unixMs = static_cast<int64_t>(when);
  r.event = Get16(bytes + 12);
  r.autonomy_left_s = static_cast<int16_t>(Get16(bytes + 14));
  r.time_on_battery_s = Get16(bytes + 16);
  r.autonomy_full_s = Get16(bytes + 18);
  r.autonomy_nominal_s = Get16(bytes + 20);
  return r;
}

}  // namespace web
