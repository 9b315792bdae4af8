// The stations heard on the LAN (core's table) under the names NUT's
// clients ask for. NUT naming is the gateway's: which bytes a NUT name may
// hold, and that names differ without regard to case, are NUT's rules.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/lan_station_table.h"

namespace vigil_nut {

inline constexpr int64_t kStaleAfterMs = core::kLanStaleAfterMs;
inline constexpr size_t kMaxStations = core::kLanStationsHeardMax;

// A station as NUT's clients know it.
struct Station {
  std::string upsName;      // the NUT name clients ask for
  std::string stationName;  // its name in the table of stations
  const core::LanStation* lan;    // owned by that table; valid while this entry is listed
};

// The NUT name of a station: letters, digits, '-', '_' and '.' are kept,
// every other byte becomes '_'; a station without a name is "_".
std::string NutUpsName(std::string_view stationName);

class StationTable {
 public:
  explicit StationTable(size_t capacity = kMaxStations) : heard_(capacity) {}

  // Takes a believed datagram (LanStationTable::Record). A new station gets
  // the NUT name of its station name, made unique (NUT compares names
  // without case) with a "_2", "_3"... suffix. False when it was dropped.
  bool Record(const core::LanDatagram& datagram, const std::string& source, int64_t nowMs, int64_t nowUnix,
              core::LanSignature signature = core::LanSignature::kNone);

  // By NUT name, without regard to case, as upsd looks names up.
  const Station* Find(std::string_view upsName) const;

  // Sorted by NUT name.
  const std::vector<Station>& All() const { return stations_; }

  static bool Stale(const Station& station, int64_t nowMs) { return station.lan->Stale(nowMs); }

 private:
  bool NameTaken(std::string_view upsName) const;

  core::LanStationTable heard_;
  std::vector<Station> stations_;
};

}  // namespace vigil_nut
