// The stations of the LAN as this program believes them: every received
// datagram goes through the trust policy, a believed one updates its
// station. The one place where datagrams become stations; the HTTP threads
// read copies (Now), the main thread writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "alerter/lan_signature.h"
#include "web/station_now.h"

namespace web {

inline constexpr size_t kMaxStations = 256;

class StationBoard {
 public:
  // `key`: the LAN's shared key; empty: datagrams are not signed.
  explicit StationBoard(const std::string& key, size_t capacity = kMaxStations);

  struct Taken {
    std::string name;
    LanDatagram datagram;
    bool wasSilent = true;  // silent (or unheard since start) until this datagram
  };
  // Takes received bytes at `monoMs` (a steady clock) and `unixMs`. The
  // station and its datagram when believed and recorded; nothing when
  // refused (counted by reason, told once per station and reason through
  // `tell`) or when the table is full of stations that are not silent.
  std::optional<Taken> Take(const uint8_t* bytes, size_t count, int64_t monoMs, int64_t unixMs);

  // A station known from its history, shown silent until heard.
  void Know(const std::string& name);

  // Stations that fell silent since the last call.
  std::vector<std::string> NewlySilent(int64_t monoMs);

  // Counts one event of `kind` for the station (the metric by kind).
  void CountEvent(const std::string& name, int kind);

  BoardNow Now(int64_t monoMs, int64_t unixMs) const;
  // Event counts by station name, then by kind.
  std::map<std::string, std::map<int, uint64_t>> EventCounts() const;

  // Where refusals are told (the log); not called with the lock held.
  void SetTeller(void (*tell)(const std::string& line)) { tell_ = tell; }

 private:
  struct Entry {
    std::string name;
    std::string label;
    bool heard = false;
    bool silentTold = false;  // NewlySilent already gave it
    LanDatagram last;
    int64_t heardMonoMs = 0;
    int64_t heardUnixMs = 0;
    bool verified = false;
    uint64_t received = 0;
  };
  Entry* Find(const std::string& name);
  Entry* Add(const std::string& name, int64_t monoMs);
  std::string UniqueLabel(const std::string& name) const;
  bool Silent(const Entry& entry, int64_t monoMs) const;

  mutable std::mutex lock_;
  size_t capacity_;
  bool keyed_;
  std::unique_ptr<LanVerifier> verifier_;  // about 8 KB, so not in the object
  std::vector<Entry> entries_;
  std::map<std::string, std::map<int, uint64_t>> events_;
  uint64_t refused_[kRefusalKinds] = {};
  void (*tell_)(const std::string& line) = nullptr;
};

// The printable form of a station name: control bytes become '?', bytes
// above 0x7F are read as Windows-1252 (the suite's code page); an empty
// name is "(sem nome)".
std::string NameLabel(const std::string& name);

}  // namespace web
