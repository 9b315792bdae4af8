// On Linux: the daemon's log and figures, and the event file and figures of
// the suite's Linux build under its host root.
#include "web/own_events.h"
#include "web/own_figures.h"

#include "core/daemon_log_record.h"
#include "core/ups_figures.h"

namespace web {

std::vector<std::unique_ptr<OwnEventSource>> OwnEventSources() {
  std::vector<std::unique_ptr<OwnEventSource>> sources;
  sources.push_back(DaemonLogSource(core::kDaemonLogPath));
  sources.push_back(EventFileSource(SuiteEventsStation()));
  return sources;
}

std::vector<std::string> OwnFiguresPaths() { return {core::kDaemonUpsFiguresPath, SuiteFiguresPath()}; }

}  // namespace web
