// Every kind of event the programs know, once: its code in the event file
// "EvtVigil20.dat", its code in a station's history on the status page,
// the texts that the event file's readers and the daemon's log show, and
// the short name of the metrics and the CSV.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace core {

enum class Event : uint8_t {
  MainsFailure,
  MainsReturn,
  LowBatteryShutdown,
  ShutdownAccepted,
  ShutdownForced,
  ShutdownCancelled,
  ShutdownFailed,
  MonitoringStart,
  MonitoringEnd,
  NoticeRefused,
  AutonomyEnd,
  AutonomyEndAgain,
  BypassOn,
  BypassOff,
  UserLogon,
  BatteryCritical,
  BatteryRecovered,
  SignalFault,
  SignalRestored,
  StationSilent,
  StationHeard,
};

struct EventKindInfo {
  Event event;
  int32_t file_code;          // as the event file stores it; 0: not an event of that file
  uint16_t history_code;      // in the page's history files: the file code where there is one, else 100 on
  const char* file_text;      // Windows-1252, as the event file's readers show it; null without a file code
  const char* daemon_text;    // ASCII, as the daemon's log writes it; null for what the daemon never logs
  const char* page_text;      // UTF-8, as the page shows it
  const char* slug;           // the metrics' kind label and the CSV's kind
};

// All kinds, in the order of the enum.
std::span<const EventKindInfo> EventKinds();

const EventKindInfo& Info(Event event);
// Nothing (null) where no kind has that code or text.
const EventKindInfo* ByFileCode(int32_t code);
const EventKindInfo* ByHistoryCode(int code);
const EventKindInfo* ByDaemonText(std::string_view text);

}  // namespace core
