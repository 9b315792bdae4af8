// Texts put into the pages, the CSV, the metrics and the links, each in the
// form its reader takes. Station names come from the LAN and may hold
// anything: every one goes through these.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace web {

// For HTML text and attribute values: & < > " ' as references.
std::string HtmlEscape(const std::string& text);

// One CSV field: quoted when it holds a comma, a quote or a line end (quotes
// doubled); a field that a spreadsheet would take for a formula (starting
// with = + - @ or a tab) gets a leading apostrophe.
std::string CsvField(const std::string& text);

// A Prometheus label value: backslash, quote and line end escaped.
std::string LabelValue(const std::string& text);

// A path segment: every byte but letters, digits and - . _ ~ as %XX.
std::string PathSegment(const std::string& text);
// Back from %XX; nothing for a malformed escape or an escaped byte below
// 0x20 (a zero byte included).
std::optional<std::string> DecodePathSegment(const std::string& text);

// Times for people, in this computer's time zone: "10/12/2026 14:05:09",
// "14:05", "10/12".
std::string LocalDateTime(int64_t unixMs);
std::string LocalHourMinute(int64_t unixMs);
std::string LocalDayMonth(int64_t unixMs);
// For programs: "2026-12-10T17:05:09Z".
std::string UtcIso(int64_t unixMs);

// A duration for people: "1 h 05 min", "12 min 03 s", "45 s".
std::string Duration(int64_t seconds);

}  // namespace web
