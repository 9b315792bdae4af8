// The stations heard on the LAN: for each station name, the last datagram
// believed from it (its UPS state and autonomy figures), how it was signed,
// where it came from and when. What a gateway or a status page shows;
// fed only with datagrams that the trust policy (lan_trust.h) believed.
// One thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "core/lan_datagram.h"
#include "core/lan_trust.h"

namespace core {

// Longer than this without a datagram, a station's figures are no longer
// believed: the silence after which a Vigil client declares its server lost.
inline constexpr int64_t kLanStaleAfterMs = 30000;
// Stations kept; past this, only a stale station makes room for a new one.
inline constexpr size_t kLanStationsHeardMax = 256;

struct LanStation {
  std::string name;                              // as its datagrams carry it: any bytes, at most 32
  LanDatagram last;                              // the last one believed: flags and autonomy figures
  LanSignature signature = LanSignature::kNone;  // of the last one
  std::string sourceAddress;                     // where the last one came from, as text
  int64_t heardMs = 0;                           // when: monotonic clock, milliseconds
  int64_t heardUnix = 0;                         // when: wall clock, seconds since 1970
  uint64_t datagrams = 0;                        // believed since the station was first heard

  // Seconds of autonomy left; below zero once the prediction has run out.
  int RemainingSeconds() const { return SignedSeconds(last.autonomy_left); }
  // Seconds on battery in the current discharge; 0 on mains.
  int OnBatterySeconds() const { return last.discharge_time; }
  // Silent for longer than the silence rule allows at `nowMs`.
  bool Stale(int64_t nowMs) const { return nowMs - heardMs > kLanStaleAfterMs; }
};

class LanStationTable {
 public:
  // By station name, compared byte for byte.
  using Stations = std::map<std::string, LanStation, std::less<>>;

  explicit LanStationTable(size_t capacity = kLanStationsHeardMax) : capacity_(capacity) {}

  // Takes a believed datagram from `source` at `nowMs` (monotonic) and
  // `nowUnix` (wall clock). A known station is always updated. A new one is
  // added; with the table full, the station silent the longest makes room
  // if it is stale, and its name goes to `forgotten`; otherwise the
  // datagram is dropped (nullptr). The station returned stays at its
  // address until it is forgotten.
  const LanStation* Record(const LanDatagram& datagram, LanSignature signature, const std::string& source,
                           int64_t nowMs, int64_t nowUnix, std::optional<std::string>* forgotten = nullptr);

  const LanStation* Find(std::string_view name) const;
  const Stations& All() const { return stations_; }

 private:
  size_t capacity_;
  Stations stations_;
};

}  // namespace core
