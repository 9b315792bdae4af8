// What the UPS wired to this computer measures (charge, runtime, load,
// voltages), from the file its monitoring program leaves for the gateways
// (core/ups_figures.h). Read afresh at each request, like the own events.
#pragma once

#include <string>
#include <vector>

#include "web/station_now.h"

namespace web {

// The files this system's monitoring programs may leave
// (own_sources_<system>.cpp).
std::vector<std::string> OwnFiguresPaths();

// The suite's, in the Windows directory; empty when that has no name.
std::string SuiteFiguresPath();

// Puts the figures of each file at `paths` into the station it names, when
// the station is on `now` and the file is fresh at `now->unixMs`. A missing,
// unreadable or malformed file gives nothing.
void JoinOwnFigures(BoardNow* now, const std::vector<std::string>& paths);

}  // namespace web
