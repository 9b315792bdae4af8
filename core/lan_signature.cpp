#include "core/lan_signature.h"

#include <chrono>
#include <cstring>

#include "core/hmac_sha256.h"
#include "core/lan_datagram.h"

namespace core {

namespace {

constexpr uint8_t kTag[4] = {'V', 'S', 'G', '1'};
// The trailer's tag and sequence number, which the MAC covers with the datagram.
constexpr size_t kSignedPart = 12;

void Put64(uint8_t* at, uint64_t value) {
  for (int i = 7; i >= 0; --i) {
    at[i] = static_cast<uint8_t>(value & 0xFF);
    value >>= 8;
  }
}

uint64_t Get64(const uint8_t* at) {
  uint64_t value = 0;
  for (int i = 0; i < 8; ++i) value = (value << 8) | at[i];
  return value;
}

bool Mac(const uint8_t* key, size_t keySize, const uint8_t* bytes, size_t size, uint8_t out[kLanMacSize]) {
  uint8_t full[hmac::kSha256Bytes];
  if (!hmac::HmacSha256(key, keySize, bytes, size, full)) return false;
  std::memcpy(out, full, kLanMacSize);
  return true;
}

bool SameName(const uint8_t* name, size_t len, const char* known, uint8_t known_len) {
  return len == known_len && (len == 0 || std::memcmp(name, known, len) == 0);
}

// Counts the refusal and tells whether it is the first of its station and
// reason; the table of reports, once full, stays as it is.
LanVerdict Refuse(LanVerifier* v, LanRefusal reason, const uint8_t* name, size_t name_len) {
  LanVerdict verdict;
  verdict.refusal = reason;
  ++v->refused[static_cast<size_t>(reason)];
  for (size_t i = 0; i < v->reportedCount; ++i)
    if (v->reported[i].reason == reason && SameName(name, name_len, v->reported[i].name, v->reported[i].name_len))
      return verdict;
  if (v->reportedCount == kLanReportsMax) return verdict;
  LanVerifier::Reported& entry = v->reported[v->reportedCount++];
  entry.name_len = static_cast<uint8_t>(name_len);
  if (name_len > 0) std::memcpy(entry.name, name, name_len);
  entry.reason = reason;
  verdict.report = true;
  verdict.reportsFull = v->reportedCount == kLanReportsMax;
  return verdict;
}

LanVerifier::Station* FindStation(LanVerifier* v, const uint8_t* name, size_t name_len) {
  for (size_t i = 0; i < v->stationCount; ++i)
    if (SameName(name, name_len, v->stations[i].name, v->stations[i].name_len)) return &v->stations[i];
  return nullptr;
}

// A place for a newly accepted station: a free one, or the one accepted
// longest ago.
LanVerifier::Station* NewStation(LanVerifier* v) {
  if (v->stationCount < kLanStationsMax) return &v->stations[v->stationCount++];
  LanVerifier::Station* oldest = &v->stations[0];
  for (size_t i = 1; i < v->stationCount; ++i)
    if (v->stations[i].acceptedAt < oldest->acceptedAt) oldest = &v->stations[i];
  return oldest;
}

}  // namespace

uint64_t LanWallClockMs() {
  auto since = std::chrono::system_clock::now().time_since_epoch();
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
  return ms > 0 ? static_cast<uint64_t>(ms) : 0;
}

uint64_t NextLanSequence(LanSender* sender, uint64_t nowMs) {
  sender->lastSequence = nowMs > sender->lastSequence ? nowMs : sender->lastSequence + 1;
  return sender->lastSequence;
}

size_t SignLanDatagram(uint8_t* buffer, size_t size, size_t capacity, const char* key, size_t keySize,
                       LanSender* sender, uint64_t nowMs) {
  if (size < kLanHeaderSize || buffer[kLanNameLengthAt] > kLanNameMax || size != kLanHeaderSize + buffer[kLanNameLengthAt] ||
      capacity < size + kLanTrailerSize)
    return 0;
  if (keySize > kLanKeyMax) keySize = kLanKeyMax;
  uint8_t* trailer = buffer + size;
  std::memcpy(trailer, kTag, sizeof kTag);
  Put64(trailer + 4, NextLanSequence(sender, nowMs));
  if (!Mac(reinterpret_cast<const uint8_t*>(key), keySize, buffer, size + kSignedPart, trailer + kSignedPart)) return 0;
  return size + kLanTrailerSize;
}

bool HasLanTrailer(const uint8_t* bytes, size_t count) {
  if (count < kLanHeaderSize || bytes[kLanNameLengthAt] > kLanNameMax) return false;
  size_t body = kLanHeaderSize + bytes[kLanNameLengthAt];
  return count == body + kLanTrailerSize && std::memcmp(bytes + body, kTag, sizeof kTag) == 0;
}

const char* LanRefusalText(LanRefusal reason) {
  switch (reason) {
    case LanRefusal::kNone:
      return "Datagrama aceito";
    case LanRefusal::kUnsigned:
      return "Datagrama sem assinatura recusado";
    case LanRefusal::kCut:
      return "Datagrama com assinatura incompleta recusado";
    case LanRefusal::kBadSignature:
      return "Datagrama com assinatura invalida recusado";
    case LanRefusal::kReplayed:
      return "Datagrama repetido recusado";
    case LanRefusal::kClock:
      return "Datagrama fora da janela de 5 minutos do relogio recusado";
  }
  return "Datagrama recusado";
}

void SetLanKey(LanVerifier* verifier, const char* key, size_t keySize) {
  *verifier = LanVerifier{};
  if (keySize > kLanKeyMax) keySize = kLanKeyMax;
  if (keySize > 0) std::memcpy(verifier->key, key, keySize);
  verifier->keySize = keySize;
}

LanVerdict VerifyLanDatagram(LanVerifier* v, const uint8_t* bytes, size_t count, uint64_t nowMs) {
  if (count < kLanHeaderSize) return Refuse(v, LanRefusal::kCut, bytes, 0);
  size_t name_len = bytes[kLanNameLengthAt];
  const uint8_t* name = bytes + kLanHeaderSize;
  // No keyed sender writes a longer name; its report names what arrived.
  if (name_len > kLanNameMax) {
    size_t shown = count - kLanHeaderSize < kLanNameMax ? count - kLanHeaderSize : kLanNameMax;
    return Refuse(v, LanRefusal::kBadSignature, name, shown);
  }
  size_t body = kLanHeaderSize + name_len;
  if (count < body) return Refuse(v, LanRefusal::kCut, name, count - kLanHeaderSize);
  if (count == body) return Refuse(v, LanRefusal::kUnsigned, name, name_len);
  if (count < body + kLanTrailerSize) return Refuse(v, LanRefusal::kCut, name, name_len);
  const uint8_t* trailer = bytes + body;
  uint8_t expected[kLanMacSize];
  if (count > body + kLanTrailerSize || std::memcmp(trailer, kTag, sizeof kTag) != 0 ||
      !Mac(v->key, v->keySize, bytes, body + kSignedPart, expected) ||
      !hmac::ConstantTimeEqual(expected, trailer + kSignedPart, kLanMacSize))
    return Refuse(v, LanRefusal::kBadSignature, name, name_len);

  uint64_t sequence = Get64(trailer + 4);
  LanVerifier::Station* station = FindStation(v, name, name_len);
  if (station && sequence <= station->lastSequence) return Refuse(v, LanRefusal::kReplayed, name, name_len);
  uint64_t apart = sequence > nowMs ? sequence - nowMs : nowMs - sequence;
  if (apart > kLanClockWindowMs) return Refuse(v, LanRefusal::kClock, name, name_len);

  if (!station) {
    station = NewStation(v);
    station->name_len = static_cast<uint8_t>(name_len);
    if (name_len > 0) std::memcpy(station->name, name, name_len);
  }
  station->lastSequence = sequence;
  station->acceptedAt = ++v->acceptances;
  return LanVerdict{};
}

}  // namespace core
