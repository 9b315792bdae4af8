#include "web/station_history.h"

#include <algorithm>

#include "web/history_events.h"

namespace web {

StateFlags AfterOwnEvent(int code, StateFlags s) {
  switch (code) {
    case kEventMainsFailure:
      s.powerFail = true;
      break;
    case kEventMainsReturn:
      s.powerFail = false;
      s.batteryLow = false;
      s.autonomyEnd = false;
      break;
    case 4:  // "Bateria baixa - desligando"
    case kEventBatteryCritical:
      s.batteryLow = true;
      break;
    case kEventBatteryRecovered:
      s.batteryLow = false;
      break;
    case kEventAutonomyEnd:
    case 21:
      s.autonomyEnd = true;
      break;
    case kEventBypassOn:
      s.bypass = true;
      break;
    case kEventBypassOff:
      s.bypass = false;
      break;
    case kEventSignalFault:
      s.fault = true;
      break;
    case kEventSignalRestored:
      s.fault = false;
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
    if (!r.flags.silent) e.remaining = r.remaining;
    e.nominal = r.nominal;
    merged.push_back(std::move(e));
  }
  // The own events' state is folded from the first of them on, so that an
  // event before the window still tells the state inside it.
  StateFlags state;
  for (const OwnEvent& o : own) {
    state = AfterOwnEvent(o.code, state);
    if (o.unixMs < sinceMs) continue;
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
