#include "web/same_event.h"

#include <cstdlib>

namespace web {

namespace {

int64_t Apart(const EventReport& a, const EventReport& b) { return std::llabs(a.unixMs - b.unixMs); }

}  // namespace

bool SameEvent(const EventReport& a, const EventReport& b) {
  return a.origin != b.origin && a.kind != 0 && a.kind == b.kind && Apart(a, b) <= kSameEventWindowMs;
}

std::vector<std::optional<size_t>> PairReports(const std::vector<EventReport>& reports) {
  std::vector<std::optional<size_t>> pair(reports.size());
  for (size_t own = 0; own < reports.size(); ++own) {
    if (reports[own].origin != EventOrigin::kOwn) continue;
    std::optional<size_t> nearest;
    for (size_t lan = 0; lan < reports.size(); ++lan) {
      if (pair[lan] || !SameEvent(reports[own], reports[lan])) continue;
      if (!nearest || Apart(reports[own], reports[lan]) < Apart(reports[own], reports[*nearest])) nearest = lan;
    }
    if (!nearest) continue;
    pair[*nearest] = own;
    pair[own] = *nearest;
  }
  return pair;
}

bool EventTally::Take(const EventReport& report) {
  auto nearest = unpaired_.end();
  for (auto it = unpaired_.begin(); it != unpaired_.end(); ++it) {
    if (!SameEvent(report, *it)) continue;
    if (nearest == unpaired_.end() || Apart(report, *it) < Apart(report, *nearest)) nearest = it;
  }
  if (nearest != unpaired_.end()) {
    unpaired_.erase(nearest);
    return false;
  }
  if (report.kind == 0) return true;
  if (unpaired_.size() == kUnpairedKept) unpaired_.pop_front();
  unpaired_.push_back(report);
  return true;
}

}  // namespace web
