// The stations heard on the LAN, one UPS each for the NUT clients: the last
// datagram each sent, where from and when.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "alerter/lan_datagram.h"

namespace vigil_nut {

// Longer than this without a datagram, a station's figures are no longer
// believed: the silence after which a Vigil client declares its server lost.
inline constexpr int64_t kStaleAfterMs = 30000;
inline constexpr size_t kMaxStations = 256;

struct Station {
  std::string stationName;  // as the datagram carried it
  std::string upsName;      // the NUT name clients ask for
  LanDatagram last;
  std::string sourceAddress;
  int64_t heardMs = 0;    // monotonic clock
  int64_t heardUnix = 0;  // wall clock, seconds
};

// The NUT name of a station: letters, digits, '-', '_' and '.' are kept,
// every other byte becomes '_'; a station without a name is "_".
std::string NutUpsName(std::string_view stationName);

class StationTable {
 public:
  explicit StationTable(size_t capacity = kMaxStations) : capacity_(capacity) {}

  // Takes a believed datagram. A new station gets the NUT name of its
  // station name, made unique (NUT compares names without case) with a
  // "_2", "_3"... suffix. With the table full, the station silent the
  // longest makes room if it is stale; otherwise the datagram is dropped
  // (false).
  bool Record(const LanDatagram& datagram, const std::string& source, int64_t nowMs, int64_t nowUnix);

  // By NUT name, without regard to case, as upsd looks names up.
  const Station* Find(std::string_view upsName) const;

  // Sorted by NUT name.
  const std::vector<Station>& All() const { return stations_; }

  static bool Stale(const Station& station, int64_t nowMs) { return nowMs - station.heardMs > kStaleAfterMs; }

 private:
  bool NameTaken(std::string_view upsName) const;

  size_t capacity_;
  std::vector<Station> stations_;
};

}  // namespace vigil_nut
