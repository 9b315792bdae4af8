// The events this computer records itself, joined to its station's history:
// the suite's event file ("EvtVigil20.dat", under the station whose events
// it records) and the daemon's log (each line names
// its station). Read afresh each time, so that what the pages show is what
// the files hold; nothing of them is copied into the history.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CAplConfig;

namespace web {

struct OwnEvent {
  std::string station;
  int64_t unixMs = 0;
  int code = 0;      // the history's kinds (history_events.h); 0: a message without one
  std::string text;  // UTF-8, as the file tells it
};

class OwnEventSource {
 public:
  virtual ~OwnEventSource() = default;
  // What the file holds now, oldest first; empty when it is missing.
  // Safe to call from several threads at once.
  virtual std::vector<OwnEvent> ReadAll() const = 0;
  // The file, for the log.
  virtual std::string Describe() const = 0;
};

// The suite's event file in the Windows directory, its records as events of
// `station`. A record whose time could not be had is left out.
std::unique_ptr<OwnEventSource> EventFileSource(std::string station);

// The daemon's log at `path`.
std::unique_ptr<OwnEventSource> DaemonLogSource(std::string path);

// The sources this system may have (own_sources_<system>.cpp).
std::vector<std::unique_ptr<OwnEventSource>> OwnEventSources();

// This computer's station name as the suite sends it.
std::string SuiteStationName();

// Whose events the suite's event file holds: a network client that follows
// one named server ("ComMode" 2, "AcceptAll" 0, "HostName") records that
// server's events, as the server's name is sent (in lower case); any other
// computer its own. The second form reads the settings from the registry.
std::string SuiteEventsStation(const CAplConfig& config);
std::string SuiteEventsStation();

}  // namespace web
