#include "web/notify/notice_text.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include <nlohmann/json.hpp>

#include "platform/local_time.h"
#include "web/history_events.h"
#include "web/station_board.h"

namespace web {

namespace {

std::string Base64(const std::string& bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    uint32_t v = (uint8_t(bytes[i]) << 16) | (uint8_t(bytes[i + 1]) << 8) | uint8_t(bytes[i + 2]);
    for (int shift = 18; shift >= 0; shift -= 6) out += kDigits[(v >> shift) & 63];
  }
  if (i + 1 == bytes.size()) {
    uint32_t v = uint8_t(bytes[i]) << 16;
    out += kDigits[(v >> 18) & 63];
    out += kDigits[(v >> 12) & 63];
    out += "==";
  } else if (i + 2 == bytes.size()) {
    uint32_t v = (uint8_t(bytes[i]) << 16) | (uint8_t(bytes[i + 1]) << 8);
    out += kDigits[(v >> 18) & 63];
    out += kDigits[(v >> 12) & 63];
    out += kDigits[(v >> 6) & 63];
    out += '=';
  }
  return out;
}

// A header's text as RFC 2047 words when it is not plain ASCII.
std::string HeaderText(const std::string& text) {
  for (unsigned char c : text)
    if (c >= 0x80 || c < 0x20) return "=?UTF-8?B?" + Base64(text) + "?=";
  return text;
}

// RFC 5322's date, in UTC, from the calendar arithmetic of <chrono>.
std::string MailDate(int64_t unixMs) {
  using namespace std::chrono;
  sys_seconds when{seconds{unixMs / 1000}};
  sys_days day = floor<days>(when);
  year_month_day date{day};
  hh_mm_ss<seconds> clock{when - day};
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  char text[64];
  std::snprintf(text, sizeof text, "%s, %02u %s %04d %02d:%02d:%02d +0000", kDays[weekday{day}.c_encoding() % 7],
                static_cast<unsigned>(date.day()), kMonths[(static_cast<unsigned>(date.month()) + 11) % 12],
                static_cast<int>(date.year()), static_cast<int>(clock.hours().count()),
                static_cast<int>(clock.minutes().count()), static_cast<int>(clock.seconds().count()));
  return text;
}

std::string WithCrLf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace

std::string LocalStamp(int64_t unixMs) {
  std::tm local{};
  if (!platform::LocalTime(static_cast<std::time_t>(unixMs / 1000), &local)) return "?";
  char text[40];
  std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d", local.tm_mday, local.tm_mon + 1,
                local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

std::string Duration(int seconds) {
  std::string sign = seconds < 0 ? "-" : "";
  long s = seconds < 0 ? -static_cast<long>(seconds) : seconds;
  if (s >= 3600) return sign + std::to_string(s / 3600) + " h " + std::to_string(s % 3600 / 60) + " min";
  if (s >= 60) return sign + std::to_string(s / 60) + " min " + std::to_string(s % 60) + " s";
  return sign + std::to_string(s) + " s";
}

std::string NoticeSubject(const Burst& burst) {
  if (burst.events.empty()) return "Vigil 2.0: mensagem de teste";
  std::string what;
  for (size_t i = 0; i < burst.events.size() && i < 3; ++i) what += (i ? ", " : "") + EventText(burst.events[i].kind);
  size_t more = burst.events.size() > 3 ? burst.events.size() - 3 + burst.left : burst.left;
  if (more) what += " e mais " + std::to_string(more);
  return "Vigil 2.0: " + NameLabel(burst.station) + " - " + what;
}

std::string NoticeText(const Burst& burst) {
  if (burst.events.empty())
    return "Mensagem de teste de vigil-web: se ela chegou, os avisos de falta de energia chegam aqui.\n";
  std::string text = "Esta\xC3\xA7\xC3\xA3o: " + NameLabel(burst.station) + "\n";
  for (const BurstEvent& e : burst.events) text += LocalStamp(e.unixMs) + "  " + EventText(e.kind) + "\n";
  if (burst.left) text += "(e mais " + std::to_string(burst.left) + " eventos)\n";
  const StationFacts& f = burst.facts;
  if (f.known) {
    text += std::string("Alimenta\xC3\xA7\xC3\xA3o: ") + (f.mains_failure ? "bateria" : "rede") + "\n";
    text += "Autonomia restante: " + Duration(f.autonomy_left_s) + "\n";
    if (f.mains_failure) text += "Tempo em bateria: " + Duration(f.time_on_battery_s) + "\n";
  } else {
    text += "Autonomia restante: desconhecida\n";
  }
  if (f.charge_percent >= 0) text += "Carga da bateria: " + std::to_string(f.charge_percent) + "%\n";
  if (f.runtime_s >= 0) text += "Autonomia medida pelo nobreak: " + Duration(f.runtime_s) + "\n";
  return text;
}

std::string MailMessage(const Burst& burst, const std::string& from, const std::vector<std::string>& to,
                        int64_t unixMs, const std::string& id) {
  std::string recipients;
  for (const std::string& address : to) recipients += (recipients.empty() ? "" : ", ") + address;
  std::string head = "Date: " + MailDate(unixMs) + "\nFrom: " + from + "\nTo: " + recipients +
                     "\nSubject: " + HeaderText(NoticeSubject(burst)) + "\nMessage-ID: <" + id +
                     "@vigil-web>\nMIME-Version: 1.0\nContent-Type: text/plain; charset=UTF-8\n"
                     "Content-Transfer-Encoding: 8bit\n\n";
  return WithCrLf(head + NoticeText(burst));
}

std::string WebhookJson(const Burst& burst) {
  nlohmann::json events = nlohmann::json::array();
  for (const BurstEvent& e : burst.events)
    events.push_back({{"kind", EventSlug(e.kind)}, {"text", EventText(e.kind)}, {"time", LocalStamp(e.unixMs)},
                      {"unix_ms", e.unixMs}});
  nlohmann::json doc = {{"station", NameLabel(burst.station)},
                        {"title", NoticeSubject(burst)},
                        {"message", NoticeText(burst)},
                        {"events", events}};
  if (burst.left) doc["more_events"] = burst.left;
  const StationFacts& f = burst.facts;
  if (f.known) {
    doc["on_battery"] = f.mains_failure;
    doc["autonomy_left_s"] = f.autonomy_left_s;
    if (f.mains_failure) doc["on_battery_s"] = f.time_on_battery_s;
  }
  if (f.charge_percent >= 0) doc["charge_percent"] = f.charge_percent;
  if (f.runtime_s >= 0) doc["runtime_s"] = f.runtime_s;
  // Invalid UTF-8 in a name (it is made printable, but to be sure) is replaced, not thrown.
  return doc.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace web
