#include "web/station_board.h"

#include <algorithm>

#include "core/datagram_state.h"
#include "core/lan_signature.h"
#include "core/ups_figures.h"

#include "platform/win1252.h"

using core::LanDatagram;
using core::LanRefusal;
using core::LanRefusalText;
using core::LanSignature;
using core::LanTrust;

namespace web {

const char* RefusalLabel(Refusal reason) {
  switch (reason) {
    case Refusal::kMalformed:
      return "malformed";
    case Refusal::kUnsigned:
      return "unsigned";
    case Refusal::kCut:
      return "cut";
    case Refusal::kBadSignature:
      return "bad_signature";
    case Refusal::kReplayed:
      return "replayed";
    case Refusal::kClock:
      return "clock";
  }
  return "malformed";
}

std::string NameLabel(const std::string& name) {
  if (name.empty()) return "(sem nome)";
  std::string label;
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F)
      label += '?';
    else
      win1252::AppendUtf8(label, win1252::ToUnicode(c));
  }
  return label;
}

const char* SignatureKey(LanSignature signature) {
  switch (signature) {
    case LanSignature::kNone:
      return "none";
    case LanSignature::kUnchecked:
      return "unchecked";
    case LanSignature::kVerified:
      return "verified";
  }
  return "none";
}

const char* SignatureWords(LanSignature signature) {
  switch (signature) {
    case LanSignature::kNone:
      return "Não";
    case LanSignature::kUnchecked:
      return "Sim (não verificada)";
    case LanSignature::kVerified:
      return "Sim";
  }
  return "Não";
}

core::UpsState LastState(const StationNow& station) {
  core::UpsState state = core::StateOfDatagram(station.last);
  core::TakeMeasured(station.measured, &state);
  return state;
}

int RemainingNow(const StationNow& station) {
  core::UpsState state = LastState(station);
  int left = state.autonomy_left_s.value_or(0);
  if (state.mains_failure) left -= static_cast<int>(station.silentForMs / 1000);
  return std::max(0, left);
}

int OnBatteryNow(const StationNow& station) {
  core::UpsState state = LastState(station);
  if (!state.mains_failure) return 0;
  return state.time_on_battery_s.value_or(0) + static_cast<int>(station.silentForMs / 1000);
}

StationBoard::StationBoard(const std::string& key, size_t capacity, void (*tell)(const std::string& line))
    : capacity_(capacity),
      trust_(key,
             [this](const LanTrust::Refusal& refusal) {
               std::string name(refusal.sender.name, refusal.sender.name_len);
               toTell_.push_back(NameLabel(name) + ": " + LanRefusalText(refusal.reason));
               if (refusal.lastTold) toTell_.push_back("outros datagramas recusados serao apenas contados");
             }),
      table_(capacity),
      tell_(tell) {}

const std::string& StationBoard::LabelOf(const std::string& name) {
  auto found = labels_.find(name);
  if (found != labels_.end()) return found->second;
  std::string base = NameLabel(name), label = base;
  auto taken = [&](const std::string& l) {
    for (const auto& [other, otherLabel] : labels_)
      if (otherLabel == l) return true;
    return false;
  };
  for (int n = 2; taken(label); ++n) label = base + " (" + std::to_string(n) + ")";
  return labels_[name] = label;
}

void StationBoard::Forget(std::string name) {
  known_.erase(name);
  labels_.erase(name);
  silenceTold_.erase(name);
  events_.erase(name);
  tallies_.erase(name);
}

std::optional<StationBoard::Taken> StationBoard::Take(const uint8_t* bytes, size_t count, int64_t monoMs,
                                                      int64_t unixMs) {
  std::vector<std::string> told;
  std::optional<Taken> taken;
  {
    std::lock_guard<std::mutex> hold(lock_);
    bool notification = false;
    std::optional<LanDatagram> datagram = trust_.Believed(bytes, count, static_cast<uint64_t>(unixMs), &notification);
    if (!notification) {
      ++malformed_;
      return std::nullopt;
    }
    told.swap(toTell_);
    if (datagram) {
      std::string name(datagram->name, datagram->name_len);
      std::optional<std::string> forgotten;
      // A station known but unheard holds a place too: it gives it up first.
      if (!table_.Find(name) && table_.All().size() + known_.size() >= capacity_ && !known_.empty() &&
          !known_.count(name))
        Forget(*known_.begin());
      if (table_.Record(*datagram, trust_.SignatureOf(bytes, count), "", monoMs, unixMs / 1000, &forgotten)) {
        if (forgotten) Forget(*forgotten);
        known_.erase(name);
        silenceTold_.erase(name);
        LabelOf(name);
        taken = Taken{name, *datagram};
      }
    }
  }
  if (tell_)
    for (const std::string& line : told) tell_(line);
  return taken;
}

void StationBoard::Know(const std::string& name) {
  std::lock_guard<std::mutex> hold(lock_);
  if (table_.Find(name) || known_.count(name) || table_.All().size() + known_.size() >= capacity_) return;
  known_.insert(name);
  LabelOf(name);
}

std::vector<std::string> StationBoard::NewlySilent(int64_t monoMs) {
  std::lock_guard<std::mutex> hold(lock_);
  std::vector<std::string> names;
  for (const auto& [name, station] : table_.All())
    if (station.Stale(monoMs) && silenceTold_.insert(name).second) names.push_back(name);
  return names;
}

bool StationBoard::CountEvent(const std::string& name, int kind, EventOrigin origin, int64_t unixMs) {
  std::lock_guard<std::mutex> hold(lock_);
  // Only stations on the board: a flood of invented names cannot grow it.
  if (!table_.Find(name) && !known_.count(name)) return false;
  if (!tallies_[name].Take({origin, kind, unixMs})) return false;
  ++events_[name][kind];
  return true;
}

BoardNow StationBoard::Now(int64_t monoMs, int64_t unixMs) const {
  std::lock_guard<std::mutex> hold(lock_);
  BoardNow now;
  now.unixMs = unixMs;
  now.keyed = trust_.Keyed();
  now.refused[static_cast<size_t>(Refusal::kMalformed)] = malformed_;
  now.refused[static_cast<size_t>(Refusal::kUnsigned)] = trust_.Refused(LanRefusal::kUnsigned);
  now.refused[static_cast<size_t>(Refusal::kCut)] = trust_.Refused(LanRefusal::kCut);
  now.refused[static_cast<size_t>(Refusal::kBadSignature)] = trust_.Refused(LanRefusal::kBadSignature);
  now.refused[static_cast<size_t>(Refusal::kReplayed)] = trust_.Refused(LanRefusal::kReplayed);
  now.refused[static_cast<size_t>(Refusal::kClock)] = trust_.Refused(LanRefusal::kClock);
  for (const auto& [name, station] : table_.All()) {
    StationNow s;
    s.name = name;
    s.label = labels_.at(name);
    s.heard = true;
    s.silent = station.Stale(monoMs);
    s.last = station.last;
    s.silentForMs = std::max<int64_t>(0, monoMs - station.heardMs);
    s.heardUnixMs = station.heardUnix * 1000;
    s.signature = station.signature;
    s.received = station.datagrams;
    now.stations.push_back(std::move(s));
  }
  for (const std::string& name : known_) {
    StationNow s;
    s.name = name;
    s.label = labels_.at(name);
    now.stations.push_back(std::move(s));
  }
  std::sort(now.stations.begin(), now.stations.end(),
            [](const StationNow& a, const StationNow& b) { return a.label < b.label; });
  return now;
}

std::map<std::string, std::map<int, uint64_t>> StationBoard::EventCounts() const {
  std::lock_guard<std::mutex> hold(lock_);
  return events_;
}

}  // namespace web
