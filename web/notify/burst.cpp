#include "web/notify/burst.h"

namespace web {

Burst BurstGatherer::Add(const std::string& station, const BurstEvent& event, const StationFacts& facts,
                         int64_t monoMs) {
  Pending& p = stations_[station];
  p.burst.station = station;
  p.burst.facts = facts;
  if (p.burst.events.size() < kBurstEventsMax)
    p.burst.events.push_back(event);
  else
    ++p.burst.left;
  if (p.sentOnce && monoMs - p.lastSentMono < windowMs_) return Burst{station, {}, 0, facts};
  p.sentOnce = true;
  p.lastSentMono = monoMs;
  Burst out = std::move(p.burst);
  p.burst = Burst{station, {}, 0, {}};
  return out;
}

std::vector<Burst> BurstGatherer::Due(int64_t monoMs) {
  std::vector<Burst> due;
  for (auto it = stations_.begin(); it != stations_.end();) {
    Pending& p = it->second;
    bool quiet = monoMs - p.lastSentMono >= windowMs_;
    if (quiet && !p.burst.events.empty()) {
      p.lastSentMono = monoMs;
      due.push_back(std::move(p.burst));
      p.burst = Burst{it->first, {}, 0, {}};
      ++it;
    } else if (quiet) {
      // Nothing waits and the window is over: the next event goes at once.
      it = stations_.erase(it);
    } else {
      ++it;
    }
  }
  return due;
}

}  // namespace web
