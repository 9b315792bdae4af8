#include "web/text_escape.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "platform/local_time.h"

namespace web {

namespace {

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Floor division: a moment before 1970 still falls in its own second.
std::time_t Seconds(int64_t unixMs) {
  int64_t s = unixMs / 1000;
  if (unixMs % 1000 < 0) --s;
  return static_cast<std::time_t>(s);
}

std::string Local(int64_t unixMs, const char* format) {
  std::tm parts{};
  if (!platform::LocalTime(Seconds(unixMs), &parts)) return "?";
  char text[64];
  if (std::strftime(text, sizeof text, format, &parts) == 0) return "?";
  return text;
}

}  // namespace

std::string HtmlEscape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string CsvField(const std::string& text) {
  std::string field = text;
  if (!field.empty() && (field[0] == '=' || field[0] == '+' || field[0] == '-' || field[0] == '@' || field[0] == '\t'))
    field.insert(field.begin(), '\'');
  if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
  std::string quoted = "\"";
  for (char c : field) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string LabelValue(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '"')
      out += "\\\"";
    else if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out;
}

std::string PathSegment(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
                 c == '_' || c == '~';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::optional<std::string> DecodePathSegment(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    int high = Hex(text[i + 1]), low = Hex(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    char c = static_cast<char>(high * 16 + low);
    if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
    out += c;
    i += 2;
  }
  return out;
}

std::string LocalDateTime(int64_t unixMs) { return Local(unixMs, "%d/%m/%Y %H:%M:%S"); }
std::string LocalHourMinute(int64_t unixMs) { return Local(unixMs, "%H:%M"); }
std::string LocalDayMonth(int64_t unixMs) { return Local(unixMs, "%d/%m"); }

std::string UtcIso(int64_t unixMs) {
  using namespace std::chrono;
  sys_seconds when{seconds{static_cast<int64_t>(Seconds(unixMs))}};
  sys_days day = floor<days>(when);
  year_month_day date{day};
  hh_mm_ss<seconds> clock{when - day};
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                static_cast<int>(clock.seconds().count()));
  return text;
}

std::string Duration(int64_t seconds) {
  if (seconds < 0) seconds = 0;
  char text[48];
  if (seconds >= 3600)
    std::snprintf(text, sizeof text, "%lld h %02lld min", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60));
  else if (seconds >= 60)
    std::snprintf(text, sizeof text, "%lld min %02lld s", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60));
  else
    std::snprintf(text, sizeof text, "%lld s", static_cast<long long>(seconds));
  return text;
}

}  // namespace web
