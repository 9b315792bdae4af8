// Events of one station gathered into one message. The first event after a
// quiet `window` goes out at once; those that follow within the window wait
// for its end and go out together, so a flapping line yields at most one
// message a window per station. Main thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace web {

// What is known of a station when an event happens.
struct StationFacts {
  bool known = false;          // the station has been heard
  bool mains_failure = false;  // running on battery
  int autonomy_left_s = 0;     // may be negative
  int time_on_battery_s = 0;   // in this discharge
  int charge_percent = -1;     // -1: not measured
  int runtime_s = -1;          // -1: not measured
};

struct BurstEvent {
  int kind = 0;
  int64_t unixMs = 0;
};

struct Burst {
  std::string station;  // the station's printable name
  std::vector<BurstEvent> events;  // oldest first, at most kBurstEventsMax
  size_t left = 0;                 // events beyond those, only counted
  StationFacts facts;              // as at the newest event
};

inline constexpr size_t kBurstEventsMax = 20;

class BurstGatherer {
 public:
  explicit BurstGatherer(int64_t windowMs) : windowMs_(windowMs) {}

  // An event at `monoMs` (a steady clock): the burst to send now, or one
  // with no events when it waits for its window's end.
  Burst Add(const std::string& station, const BurstEvent& event, const StationFacts& facts, int64_t monoMs);

  // The bursts whose window has ended by `monoMs`.
  std::vector<Burst> Due(int64_t monoMs);

 private:
  struct Pending {
    int64_t lastSentMono = 0;
    bool sentOnce = false;
    Burst burst;
  };
  int64_t windowMs_;
  std::map<std::string, Pending> stations_;
};

}  // namespace web
