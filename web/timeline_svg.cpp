#include "web/timeline_svg.h"

#include <algorithm>
#include <cstdio>

#include "web/text_escape.h"

namespace web {

namespace {

// The drawing, in the picture's own units. The narrow one is scaled to a
// phone's width of about 370 px, so its letters of 14 units stay near 13 px.
struct Geometry {
  double width, height;
  double left, right, top, bottom;  // the plotting area
  int fontSize;
  int hourStep;    // a mark every this many hours (day view)
  int minuteStep;  // a mark every this many minutes (hour view)
};
constexpr Geometry kWide = {960, 170, 56, 944, 10, 130, 11, 3, 10};
constexpr Geometry kNarrow = {400, 196, 60, 392, 10, 140, 14, 6, 15};

struct Look {
  const char* kind;
  const char* fill;
  const char* words;
};
constexpr Look kLooks[] = {
    {"rede", "#5cb85c", "Rede normal"},          {"bateria", "#f0ad4e", "Na bateria"},
    {"critica", "#d9534f", "Bateria crítica"},   {"bypass", "#5bc0de", "Bypass"},
    {"fim", "#8b1e1e", "Fim da autonomia"},      {"falha", "#9b59b6", "Falha de sinalização"},
    {"silencio", "#9e9e9e", "Sem sinal"},
};

const Look& LookOf(const char* kind) {
  for (const Look& look : kLooks)
    if (std::string(look.kind) == kind) return look;
  return kLooks[6];
}

const char* KindOf(const StateFlags& f) {
  if (f.silent) return "silencio";
  if (f.signal_fault) return "falha";
  if (f.autonomy_end) return "fim";
  if (f.battery_critical) return "critica";
  if (f.mains_failure) return "bateria";
  if (f.bypass) return "bypass";
  return "rede";
}

int64_t Holds(const HistoryEntry& e) {
  if (e.own || e.flags.silent) return INT64_MAX;
  return e.flags.mains_failure ? kBatteryStateHoldsMs : kMainsStateHoldsMs;
}

std::string Number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", v);
  return text;
}

}  // namespace

const char* BandWords(const char* kind) { return LookOf(kind).words; }
const char* BandFill(const char* kind) { return LookOf(kind).fill; }
const char* const kBandKinds[] = {"rede", "bateria", "critica", "bypass", "fim", "falha", "silencio", nullptr};

std::vector<Band> BandsOf(const std::vector<HistoryEntry>& entries, int64_t fromMs, int64_t toMs, int64_t nowMs) {
  std::vector<Band> bands;
  int64_t end = std::min(toMs, nowMs);
  for (size_t i = 0; i < entries.size(); ++i) {
    const HistoryEntry& e = entries[i];
    int64_t until = i + 1 < entries.size() ? entries[i + 1].unixMs : end;
    int64_t holds = Holds(e);
    if (holds != INT64_MAX && e.unixMs + holds < until) until = e.unixMs + holds;
    int64_t a = std::max(e.unixMs, fromMs), b = std::min(until, end);
    if (b <= a) continue;
    const char* kind = KindOf(e.flags);
    // One band for a run of the same state.
    if (!bands.empty() && bands.back().toMs == a && std::string(bands.back().kind) == kind)
      bands.back().toMs = b;
    else
      bands.push_back({a, b, kind});
  }
  return bands;
}

std::string TimelineSvg(const std::vector<HistoryEntry>& entries, int64_t fromMs, int64_t toMs, int64_t nowMs,
                        TimeMarks marks, const std::string& title, TimelineFit fit) {
  const Geometry& g = fit == TimelineFit::kNarrow ? kNarrow : kWide;
  const double kLeft = g.left, kRight = g.right, kTop = g.top, kBottom = g.bottom;
  const std::string font = std::to_string(g.fontSize);
  const double span = static_cast<double>(std::max<int64_t>(1, toMs - fromMs));
  auto x = [&](int64_t ms) { return kLeft + (kRight - kLeft) * static_cast<double>(ms - fromMs) / span; };

  int nominal = 0;
  for (const HistoryEntry& e : entries)
    if (e.unixMs >= fromMs && e.autonomy_left_s)
      nominal = std::max({nominal, e.autonomy_nominal_s, *e.autonomy_left_s});
  if (nominal <= 0) nominal = 600;
  auto y = [&](int seconds) {
    double v = std::clamp(static_cast<double>(seconds) / nominal, 0.0, 1.0);
    return kBottom - (kBottom - kTop) * v;
  };

  std::string svg = std::string("<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"linha-do-tempo ") +
                    (fit == TimelineFit::kNarrow ? "estreita" : "larga") + "\" viewBox=\"0 0 " + Number(g.width) + " " +
                    Number(g.height) + "\" role=\"img\" aria-label=\"" + HtmlEscape(title) +
                    "\">\n";
  svg += "<rect class=\"fundo\" x=\"" + Number(kLeft) + "\" y=\"" + Number(kTop) + "\" width=\"" +
         Number(kRight - kLeft) + "\" height=\"" + Number(kBottom - kTop) +
         "\" fill=\"#f7f7f7\" stroke=\"#cccccc\"/>\n";
  for (const Band& band : BandsOf(entries, fromMs, toMs, nowMs)) {
    const Look& look = LookOf(band.kind);
    svg += "<rect class=\"faixa " + std::string(band.kind) + "\" x=\"" + Number(x(band.fromMs)) + "\" y=\"" +
           Number(kTop) + "\" width=\"" + Number(std::max(0.5, x(band.toMs) - x(band.fromMs))) + "\" height=\"" +
           Number(kBottom - kTop) + "\" fill=\"" + look.fill + "\" fill-opacity=\"0.55\"><title>" + look.words +
           ": " + LocalDateTime(band.fromMs) + " a " + LocalDateTime(band.toMs) + "</title></rect>\n";
  }

  // The autonomy line, broken where the state stops being known.
  std::string points;
  auto flush = [&] {
    if (points.find(' ') != std::string::npos)
      svg += "<polyline class=\"autonomia\" fill=\"none\" stroke=\"#1f3a93\" stroke-width=\"2\" points=\"" + points +
             "\"/>\n";
    points.clear();
  };
  int64_t lastMs = INT64_MIN;
  for (const HistoryEntry& e : entries) {
    if (e.unixMs < fromMs || e.unixMs > toMs || !e.autonomy_left_s) continue;
    int64_t gap = e.flags.mains_failure ? kBatteryStateHoldsMs : kMainsStateHoldsMs;
    if (lastMs != INT64_MIN && e.unixMs - lastMs > gap) flush();
    if (!points.empty()) points += ' ';
    points += Number(x(e.unixMs)) + "," + Number(y(std::max(0, *e.autonomy_left_s)));
    lastMs = e.unixMs;
  }
  flush();

  // The autonomy scale on the left, the time along the bottom.
  svg += "<text class=\"escala\" x=\"" + Number(kLeft - 4) + "\" y=\"" + Number(kTop + 10) +
         "\" text-anchor=\"end\" font-size=\"" + font + "\">" + std::to_string(nominal / 60) + " min</text>\n";
  svg += "<text class=\"escala\" x=\"" + Number(kLeft - 4) + "\" y=\"" + Number(kBottom) +
         "\" text-anchor=\"end\" font-size=\"" + font + "\">0</text>\n";
  auto mark = [&](int64_t at, const std::string& words) {
    double px = x(at);
    svg += "<line class=\"marca\" x1=\"" + Number(px) + "\" y1=\"" + Number(kBottom) + "\" x2=\"" + Number(px) +
           "\" y2=\"" + Number(kBottom + 5) + "\" stroke=\"#666666\"/>\n";
    svg += "<text class=\"hora\" x=\"" + Number(px) + "\" y=\"" + Number(kBottom + 7 + g.fontSize) +
           "\" text-anchor=\"middle\" font-size=\"" + font + "\">" + words + "</text>\n";
  };
  constexpr int64_t kFiveMinutes = 5 * 60 * 1000LL, kQuarter = 3 * kFiveMinutes, kHour = 4 * kQuarter;
  if (marks == TimeMarks::kMinutes) {
    // Every time zone's offset is a whole number of quarter hours, so local
    // marks fall on five-minute steps of the universal clock.
    for (int64_t at = fromMs - fromMs % kFiveMinutes; at <= toMs; at += kFiveMinutes) {
      std::string clock = LocalHourMinute(at);
      if (at >= fromMs && clock.size() == 5 && ((clock[3] - '0') * 10 + (clock[4] - '0')) % g.minuteStep == 0)
        mark(at, clock);
      if (at > INT64_MAX - kFiveMinutes) break;
    }
  } else {
    // Marks on whole local hours or at local midnights: the first whole
    // local hour is found by quarter hours, then whole hours are walked,
    // found again if a change of the clock moves them.
    const bool days = marks == TimeMarks::kDays;
    auto wholeHour = [](const std::string& clock) { return clock.size() == 5 && clock.compare(3, 2, "00") == 0; };
    int64_t at = fromMs - fromMs % kQuarter;
    for (int i = 0; i < 4 && !wholeHour(LocalHourMinute(at)); ++i) at += kQuarter;
    for (; at <= toMs; at += kHour) {
      std::string clock = LocalHourMinute(at);
      for (int i = 0; i < 3 && !wholeHour(clock); ++i) clock = LocalHourMinute(at += kQuarter);
      if (!wholeHour(clock) || at < fromMs || at > toMs) continue;
      int hour = (clock[0] - '0') * 10 + (clock[1] - '0');
      if (days ? hour != 0 : hour % g.hourStep != 0) continue;
      mark(at, days ? LocalDayMonth(at) : clock);
    }
  }
  svg += "<text class=\"titulo\" x=\"" + Number(kLeft) + "\" y=\"" + Number(g.height - 8) + "\" font-size=\"" +
         std::to_string(g.fontSize + 1) + "\">" +
         HtmlEscape(title) + "</text>\n";
  svg += "</svg>\n";
  return svg;
}

}  // namespace web
