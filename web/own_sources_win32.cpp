// On Windows: the suite's event file in the Windows directory.
#include "web/own_events.h"

namespace web {

std::vector<std::unique_ptr<OwnEventSource>> OwnEventSources() {
  std::vector<std::unique_ptr<OwnEventSource>> sources;
  sources.push_back(EventFileSource(SuiteEventsStation()));
  return sources;
}

}  // namespace web
