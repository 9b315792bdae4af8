#include "web/pages.h"

#include <algorithm>

#include "web/history_events.h"
#include "web/station_state.h"
#include "web/text_escape.h"
#include "web/timeline_svg.h"

namespace web {

namespace {

constexpr int64_t kDayMs = 24 * 3600 * 1000LL;
// The events table shows at most this many, newest first.
constexpr size_t kEventRows = 500;

std::string Head(const std::string& title, bool refreshes) {
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"pt-BR\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      "<title>" +
      HtmlEscape(title) + "</title>\n<link rel=\"stylesheet\" href=\"/vigil.css\">\n";
  if (refreshes)
    html += "<noscript><meta http-equiv=\"refresh\" content=\"10\"></noscript>\n"
            "<script src=\"/vigil.js\" defer></script>\n";
  return html + "</head>\n<body>\n";
}

std::string Foot(const BoardNow* now) {
  std::string html = "<p class=\"rodape\">Vigil 2.0 — página somente de leitura";
  if (now) html += "; atualizada em " + LocalDateTime(now->unixMs);
  return html + ".</p>\n</body>\n</html>\n";
}

std::string StateBadge(const StationNow& s) {
  StationState state = StateOf(s);
  return std::string("<span class=\"estado estado-") + StateKey(state) + "\">" + StateWords(state) + "</span>";
}

}  // namespace

std::string OverviewPage(const BoardNow& now) {
  std::string html = Head("Vigil 2.0 - Nobreaks da rede", true);
  html += "<h1>Nobreaks da rede</h1>\n<p id=\"aviso\" class=\"aviso\"></p>\n";
  html +=
      "<table>\n<thead><tr><th>Estação</th><th>Estado</th><th>Autonomia restante</th>"
      "<th>Na bateria há</th><th>Último sinal</th><th>Assinada</th></tr></thead>\n"
      "<tbody id=\"estacoes\">\n";
  for (const StationNow& s : now.stations) {
    html += "<tr data-estacao=\"" + HtmlEscape(s.label) + "\"" + (s.silent ? " class=\"silenciosa\"" : "") + ">";
    html += "<td><a href=\"/station/" + PathSegment(s.label) + "\">" + HtmlEscape(s.label) + "</a></td>";
    html += "<td data-campo=\"estado\">" + StateBadge(s) + "</td>";
    if (s.heard) {
      html += "<td data-campo=\"autonomia\">" + Duration(RemainingNow(s)) + "</td>";
      html += "<td data-campo=\"bateria\">" + (s.last.power_fail ? Duration(OnBatteryNow(s)) : "—") + "</td>";
      html += "<td data-campo=\"ouvida\">há " + Duration(s.silentForMs / 1000) + "</td>";
    } else {
      html +=
          "<td data-campo=\"autonomia\">—</td><td data-campo=\"bateria\">—</td>"
          "<td data-campo=\"ouvida\">não ouvida desde o início</td>";
    }
    html += std::string("<td data-campo=\"assinatura\">") + SignatureWords(s.signature) + "</td></tr>\n";
  }
  html += "</tbody>\n</table>\n";
  if (now.stations.empty()) html += "<p>Nenhuma estação ouvida ainda.</p>\n";
  html += "<p><a href=\"/events.csv\">Eventos (CSV)</a> · <a href=\"/api/status\">Estado (JSON)</a> · "
          "<a href=\"/metrics\">Métricas</a></p>\n";
  return html + Foot(&now);
}

std::string StationPage(const StationNow& s, const std::vector<HistoryEntry>& entries, int64_t nowMs,
                        size_t damaged) {
  std::string html = Head("Vigil 2.0 - " + s.label, false);
  html += "<p><a href=\"/\">← Todas as estações</a></p>\n";
  html += "<h1>" + HtmlEscape(s.label) + " " + StateBadge(s) + "</h1>\n";
  if (s.heard) {
    html += "<p>Autonomia restante: <b>" + Duration(RemainingNow(s)) + "</b> de " + Duration(s.last.autonomy_total) +
            (s.last.power_fail ? "; na bateria há " + Duration(OnBatteryNow(s)) : "") +
            "; último sinal há " + Duration(s.silentForMs / 1000) + ".</p>\n";
  } else {
    html += "<p>Não ouvida desde o início do programa.</p>\n";
  }
  html += "<h2>Últimas 24 horas</h2>\n";
  html += TimelineSvg(entries, nowMs - kDayMs, nowMs, nowMs, false, "Últimas 24 horas de " + s.label);
  html += "<h2>Últimos 7 dias</h2>\n";
  html += TimelineSvg(entries, nowMs - 7 * kDayMs, nowMs, nowMs, true, "Últimos 7 dias de " + s.label);
  html += "<p class=\"legenda\">";
  for (const char* const* kind = kBandKinds; *kind; ++kind)
    html += std::string("<span><i style=\"background:") + BandFill(*kind) + "\"></i>" + BandWords(*kind) + "</span>";
  html += "<span><i style=\"background:#1f3a93;height:.2em\"></i>Autonomia</span></p>\n";

  html += "<h2>Eventos</h2>\n<table class=\"eventos\">\n<thead><tr><th>Data e hora</th><th>Evento</th>"
          "<th>Origem</th></tr></thead>\n<tbody>\n";
  size_t rows = 0;
  for (auto it = entries.rbegin(); it != entries.rend() && rows < kEventRows; ++it) {
    if (!it->isEvent) continue;
    html += "<tr><td>" + LocalDateTime(it->unixMs) + "</td><td>" + HtmlEscape(it->text) + "</td><td>" +
            (it->own ? "registro deste computador" : "rede") + "</td></tr>\n";
    ++rows;
  }
  html += "</tbody>\n</table>\n";
  if (rows == 0) html += "<p>Nenhum evento guardado.</p>\n";
  if (damaged) html += "<p class=\"aviso\">" + std::to_string(damaged) + " registro(s) danificado(s) ignorado(s).</p>\n";
  return html + Foot(nullptr);
}

std::string NotFoundPage(const std::string& what) {
  return Head("Vigil 2.0 - Não encontrado", false) + "<h1>Não encontrado</h1>\n<p>" + HtmlEscape(what) +
         "</p>\n<p><a href=\"/\">Todas as estações</a></p>\n" + Foot(nullptr);
}

std::string EventsCsvHeader() { return "estacao,data_hora_utc,data_hora_local,codigo,tipo,evento,origem\r\n"; }

std::string EventsCsvLines(const std::string& label, const std::vector<HistoryEntry>& entries) {
  std::string csv;
  for (const HistoryEntry& e : entries) {
    if (!e.isEvent) continue;
    csv += CsvField(label) + "," + UtcIso(e.unixMs) + "," + LocalDateTime(e.unixMs) + "," + std::to_string(e.event) +
           "," + EventSlug(e.event) + "," + CsvField(e.text) + "," + (e.own ? "computador" : "rede") + "\r\n";
  }
  return csv;
}

}  // namespace web
