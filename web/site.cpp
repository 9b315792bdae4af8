#include "web/site.h"

#include <algorithm>

#include "web/metrics_text.h"
#include "web/own_figures.h"
#include "web/page_assets.h"
#include "web/pages.h"
#include "web/station_history.h"
#include "web/status_json.h"
#include "web/text_escape.h"

namespace web {

namespace {

constexpr const char* kHtml = "text/html; charset=utf-8";
constexpr int64_t kWeekMs = 7 * 24 * 3600 * 1000LL;

Response Text(int status, const char* type, std::string body) {
  Response r;
  r.status = status;
  r.contentType = type;
  r.body = std::move(body);
  return r;
}

Response NotFound(const std::string& what) { return Text(404, kHtml, NotFoundPage(what)); }

bool DotSegment(const std::string& segment) { return segment == "." || segment == ".."; }

}  // namespace

std::string RefusedTarget(const std::string& target) {
  if (target.empty() || target[0] != '/') return "o endereco nao comeca por /";
  for (unsigned char c : target)
    if (c <= 0x20 || c >= 0x7F) return "byte nao imprimivel no endereco";
  std::string path = target.substr(0, target.find('?'));
  if (path.find('\\') != std::string::npos) return "barra invertida no endereco";
  // Each segment, as received and as decoded: "%2e%2e" climbs as well.
  size_t at = 1;
  while (at <= path.size()) {
    size_t end = path.find('/', at);
    if (end == std::string::npos) end = path.size();
    std::string segment = path.substr(at, end - at);
    std::optional<std::string> decoded = DecodePathSegment(segment);
    if (!decoded) return "codificacao invalida no endereco";
    if (DotSegment(segment) || DotSegment(*decoded)) return "segmento . ou .. no endereco";
    at = end + 1;
  }
  return "";
}

Site::Site(const StationBoard& board, const HistoryStore& store,
           const std::vector<std::unique_ptr<OwnEventSource>>& own, SiteClock clock)
    : board_(board), store_(store), own_(own), clock_(std::move(clock)) {}

std::vector<OwnEvent> Site::OwnEventsOf(const std::optional<std::string>& name) const {
  std::vector<OwnEvent> events;
  for (const auto& source : own_)
    for (OwnEvent& e : source->ReadAll())
      if (!name || e.station == *name) events.push_back(std::move(e));
  std::stable_sort(events.begin(), events.end(), [](const OwnEvent& a, const OwnEvent& b) { return a.unixMs < b.unixMs; });
  return events;
}

Response Site::Answer(const std::string& method, const std::string& target) const {
  if (method != "GET" && method != "HEAD") {
    Response r = Text(405, "text/plain; charset=utf-8", "Metodo nao permitido: esta pagina somente mostra.\n");
    r.headers.push_back({"Allow", "GET, HEAD"});
    return r;
  }
  std::string refused = RefusedTarget(target);
  if (!refused.empty()) return Text(400, "text/plain; charset=utf-8", "Pedido recusado: " + refused + ".\n");
  std::string path = target.substr(0, target.find('?'));

  if (path == "/vigil.css") return Text(200, "text/css; charset=utf-8", kStyleSheet);
  if (path == "/vigil.js") return Text(200, "text/javascript; charset=utf-8", kPageScript);

  BoardNow now = board_.Now(clock_.monoMs(), clock_.unixMs());
  JoinOwnFigures(&now, figuresPaths_);
  if (path == "/") return Text(200, kHtml, OverviewPage(now));
  if (path == "/api/status") return Text(200, "application/json", StatusJson(now));
  if (path == "/metrics")
    return Text(200, "text/plain; version=0.0.4; charset=utf-8",
                MetricsText(now, board_.EventCounts()) + (moreMetrics_ ? moreMetrics_() : std::string()));
  if (path == "/events.csv") return EventsCsv(now);
  static const std::string kStation = "/station/";
  if (path.compare(0, kStation.size(), kStation) == 0) return Station(now, path.substr(kStation.size()));
  return NotFound("Esta p\xC3\xA1gina n\xC3\xA3o existe.");
}

Response Site::Station(const BoardNow& now, const std::string& segment) const {
  std::optional<std::string> label = DecodePathSegment(segment);
  if (!label) return NotFound("Esta\xC3\xA7\xC3\xA3o desconhecida.");
  auto found = std::find_if(now.stations.begin(), now.stations.end(),
                            [&](const StationNow& s) { return s.label == *label; });
  if (found == now.stations.end()) return NotFound("Esta\xC3\xA7\xC3\xA3o desconhecida: " + *label + ".");
  // A little more than the week shown, so that the state at its start is known.
  int64_t since = now.unixMs - kWeekMs - 24 * 3600 * 1000LL;
  HistoryStore::Reading reading = store_.Read(found->name, since);
  std::vector<HistoryEntry> entries = MergeHistory(reading.records, OwnEventsOf(found->name), since);
  return Text(200, kHtml, StationPage(*found, entries, now.unixMs, reading.damaged));
}

Response Site::EventsCsv(const BoardNow& now) const {
  Response r = Text(200, "text/csv; charset=utf-8", EventsCsvHeader());
  r.headers.push_back({"Content-Disposition", "inline; filename=\"eventos.csv\""});
  // The own files are read once for all the stations.
  std::vector<OwnEvent> own = OwnEventsOf(std::nullopt);
  for (const StationNow& s : now.stations) {
    std::vector<OwnEvent> mine;
    for (const OwnEvent& e : own)
      if (e.station == s.name) mine.push_back(e);
    HistoryStore::Reading reading = store_.Read(s.name);
    r.body += EventsCsvLines(s.label, MergeHistory(reading.records, mine, INT64_MIN));
  }
  return r;
}

}  // namespace web
