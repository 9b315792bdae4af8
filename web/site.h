// What the program answers over HTTP, apart from the HTTP library: a request
// (method and target, as received) in, a whole response out. Called on the
// server's threads at once.
//
//   /                  the overview
//   /station/<name>    one station's history (the name as the overview links it)
//   /api/status        JSON
//   /events.csv        the events kept
//   /metrics           Prometheus
//   /vigil.css, /vigil.js
//
// GET and HEAD only (else 405); anything else 404; a target that is not
// plain printable text or climbs out with a "." or ".." segment, 400.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "web/history_store.h"
#include "web/own_events.h"
#include "web/station_board.h"

namespace web {

struct Response {
  int status = 200;
  std::string contentType;
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;
};

// Why a request target is refused (400), or empty when it is not.
std::string RefusedTarget(const std::string& target);

struct SiteClock {
  std::function<int64_t()> monoMs;  // a steady clock
  std::function<int64_t()> unixMs;  // the wall clock
};

class Site {
 public:
  Site(const StationBoard& board, const HistoryStore& store, const std::vector<std::unique_ptr<OwnEventSource>>& own,
       SiteClock clock);

  // More lines for /metrics, asked for on the server's threads.
  void AddMetrics(std::function<std::string()> more) { moreMetrics_ = std::move(more); }
  // The files of this computer's UPS figures (own_figures.h), read at each
  // request.
  void JoinFiguresFrom(std::vector<std::string> paths) { figuresPaths_ = std::move(paths); }

  // `target` is the request line's target, undecoded, query included.
  Response Answer(const std::string& method, const std::string& target) const;

 private:
  Response Station(const BoardNow& now, const std::string& segment) const;
  Response EventsCsv(const BoardNow& now) const;
  // The own events of the station `name` (of every station without it),
  // from every source, oldest first.
  std::vector<OwnEvent> OwnEventsOf(const std::optional<std::string>& name) const;

  const StationBoard& board_;
  const HistoryStore& store_;
  const std::vector<std::unique_ptr<OwnEventSource>>& own_;
  SiteClock clock_;
  std::function<std::string()> moreMetrics_;
  std::vector<std::string> figuresPaths_;
};

}  // namespace web
