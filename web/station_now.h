// "The stations now": what the pages, the JSON and the metrics read of every
// station, taken at one moment. The station board fills it from core/'s
// station table; nothing else of the program looks at datagrams.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/lan_datagram.h"
#include "core/lan_station_table.h"
#include "core/lan_trust.h"
#include "core/ups_state.h"

namespace web {

// Longer than this without a datagram, a station is silent: the silence
// after which a Vigil client declares its server lost.
inline constexpr int64_t kSilentAfterMs = core::kLanStaleAfterMs;

struct StationNow {
  std::string name;   // the station name, bytes as the datagrams carry it
  std::string label;  // printable UTF-8, unique among the stations: pages, links, metric labels
  bool heard = false;  // a datagram came since this program started
  bool silent = true;  // not heard since start, or heard longer than kSilentAfterMs ago
  core::LanDatagram last;    // the last believed datagram; meaningful when `heard`
  int64_t silentForMs = 0;  // since the last datagram; meaningful when `heard`
  int64_t heardUnixMs = 0;  // the wall clock when it came
  core::LanSignature signature = core::LanSignature::kNone;  // how its last datagram was signed
  uint64_t received = 0;    // datagrams believed since start
  // What the UPS measures, only for the station wired to this computer
  // (own_figures.h); the flags and the autonomy model stay unset.
  core::UpsState measured;
};

// Why a received datagram was not believed; the metric's reason label.
enum class Refusal : uint8_t { kMalformed, kUnsigned, kCut, kBadSignature, kReplayed, kClock };
inline constexpr size_t kRefusalKinds = 6;
const char* RefusalLabel(Refusal reason);

struct BoardNow {
  int64_t unixMs = 0;  // when it was taken
  bool keyed = false;  // datagrams must carry a valid signature
  std::vector<StationNow> stations;  // sorted by label
  uint64_t refused[kRefusalKinds] = {};
};

// What the station's last believed datagram says of its UPS, with what its
// UPS measures when it is wired to this computer; meaningful when `heard`.
core::UpsState LastState(const StationNow& station);

// The autonomy left now: the last datagram's, counted down by the silence
// since while on battery, never below 0.
int RemainingNow(const StationNow& station);
// Seconds on battery now, counted on likewise.
int OnBatteryNow(const StationNow& station);

// "none", "unchecked" (signed, but this computer has no key to check it),
// "verified".
const char* SignatureKey(core::LanSignature signature);
// For people: "Não", "Sim (não verificada)", "Sim".
const char* SignatureWords(core::LanSignature signature);

}  // namespace web
