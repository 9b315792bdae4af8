// The HTML pages, in Brazilian Portuguese: the overview of every station and
// one station's history. They show and never change anything: no form, no
// control. Without scripts the overview refreshes itself every 10 seconds;
// with them it follows /api/status (page_assets.h).
#pragma once

#include <string>
#include <vector>

#include "web/station_history.h"
#include "web/station_now.h"

namespace web {

std::string OverviewPage(const BoardNow& now);

// `entries`: the station's history, oldest first (at least the last 7
// days); `damaged`: records of it that were skipped.
std::string StationPage(const StationNow& station, const std::vector<HistoryEntry>& entries, int64_t nowMs,
                        size_t damaged);

std::string NotFoundPage(const std::string& what);

// The events kept, one line each, oldest first within each station.
std::string EventsCsvHeader();
std::string EventsCsvLines(const std::string& stationLabel, const std::vector<HistoryEntry>& entries);

}  // namespace web
