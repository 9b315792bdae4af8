// One event of a station that reaches the page twice: from the LAN (the
// station's datagrams, recorded in its history) and from this computer's
// own record of it (the daemon's log, the suite's event file). A computer
// that watches its UPS, or follows a server, records the same mains
// failure that the LAN tells; the page shows and counts it once.
//
// Two reports are the same event when they come from different origins,
// are of the same kind, and lie within kSameEventWindowMs of each other.
// Each report pairs with one other at most, the nearest in time, so that a
// real second failure a few seconds later, which both origins report
// again, still counts as two.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace web {

// Both reports are times of this computer's clock: the LAN's when the
// datagram arrived, the own record's when its writer took the change (cut
// to the second, as the files keep it). The daemon sends the datagram of a
// change and logs it in one pass; a client's alerter records what the
// datagram it received tells; a few seconds cover both.
inline constexpr int64_t kSameEventWindowMs = 5000;

enum class EventOrigin : uint8_t { kLan, kOwn };

struct EventReport {
  EventOrigin origin = EventOrigin::kLan;
  int kind = 0;  // the history's kinds (history_events.h); 0 never pairs
  int64_t unixMs = 0;
};

bool SameEvent(const EventReport& a, const EventReport& b);

// For each report of `reports`, the index of the report it pairs with: an
// own report's LAN report and the other way round; nothing when unpaired.
std::vector<std::optional<size_t>> PairReports(const std::vector<EventReport>& reports);

// The counting side, report by report as they arrive in any order: a
// report is counted unless it pairs with one of the other origin counted
// before. Keeps the unpaired reports of the last kUnpairedKept.
class EventTally {
 public:
  static constexpr size_t kUnpairedKept = 64;

  // True when the report is a new event, to be counted.
  bool Take(const EventReport& report);

 private:
  std::deque<EventReport> unpaired_;
};

}  // namespace web
