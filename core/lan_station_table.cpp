#include "core/lan_station_table.h"

#include <algorithm>

namespace core {

const LanStation* LanStationTable::Record(const LanDatagram& datagram, LanSignature signature,
                                          const std::string& source, int64_t nowMs, int64_t nowUnix,
                                          std::optional<std::string>* forgotten) {
  std::string_view name(datagram.name, datagram.name_len);
  auto it = stations_.find(name);
  if (it == stations_.end()) {
    if (stations_.size() >= capacity_) {
      auto oldest = std::min_element(stations_.begin(), stations_.end(),
                                     [](const auto& a, const auto& b) { return a.second.heardMs < b.second.heardMs; });
      if (oldest == stations_.end() || !oldest->second.Stale(nowMs)) return nullptr;
      if (forgotten) *forgotten = oldest->first;
      stations_.erase(oldest);
    }
    it = stations_.emplace(std::string(name), LanStation{}).first;
    it->second.name = it->first;
  }
  LanStation& station = it->second;
  station.last = datagram;
  station.signature = signature;
  station.sourceAddress = source;
  station.heardMs = nowMs;
  station.heardUnix = nowUnix;
  ++station.datagrams;
  return &station;
}

const LanStation* LanStationTable::Find(std::string_view name) const {
  auto it = stations_.find(name);
  return it == stations_.end() ? nullptr : &it->second;
}

}  // namespace core
