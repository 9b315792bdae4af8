// On Windows: the suite's event file and figures in the Windows directory.
#include "web/own_events.h"
#include "web/own_figures.h"

namespace web {

std::vector<std::unique_ptr<OwnEventSource>> OwnEventSources() {
  std::vector<std::unique_ptr<OwnEventSource>> sources;
  sources.push_back(EventFileSource(SuiteEventsStation()));
  return sources;
}

std::vector<std::string> OwnFiguresPaths() { return {SuiteFiguresPath()}; }

}  // namespace web
