#include "web/station_history.h"

#include <algorithm>

#include "web/history_events.h"
#include "web/same_event.h"

namespace web {

StateFlags AfterOwnEvent(int code, StateFlags s) {
  switch (code) {
    case kEventMainsFailure:
      s.mains_failure = true;
      break;
    case kEventMainsReturn:
      s.mains_failure = false;
      s.battery_critical = false;
      s.autonomy_end = false;
      break;
    case HistoryCode(core::Event::LowBatteryShutdown):
    case kEventBatteryCritical:
      s.battery_critical = true;
      break;
    case kEventBatteryRecovered:
      s.battery_critical = false;
      break;
    case kEventAutonomyEnd:
    case HistoryCode(core::Event::AutonomyEndAgain):
      s.autonomy_end = true;
      break;
    case kEventBypassOn:
      s.bypass = true;
      break;
    case kEventBypassOff:
      s.bypass = false;
      break;
    case kEventSignalFault:
      s.signal_fault = true;
      break;
    case kEventSignalRestored:
      s.signal_fault = false;
      break;
    default:
      break;
  }
  return s;
}

std::vector<HistoryEntry> MergeHistory(const std::vector<HistoryRecord>& records, const std::vector<OwnEvent>& own,
                                       int64_t sinceMs) {
  std::vector<HistoryEntry> merged;
  for (const HistoryRecord& r : records) {
    if (r.unixMs < sinceMs) continue;
    HistoryEntry e;
    e.unixMs = r.unixMs;
    e.flags = r.flags;
    e.isEvent = r.kind == RecordKind::kEvent;
    e.event = e.isEvent ? r.event : 0;
    if (e.isEvent) e.text = EventText(e.event);
    // Figures mean nothing in a silence.
    if (!r.flags.silent) e.autonomy_left_s = r.autonomy_left_s;
    e.autonomy_nominal_s = r.autonomy_nominal_s;
    merged.push_back(std::move(e));
  }
  // An own event that the LAN also told is one entry: the LAN's record,
  // which holds the whole state and the autonomy figures of that moment to
  // the millisecond (the own record knows only its kind, to the second),
  // told in this computer's own words and as its own record, which is what
  // it logged and acted on.
  std::vector<EventReport> reports;
  std::vector<size_t> lanEntry;  // by report: its entry in `merged`
  for (size_t k = 0; k < merged.size(); ++k) {
    if (!merged[k].isEvent) continue;
    reports.push_back({EventOrigin::kLan, merged[k].event, merged[k].unixMs});
    lanEntry.push_back(k);
  }
  const size_t lanEvents = reports.size();
  for (const OwnEvent& o : own) reports.push_back({EventOrigin::kOwn, o.code, o.unixMs});
  std::vector<std::optional<size_t>> pair = PairReports(reports);
  // The own events' state is folded from the first of them on, so that an
  // event before the window still tells the state inside it.
  StateFlags state;
  for (size_t k = 0; k < own.size(); ++k) {
    const OwnEvent& o = own[k];
    state = AfterOwnEvent(o.code, state);
    if (o.unixMs < sinceMs) continue;
    if (std::optional<size_t> lan = pair[lanEvents + k]) {
      HistoryEntry& told = merged[lanEntry[*lan]];
      told.text = o.text;
      told.own = true;
      continue;
    }
    HistoryEntry e;
    e.unixMs = o.unixMs;
    e.flags = state;
    e.isEvent = true;
    e.event = o.code;
    e.text = o.text;
    e.own = true;
    merged.push_back(std::move(e));
  }
  std::stable_sort(merged.begin(), merged.end(),
                   [](const HistoryEntry& a, const HistoryEntry& b) { return a.unixMs < b.unixMs; });
  return merged;
}

}  // namespace web
