#include "web/station_board.h"

#include <algorithm>

#include "platform/win1252.h"

namespace web {

namespace {

Refusal FromLan(LanRefusal reason) {
  switch (reason) {
    case LanRefusal::kUnsigned:
      return Refusal::kUnsigned;
    case LanRefusal::kCut:
      return Refusal::kCut;
    case LanRefusal::kReplayed:
      return Refusal::kReplayed;
    case LanRefusal::kClock:
      return Refusal::kClock;
    default:
      return Refusal::kBadSignature;
  }
}

}  // namespace

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

int RemainingNow(const StationNow& station) {
  int left = SignedSeconds(station.last.autonomy_left);
  if (station.last.power_fail) left -= static_cast<int>(station.silentForMs / 1000);
  return std::max(0, left);
}

int OnBatteryNow(const StationNow& station) {
  if (!station.last.power_fail) return 0;
  return station.last.discharge_time + static_cast<int>(station.silentForMs / 1000);
}

StationBoard::StationBoard(const std::string& key, size_t capacity)
    : capacity_(capacity), keyed_(!key.empty()), verifier_(std::make_unique<LanVerifier>()) {
  if (keyed_) SetLanKey(verifier_.get(), key.data(), key.size());
}

StationBoard::Entry* StationBoard::Find(const std::string& name) {
  for (Entry& e : entries_)
    if (e.name == name) return &e;
  return nullptr;
}

std::string StationBoard::UniqueLabel(const std::string& name) const {
  std::string base = NameLabel(name), label = base;
  auto taken = [&](const std::string& l) {
    return std::any_of(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.label == l; });
  };
  for (int n = 2; taken(label); ++n) label = base + " (" + std::to_string(n) + ")";
  return label;
}

bool StationBoard::Silent(const Entry& entry, int64_t monoMs) const {
  return !entry.heard || monoMs - entry.heardMonoMs > kSilentAfterMs;
}

StationBoard::Entry* StationBoard::Add(const std::string& name, int64_t monoMs) {
  if (entries_.size() >= capacity_) {
    // The station silent the longest makes room, if it is silent at all.
    auto oldest = entries_.end();
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (!Silent(*it, monoMs)) continue;
      if (oldest == entries_.end() || !it->heard || (oldest->heard && it->heardMonoMs < oldest->heardMonoMs))
        oldest = it;
    }
    if (oldest == entries_.end()) return nullptr;
    events_.erase(oldest->name);
    entries_.erase(oldest);
  }
  Entry fresh;
  fresh.name = name;
  fresh.label = UniqueLabel(name);
  auto at = std::lower_bound(entries_.begin(), entries_.end(), fresh.label,
                             [](const Entry& e, const std::string& label) { return e.label < label; });
  return &*entries_.insert(at, std::move(fresh));
}

std::optional<StationBoard::Taken> StationBoard::Take(const uint8_t* bytes, size_t count, int64_t monoMs,
                                                      int64_t unixMs) {
  std::string told;
  std::optional<Taken> taken;
  {
    std::lock_guard<std::mutex> hold(lock_);
    std::optional<LanDatagram> datagram = DecodeLanDatagram(bytes, count);
    if (!datagram) {
      ++refused_[static_cast<size_t>(Refusal::kMalformed)];
      return std::nullopt;
    }
    std::string name(datagram->name, datagram->name_len);
    if (keyed_) {
      LanVerdict verdict = VerifyLanDatagram(verifier_.get(), bytes, count, static_cast<uint64_t>(unixMs));
      if (verdict.refusal != LanRefusal::kNone) {
        ++refused_[static_cast<size_t>(FromLan(verdict.refusal))];
        if (verdict.report)
          told = "datagrama de " + NameLabel(name) + " recusado: " + LanRefusalText(verdict.refusal);
        if (verdict.reportsFull) told += (told.empty() ? "" : "\n") + std::string("outros datagramas recusados serao apenas contados");
        datagram.reset();
      }
    }
    Entry* entry = nullptr;
    if (datagram) {
      entry = Find(name);
      if (!entry) entry = Add(name, monoMs);
    }
    if (entry) {
      taken = Taken{name, *datagram, Silent(*entry, monoMs)};
      entry->heard = true;
      entry->silentTold = false;
      entry->last = *datagram;
      entry->heardMonoMs = monoMs;
      entry->heardUnixMs = unixMs;
      entry->verified = keyed_;
      ++entry->received;
    }
  }
  if (!told.empty() && tell_) tell_(told);
  return taken;
}

void StationBoard::Know(const std::string& name) {
  std::lock_guard<std::mutex> hold(lock_);
  if (!Find(name) && entries_.size() < capacity_) Add(name, 0);
}

std::vector<std::string> StationBoard::NewlySilent(int64_t monoMs) {
  std::lock_guard<std::mutex> hold(lock_);
  std::vector<std::string> names;
  for (Entry& e : entries_)
    if (e.heard && !e.silentTold && Silent(e, monoMs)) {
      e.silentTold = true;
      names.push_back(e.name);
    }
  return names;
}

void StationBoard::CountEvent(const std::string& name, int kind) {
  std::lock_guard<std::mutex> hold(lock_);
  // Only stations on the board: a flood of invented names cannot grow it.
  if (Find(name)) ++events_[name][kind];
}

BoardNow StationBoard::Now(int64_t monoMs, int64_t unixMs) const {
  std::lock_guard<std::mutex> hold(lock_);
  BoardNow now;
  now.unixMs = unixMs;
  now.keyed = keyed_;
  std::copy(std::begin(refused_), std::end(refused_), now.refused);
  now.stations.reserve(entries_.size());
  for (const Entry& e : entries_) {
    StationNow s;
    s.name = e.name;
    s.label = e.label;
    s.heard = e.heard;
    s.silent = Silent(e, monoMs);
    s.last = e.last;
    s.silentForMs = e.heard ? std::max<int64_t>(0, monoMs - e.heardMonoMs) : 0;
    s.heardUnixMs = e.heardUnixMs;
    s.verified = e.verified;
    s.received = e.received;
    now.stations.push_back(std::move(s));
  }
  return now;
}

std::map<std::string, std::map<int, uint64_t>> StationBoard::EventCounts() const {
  std::lock_guard<std::mutex> hold(lock_);
  return events_;
}

}  // namespace web
