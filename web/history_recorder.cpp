#include "web/history_recorder.h"

#include "core/datagram_state.h"
#include "web/history_events.h"

using core::LanDatagram;
using core::UpsState;

namespace web {

namespace {

// Bounded like the board: a flood of invented names cannot grow it.
constexpr size_t kMaxSeen = 2 * kMaxStations;

struct Change {
  bool StateFlags::*flag;
  uint16_t on;
  uint16_t off;  // 0: nothing recorded when it clears
};

constexpr Change kChanges[] = {
    {&StateFlags::signal_fault, kEventSignalFault, kEventSignalRestored},
    {&StateFlags::mains_failure, kEventMainsFailure, kEventMainsReturn},
    {&StateFlags::battery_critical, kEventBatteryCritical, kEventBatteryRecovered},
    {&StateFlags::bypass, kEventBypassOn, kEventBypassOff},
    {&StateFlags::autonomy_end, kEventAutonomyEnd, 0},
};

}  // namespace

HistoryRecord RecordOf(const UpsState& s, RecordKind kind, int64_t unixMs) {
  HistoryRecord r;
  r.kind = kind;
  r.unixMs = unixMs;
  r.flags = {s.mains_failure, s.battery_critical, s.bypass, s.signal_fault, s.autonomy_end, false};
  // The record's figures are 16 bits wide, as the datagram's; unknown is 0.
  r.autonomy_left_s = static_cast<int16_t>(s.autonomy_left_s.value_or(0));
  r.time_on_battery_s = static_cast<uint16_t>(s.time_on_battery_s.value_or(0));
  r.autonomy_full_s = static_cast<uint16_t>(s.autonomy_full_s.value_or(0));
  r.autonomy_nominal_s = static_cast<uint16_t>(s.autonomy_nominal_s.value_or(0));
  return r;
}

HistoryRecord RecordOf(const LanDatagram& d, RecordKind kind, int64_t unixMs) {
  return RecordOf(core::StateOfDatagram(d), kind, unixMs);
}

HistoryRecorder::HistoryRecorder(HistoryStore& store, std::function<void(const std::string&)> tell,
                                 std::function<void(const std::string&, int, int64_t)> counted)
    : store_(store), tell_(std::move(tell)), counted_(std::move(counted)) {}

std::vector<std::string> HistoryRecorder::Resume() {
  std::vector<std::string> stations = store_.Stations();
  for (const std::string& station : stations) {
    std::optional<HistoryRecord> last = store_.Last(station);
    if (!last || seen_.size() >= kMaxSeen) continue;
    Seen& seen = seen_[station];
    seen.flags = last->flags;
    seen.known = true;
    // Sampling starts over: the first datagram after a restart is recorded.
  }
  return stations;
}

void HistoryRecorder::Write(const std::string& station, const HistoryRecord& record) {
  std::string error;
  if (!store_.Append(station, record, &error)) {
    if (tell_) tell_("historico de " + NameLabel(station) + ": " + error);
    return;
  }
  if (record.kind == RecordKind::kEvent && counted_) counted_(station, record.event, record.unixMs);
}

void HistoryRecorder::OnDatagram(const std::string& station, const LanDatagram& datagram, int64_t unixMs) {
  if (!seen_.count(station) && seen_.size() >= kMaxSeen) {
    // The one written longest ago is forgotten; its next datagram is
    // recorded as a sample, without events.
    auto oldest = seen_.begin();
    for (auto it = seen_.begin(); it != seen_.end(); ++it)
      if (it->second.writtenMs < oldest->second.writtenMs) oldest = it;
    seen_.erase(oldest);
  }
  Seen& seen = seen_[station];
  const UpsState state = core::StateOfDatagram(datagram);
  HistoryRecord now = RecordOf(state, RecordKind::kEvent, unixMs);
  bool wrote = false;
  auto event = [&](uint16_t kind) {
    now.event = kind;
    Write(station, now);
    wrote = true;
  };
  // Heard for the first time, or again after a silence.
  if (!seen.known || seen.flags.silent) event(kEventHeard);
  StateFlags before = seen.known ? seen.flags : StateFlags{};
  for (const Change& change : kChanges) {
    bool was = before.*change.flag, is = now.flags.*change.flag;
    if (!was && is) event(change.on);
    if (was && !is && change.off) event(change.off);
  }
  int64_t period = state.mains_failure ? kBatterySampleMs : kMainsSampleMs;
  if (!wrote && (seen.writtenMs == INT64_MIN || unixMs - seen.writtenMs >= period || unixMs < seen.writtenMs)) {
    now.kind = RecordKind::kSample;
    now.event = 0;
    Write(station, now);
    wrote = true;
  }
  if (wrote) seen.writtenMs = unixMs;
  seen.flags = now.flags;
  seen.known = true;
}

void HistoryRecorder::OnSilent(const std::string& station, int64_t unixMs) {
  auto found = seen_.find(station);
  if (found == seen_.end() || found->second.flags.silent) return;
  Seen& seen = found->second;
  HistoryRecord record;
  record.kind = RecordKind::kEvent;
  record.unixMs = unixMs;
  record.event = kEventSilent;
  record.flags = seen.flags;
  record.flags.silent = true;
  Write(station, record);
  seen.flags.silent = true;
  seen.writtenMs = unixMs;
}

}  // namespace web
