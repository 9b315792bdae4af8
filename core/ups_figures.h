// What a USB UPS measures, as the station wired to it leaves it for the
// gateways on the same computer: a small text file beside the daemon's log.
// The LAN datagram has no room for these figures, and earlier receivers
// must read it as they always did; so charge, load and voltages stay on
// the computer the UPS is wired to.
//
// The file, one "key=value" per line after a first line of its own, each
// line ended by a line break (an unended last line is a cut, not read):
//   vigil ups figures 1
//   station=<the station name, as the datagrams carry it>
//   written_unix_ms=<when it was written, wall clock>
//   charge_percent=, runtime_s=, load_percent=, input_voltage_v=,
//   battery_voltage_v=  (each only when the UPS measures it)
// Unknown keys are passed over, for a later writer's sake.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/ups_state.h"

namespace core {

// Where the daemon leaves it, beside its log.
inline constexpr const char* kDaemonUpsFiguresPath = "/usr/local/vigil20/vigil20.ups";

// The suite's, in the Windows directory beside its event file.
inline constexpr const char* kSuiteUpsFiguresName = "Vigil20Ups.txt";
// That file's path in `windowsDir`, joined by `separator`.
std::string SuiteUpsFiguresPath(std::string_view windowsDir, char separator);

// A longer file is refused whole, never read in part.
inline constexpr size_t kUpsFiguresMax = 1024;
// Older than this, the figures are not shown: the writer rewrites the file
// at least every kUpsFiguresRefreshMs while it runs, so an older file was
// left by a program that stopped or died.
inline constexpr int64_t kUpsFiguresRefreshMs = 30000;
inline constexpr int64_t kUpsFiguresStaleAfterMs = 2 * kUpsFiguresRefreshMs;

struct UpsFigures {
  std::string station;  // at most 32 bytes
  int64_t writtenUnixMs = 0;
  UpsState measured;  // only the figures a UPS measures; the flags and the autonomy model stay unset
};

// When the program wired to the UPS writes the file: at once the first
// time, when the figures change (no more often than every 2 s: a mains
// voltage moves a little at every reading), and every half refresh period
// regardless. `figures` is UpsFiguresText with a time of 0; `monoMs` a
// clock that only moves forward.
struct UpsFiguresPace {
  std::string written;     // the figures last written
  int64_t writtenMs = -1;  // when; -1: none on disk
};
bool UpsFiguresDue(const UpsFiguresPace& pace, const std::string& figures, int64_t monoMs);

// The file's text. Figures of `measured` outside a plausible range are
// left out; its flags and autonomy figures are not written.
std::string UpsFiguresText(std::string_view station, int64_t writtenUnixMs, const UpsState& measured);

// The file's figures, or nothing when the first line, the station or the
// time is missing or malformed, or the text is longer than kUpsFiguresMax.
// A figure that does not parse or lies outside its range is left empty.
std::optional<UpsFigures> ParseUpsFigures(std::string_view text);

// Copies the five figures a UPS measures from `from` into `into`, each
// whether set or empty.
void TakeMeasured(const UpsState& from, UpsState* into);

// Copies the five measured figures of `figures` into `state`, when they
// were written for `station` no more than kUpsFiguresStaleAfterMs before
// `nowUnixMs` (or up to one refresh ahead, for a clock set back). Returns
// whether they were taken.
bool TakeUpsFigures(const UpsFigures& figures, std::string_view station, int64_t nowUnixMs, UpsState* state);

}  // namespace core
