// One station's history as the pages show it: the records of the history
// store and the computer's own events (when it is this computer's station)
// in one time order, each with the state from then on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "web/history_record.h"
#include "web/own_events.h"

namespace web {

struct HistoryEntry {
  int64_t unixMs = 0;
  StateFlags flags;       // the state from this moment on
  bool isEvent = false;   // else a sample of the state
  int event = 0;          // the event's kind (0: a message without one)
  std::string text;       // the event's text (UTF-8); empty for a sample
  bool own = false;       // from this computer's event file or log
  std::optional<int> autonomy_left_s;  // from the LAN's records only
  int autonomy_nominal_s = 0;
};

// Merges `records` (oldest first) with `own` (this station's own events,
// oldest first), keeping what lies from `sinceMs` on. An own event changes
// the state it knows of (mains, battery, bypass, autonomy, signalling) and
// keeps the rest.
std::vector<HistoryEntry> MergeHistory(const std::vector<HistoryRecord>& records, const std::vector<OwnEvent>& own,
                                       int64_t sinceMs);

// The state an own event of `code` leaves, from `before`.
StateFlags AfterOwnEvent(int code, StateFlags before);

}  // namespace web
