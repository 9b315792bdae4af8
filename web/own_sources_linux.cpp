// On Linux: the daemon's log, and the event file of the suite's Linux build
// under its host root.
#include "web/own_events.h"

#include "core/daemon_log_record.h"

namespace web {

std::vector<std::unique_ptr<OwnEventSource>> OwnEventSources() {
  std::vector<std::unique_ptr<OwnEventSource>> sources;
  sources.push_back(DaemonLogSource(core::kDaemonLogPath));
  sources.push_back(EventFileSource(SuiteEventsStation()));
  return sources;
}

}  // namespace web
