#include "web/pages.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "web/history_events.h"
#include "web/station_state.h"
#include "web/text_escape.h"
#include "web/timeline_svg.h"

namespace web {

namespace {

constexpr int64_t kHourMs = 3600 * 1000LL, kDayMs = 24 * kHourMs;
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

// The words for a station's figure, by its data-campo.
const char* FieldWords(const char* field) {
  if (std::string(field) == "estado") return "Estado";
  if (std::string(field) == "autonomia") return "Autonomia restante";
  if (std::string(field) == "bateria") return "Na bateria há";
  if (std::string(field) == "ouvida") return "Último sinal";
  if (std::string(field) == "assinatura") return "Assinada";
  if (std::string(field) == "carga") return "Carga da bateria";
  if (std::string(field) == "estimativa") return "Autonomia estimada pelo nobreak";
  if (std::string(field) == "uso") return "Uso do nobreak";
  if (std::string(field) == "entrada") return "Tensão de entrada";
  if (std::string(field) == "tensao_bateria") return "Tensão da bateria";
  return "";
}

// A cell of the overview. `data-rotulo` names it where a narrow screen
// shows each station as a card instead of a row (the style sheet writes it
// before the value); the script draws the same cells (page_assets.cpp).
std::string Cell(const char* field, const std::string& html) {
  return std::string("<td data-campo=\"") + field + "\" data-rotulo=\"" + FieldWords(field) + "\">" + html + "</td>";
}

// "81 %", "230,5 V": one decimal where the figure has one, as Brazil writes it.
std::string Measure(double value, const char* unit) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  std::string out = text;
  if (out.size() > 2 && out.compare(out.size() - 2, 2, ".0") == 0) out.resize(out.size() - 2);
  for (char& c : out)
    if (c == '.') c = ',';
  return out + " " + unit;
}

// The UPS's charge beside its state, where the UPS measures it.
std::string ChargeNote(const StationNow& s) {
  if (!s.heard) return "";
  const std::optional<double> charge = LastState(s).charge_percent;
  return charge ? " <span class=\"medida\">carga " + Measure(*charge, "%") + "</span>" : "";
}

// A timeline in both proportions; the style sheet shows the one that fits.
std::string Timeline(const std::vector<HistoryEntry>& entries, int64_t fromMs, int64_t nowMs, TimeMarks marks,
                     const std::string& title) {
  return TimelineSvg(entries, fromMs, nowMs, nowMs, marks, title, TimelineFit::kWide) +
         TimelineSvg(entries, fromMs, nowMs, nowMs, marks, title, TimelineFit::kNarrow);
}

}  // namespace

std::string OverviewPage(const BoardNow& now) {
  std::string html = Head("Vigil 2.0 - Nobreaks da rede", true);
  html += "<h1>Nobreaks da rede</h1>\n<p id=\"aviso\" class=\"aviso\"></p>\n";
  html +=
      "<table class=\"cartoes\">\n<thead><tr><th>Estação</th><th>Estado</th><th>Autonomia restante</th>"
      "<th>Na bateria há</th><th>Último sinal</th><th>Assinada</th></tr></thead>\n"
      "<tbody id=\"estacoes\">\n";
  for (const StationNow& s : now.stations) {
    html += "<tr data-estacao=\"" + HtmlEscape(s.label) + "\"" + (s.silent ? " class=\"silenciosa\"" : "") + ">";
    html += "<td data-campo=\"nome\"><a href=\"/station/" + PathSegment(s.label) + "\">" + HtmlEscape(s.label) +
            "</a></td>";
    html += Cell("estado", StateBadge(s) + ChargeNote(s));
    if (s.heard) {
      html += Cell("autonomia", Duration(RemainingNow(s)));
      html += Cell("bateria", LastState(s).mains_failure ? Duration(OnBatteryNow(s)) : "—");
      html += Cell("ouvida", "há " + Duration(s.silentForMs / 1000));
    } else {
      html += Cell("autonomia", "—") + Cell("bateria", "—") + Cell("ouvida", "não ouvida desde o início");
    }
    html += Cell("assinatura", SignatureWords(s.signature)) + "</tr>\n";
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
  // The figures one under the other, as on the overview's cards.
  html += "<dl class=\"resumo\">";
  auto figure = [&](const char* field, const std::string& value) {
    html += std::string("<div data-campo=\"") + field + "\"><dt>" + FieldWords(field) + "</dt><dd>" + value +
            "</dd></div>";
  };
  if (s.heard) {
    const core::UpsState ups = LastState(s);
    std::string left = "<b>" + Duration(RemainingNow(s)) + "</b>";
    figure("autonomia", ups.autonomy_nominal_s ? left + " de " + Duration(*ups.autonomy_nominal_s) : left);
    figure("bateria", ups.mains_failure ? Duration(OnBatteryNow(s)) : "—");
    // What the UPS measures itself: only the figures it gives.
    if (ups.charge_percent) figure("carga", Measure(*ups.charge_percent, "%"));
    if (ups.runtime_s) figure("estimativa", Duration(*ups.runtime_s));
    if (ups.load_percent) figure("uso", Measure(*ups.load_percent, "%"));
    if (ups.input_voltage_v) figure("entrada", Measure(*ups.input_voltage_v, "V"));
    if (ups.battery_voltage_v) figure("tensao_bateria", Measure(*ups.battery_voltage_v, "V"));
    figure("ouvida", "há " + Duration(s.silentForMs / 1000));
  } else {
    figure("ouvida", "não ouvida desde o início do programa");
  }
  html += "</dl>\n";
  html += "<h2>Última hora</h2>\n";
  html += Timeline(entries, nowMs - kHourMs, nowMs, TimeMarks::kMinutes, "Última hora de " + s.label);
  html += "<h2>Últimas 24 horas</h2>\n";
  html += Timeline(entries, nowMs - kDayMs, nowMs, TimeMarks::kHours, "Últimas 24 horas de " + s.label);
  html += "<h2>Últimos 7 dias</h2>\n";
  html += Timeline(entries, nowMs - 7 * kDayMs, nowMs, TimeMarks::kDays, "Últimos 7 dias de " + s.label);
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
