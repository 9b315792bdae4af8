// The signed form of the LAN datagram. A station that has the network's
// shared key appends a trailer after the station name:
//
//   20+N     4 bytes "VSG1"
//   24+N     8 bytes, big-endian: the sender's wall-clock time in
//            milliseconds when it sent, strictly increasing within the
//            sending process even when the clock steps back
//   32+N    16 bytes: the first half of the HMAC-SHA256, under the key, of
//            every byte before them (the datagram and the 12 bytes above)
//
// The length field keeps 20 + N, so a station without a key reads the
// datagram as before and never looks at the trailer. A station with a key
// acts only on a datagram whose trailer verifies, whose sequence number is
// above the last one it accepted from that station name, and which was sent
// within 5 minutes of its own clock.
//
// Senders sign with SignLanDatagram; receivers go through the one trust
// policy of lan_trust.h, which checks with VerifyLanDatagram.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/lan_datagram.h"

namespace core {

inline constexpr size_t kLanTrailerSize = 28;
inline constexpr size_t kLanMacSize = 16;
inline constexpr size_t kLanSignedMax = kLanDatagramMax + kLanTrailerSize;
static_assert(kLanSignedMax == 80, "a signed datagram is at most 80 bytes");
inline constexpr uint64_t kLanClockWindowMs = 5 * 60 * 1000;
// The longest key taken; a longer text is cut (HMAC would hash it anyway).
inline constexpr size_t kLanKeyMax = 1024;

// Stations whose last accepted sequence number is kept; when more keyed
// stations than this are heard, the one accepted longest ago is forgotten.
inline constexpr size_t kLanStationsMax = 64;
// Station and reason pairs reported; past this, refusals are only counted,
// so that a flood of invented names cannot grow memory or the log.
inline constexpr size_t kLanReportsMax = 64;

// The wall clock in milliseconds since 1970.
uint64_t LanWallClockMs();

// The sending side's state: the last sequence number used.
struct LanSender {
  uint64_t lastSequence = 0;
};

// `nowMs`, or one more than the last number when the clock has not moved on
// (or went back). Records the number returned.
uint64_t NextLanSequence(LanSender* sender, uint64_t nowMs);

// Appends the trailer to the `size` bytes of a datagram in `buffer`, which
// holds `capacity` bytes, with the next sequence number of `sender` at
// `nowMs`. Returns the new size, or 0 when the trailer does not fit, the
// datagram is shorter than its own 20 + N, or the MAC could not be made.
size_t SignLanDatagram(uint8_t* buffer, size_t size, size_t capacity, const char* key, size_t keySize,
                       LanSender* sender, uint64_t nowMs);

// True when the `count` bytes are a datagram of 20 + N bytes followed by
// a whole trailer with its tag: signed, whether or not the MAC verifies.
bool HasLanTrailer(const uint8_t* bytes, size_t count);

// Why a keyed station ignored a datagram.
enum class LanRefusal : uint8_t {
  kNone = 0,      // accepted
  kUnsigned,      // no trailer
  kCut,           // the datagram or its trailer ends early
  kBadSignature,  // the trailer does not verify: other key, changed byte, unknown form
  kReplayed,      // not newer than the last accepted from that station
  kClock,         // sent more than 5 minutes from this station's clock
};
inline constexpr size_t kLanRefusalKinds = 6;

// A short text for the reason, Portuguese without accents.
const char* LanRefusalText(LanRefusal reason);

struct LanVerdict {
  LanRefusal refusal = LanRefusal::kNone;
  // The first refusal of this station for this reason: the one to report.
  bool report = false;
  // This refusal filled the table of reports: say once that later ones
  // will not be told.
  bool reportsFull = false;
};

// The receiving side: the key, the last accepted sequence number of each
// station, the pairs already reported, and the refusals counted by reason.
// Fixed size; no allocation.
struct LanVerifier {
  struct Station {
    uint8_t name_len = 0;
    char name[kLanNameMax] = {};
    uint64_t lastSequence = 0;
    uint64_t acceptedAt = 0;  // order of acceptance, for forgetting
  };
  struct Reported {
    uint8_t name_len = 0;
    char name[kLanNameMax] = {};
    LanRefusal reason = LanRefusal::kNone;
  };
  uint8_t key[kLanKeyMax] = {};
  size_t keySize = 0;
  Station stations[kLanStationsMax];
  size_t stationCount = 0;
  uint64_t acceptances = 0;
  Reported reported[kLanReportsMax];
  size_t reportedCount = 0;
  uint64_t refused[kLanRefusalKinds] = {};
};

// Sets the key (cut to kLanKeyMax) and forgets every station and report.
void SetLanKey(LanVerifier* verifier, const char* key, size_t keySize);

// Checks the `count` bytes received, a notification whose header the
// caller has already checked, at `nowMs` of this station's wall clock.
// Never reads past `count`. An accepted datagram becomes the station's last.
LanVerdict VerifyLanDatagram(LanVerifier* verifier, const uint8_t* bytes, size_t count, uint64_t nowMs);

}  // namespace core
