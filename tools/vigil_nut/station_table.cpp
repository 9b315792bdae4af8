#include "tools/vigil_nut/station_table.h"

#include <algorithm>
#include <strings.h>

using core::LanDatagram;
using core::LanSignature;
using core::LanStation;

namespace vigil_nut {

namespace {

bool Kept(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
}

bool SameNutName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

std::string NutUpsName(std::string_view stationName) {
  if (stationName.empty()) return "_";
  std::string name(stationName);
  for (char& c : name)
    if (!Kept(static_cast<unsigned char>(c))) c = '_';
  return name;
}

bool StationTable::NameTaken(std::string_view upsName) const {
  for (const Station& s : stations_)
    if (SameNutName(s.upsName, upsName)) return true;
  return false;
}

const Station* StationTable::Find(std::string_view upsName) const {
  for (const Station& s : stations_)
    if (SameNutName(s.upsName, upsName)) return &s;
  return nullptr;
}

bool StationTable::Record(const LanDatagram& datagram, const std::string& source, int64_t nowMs, int64_t nowUnix,
                          LanSignature signature) {
  std::optional<std::string> forgotten;
  const LanStation* heard = heard_.Record(datagram, signature, source, nowMs, nowUnix, &forgotten);
  if (!heard) return false;
  if (forgotten) std::erase_if(stations_, [&](const Station& s) { return s.stationName == *forgotten; });
  bool known =
      std::any_of(stations_.begin(), stations_.end(), [&](const Station& s) { return s.stationName == heard->name; });
  if (known) return true;
  Station fresh{NutUpsName(heard->name), heard->name, heard};
  std::string base = fresh.upsName;
  for (int n = 2; NameTaken(fresh.upsName); ++n) fresh.upsName = base + "_" + std::to_string(n);
  auto at = std::lower_bound(
      stations_.begin(), stations_.end(), fresh.upsName,
      [](const Station& s, const std::string& key) { return strcasecmp(s.upsName.c_str(), key.c_str()) < 0; });
  stations_.insert(at, std::move(fresh));
  return true;
}

}  // namespace vigil_nut
