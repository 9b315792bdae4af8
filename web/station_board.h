// The stations of the LAN as this program believes them: core/'s trust
// policy and station table, with what the page adds to them: the stations
// known from their history but not heard since the program started, a
// printable name for each, the silences not yet recorded, the events
// counted by kind and the refusals by reason. The one place where
// datagrams become stations; the HTTP threads read copies (Now), the main
// thread writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/lan_station_table.h"
#include "core/lan_trust.h"
#include "web/same_event.h"
#include "web/station_now.h"

namespace web {

inline constexpr size_t kMaxStations = core::kLanStationsHeardMax;

class StationBoard {
 public:
  // `key`: the LAN's shared key; empty: datagrams are not signed. `tell`
  // gets each refusal to report (the log); it is not called with the
  // board's lock held.
  explicit StationBoard(const std::string& key, size_t capacity = kMaxStations,
                        void (*tell)(const std::string& line) = nullptr);

  struct Taken {
    std::string name;
    core::LanDatagram datagram;
  };
  // Takes received bytes at `monoMs` (a steady clock) and `unixMs`. The
  // station and its datagram when believed and recorded; nothing when
  // refused (counted by reason) or when the table is full of stations that
  // are not silent.
  std::optional<Taken> Take(const uint8_t* bytes, size_t count, int64_t monoMs, int64_t unixMs);

  // A station known from its history or this computer's own records,
  // shown silent until heard (no more than the table's capacity).
  void Know(const std::string& name);

  // Stations that fell silent since the last call.
  std::vector<std::string> NewlySilent(int64_t monoMs);

  // Counts one event of `kind` for a station on the board, reported by
  // `origin` at `unixMs`, unless it is the other origin's report of an
  // event already counted (same_event.h). True when it was counted as new.
  bool CountEvent(const std::string& name, int kind, EventOrigin origin, int64_t unixMs);

  BoardNow Now(int64_t monoMs, int64_t unixMs) const;
  // Event counts by station name, then by kind.
  std::map<std::string, std::map<int, uint64_t>> EventCounts() const;

 private:
  const std::string& LabelOf(const std::string& name);
  // By value: the name may be an element of the sets it is erased from.
  void Forget(std::string name);

  mutable std::mutex lock_;
  size_t capacity_;
  core::LanTrust trust_;
  core::LanStationTable table_;
  std::set<std::string> known_;           // not heard since start
  std::map<std::string, std::string> labels_;
  std::set<std::string> silenceTold_;
  std::map<std::string, std::map<int, uint64_t>> events_;
  std::map<std::string, EventTally> tallies_;
  uint64_t malformed_ = 0;
  std::vector<std::string> toTell_;  // refusals told by the trust policy, to pass on
  void (*tell_)(const std::string& line);
};

// The printable form of a station name: control bytes become '?', bytes
// above 0x7F are read as Windows-1252 (the suite's code page); an empty
// name is "(sem nome)".
std::string NameLabel(const std::string& name);

}  // namespace web
