// The notifications: each event of a station that a channel (e-mail,
// webhook) wants goes out by it, gathered in bursts (burst.h), through an
// outbox on disk that outlives an outage, a crash and a restart
// (outbox.h). Lives inside vigil-web, which already turns the LAN and this
// computer's own records into one stream of station events.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "web/notify/burst.h"
#include "web/web_settings.h"

namespace web {

class Notifier {
 public:
  virtual ~Notifier() = default;
  // An event of `station` (its name as the board has it), main thread.
  virtual void OnEvent(const std::string& station, int kind, int64_t unixMs, const StationFacts& facts) = 0;
  // Each second, main thread: the bursts whose window ended.
  virtual void OnTick() = 0;
  // The notification metrics in Prometheus' text form; any thread.
  virtual std::string MetricsText() const = 0;
};

// `tell(level, line)` gets the lines for the log (web_log.h's levels).
using NotifyTell = std::function<void(int, const std::string&)>;

// The notifier for `settings` (notifier_<system>.cpp): nothing when no
// channel is set, or on a system where notifications are not built yet;
// nothing with `error` when its outbox cannot be opened.
std::unique_ptr<Notifier> MakeNotifier(const WebSettings& settings, NotifyTell tell, std::string* error);

// Sends a test message by `channel` ("mail" or "webhook") at once, past the
// outbox; true when the server accepted it. `report` says what happened,
// the server's own answer included.
bool SendTestNotice(const WebSettings& settings, const std::string& channel, std::string* report);

}  // namespace web
