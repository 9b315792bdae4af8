#include "web/history_events.h"

#include "core/event_kinds.h"
#include "platform/win1252.h"

using core::EventKindText;

namespace web {

std::string EventText(int code) {
  switch (code) {
    case kEventBatteryCritical:
      return "Bateria em nível crítico";
    case kEventBatteryRecovered:
      return "Bateria saiu do nível crítico";
    case kEventSignalFault:
      return "Falha de sinalização";
    case kEventSignalRestored:
      return "Sinalização normal";
    case kEventSilent:
      return "Sem sinal";
    case kEventHeard:
      return "Sinal recebido";
  }
  if (const char* text = EventKindText(code)) return win1252::ToUtf8(text);
  return "Evento " + std::to_string(code);
}

const char* EventSlug(int code) {
  switch (code) {
    case kEventMainsFailure:
      return "mains_failure";
    case kEventMainsReturn:
      return "mains_return";
    case 4:
      return "low_battery_shutdown";
    case kEventShutdown:
      return "shutdown_accepted";
    case 6:
      return "shutdown_forced";
    case 7:
      return "shutdown_cancelled";
    case 8:
      return "shutdown_failed";
    case 10:
      return "monitoring_start";
    case 11:
      return "monitoring_end";
    case 12:
      return "notice_refused";
    case kEventAutonomyEnd:
    case 21:
      return "autonomy_end";
    case kEventBypassOn:
      return "bypass_on";
    case kEventBypassOff:
      return "bypass_off";
    case 50:
      return "user_logon";
    case kEventBatteryCritical:
      return "battery_critical";
    case kEventBatteryRecovered:
      return "battery_recovered";
    case kEventSignalFault:
      return "signal_fault";
    case kEventSignalRestored:
      return "signal_restored";
    case kEventSilent:
      return "silent";
    case kEventHeard:
      return "heard";
  }
  return "other";
}

}  // namespace web
