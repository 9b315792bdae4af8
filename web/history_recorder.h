// What of the stations' life goes into their history: an event for each
// change of a flag, for silence and for a station heard again, each with the
// state after it; between them a sample of the state every 30 seconds on
// battery (the autonomy line) and every 15 minutes on mains. Main thread.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "core/ups_state.h"
#include "web/history_store.h"
#include "web/station_board.h"

namespace web {

inline constexpr int64_t kBatterySampleMs = 30 * 1000;
inline constexpr int64_t kMainsSampleMs = 15 * 60 * 1000;

class HistoryRecorder {
 public:
  // `tell` receives the lines for the log (a record that could not be
  // written); `counted` each event recorded (station, kind, its time).
  HistoryRecorder(HistoryStore& store, std::function<void(const std::string&)> tell,
                  std::function<void(const std::string&, int, int64_t)> counted);

  // Takes each station's newest record as the state it was last seen in;
  // returns the stations that have a history.
  std::vector<std::string> Resume();

  void OnDatagram(const std::string& station, const core::LanDatagram& datagram, int64_t unixMs);
  void OnSilent(const std::string& station, int64_t unixMs);

 private:
  struct Seen {
    StateFlags flags;
    int64_t writtenMs = INT64_MIN;
    bool known = false;  // a record exists
  };
  void Write(const std::string& station, const HistoryRecord& record);

  HistoryStore& store_;
  std::function<void(const std::string&)> tell_;
  std::function<void(const std::string&, int, int64_t)> counted_;
  std::map<std::string, Seen> seen_;
};

// A UPS's state as a record of `kind` at `unixMs`.
HistoryRecord RecordOf(const core::UpsState& state, RecordKind kind, int64_t unixMs);
// The state a datagram tells, likewise.
HistoryRecord RecordOf(const core::LanDatagram& datagram, RecordKind kind, int64_t unixMs);

}  // namespace web
