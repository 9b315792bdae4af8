// Every kind of event the programs know, once: its code in the event file
// "EvtVigil20.dat", its code in a station's history on the status page,
// the texts that the event file's readers and the daemon's log show, and
// the short name of the metrics and the CSV.
#pragma once

#include <cstddef>
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

// File texts are Windows-1252 bytes (\xE7 ç, \xE1 á, \xED í, \xE3 ã, \xE9 é);
// a hex escape is cut off with "" where a hex digit follows it. The
// daemon's texts are its log's, ASCII, capitals as it writes them.
inline constexpr EventKindInfo kEventKindTable[] = {
    {Event::MainsFailure, 1, 1, "Falta de rede", "Falta de Rede", "Falta de rede", "mains_failure"},
    {Event::MainsReturn, 2, 2, "Retorno da rede", "Retorno da rede", "Retorno da rede", "mains_return"},
    {Event::LowBatteryShutdown, 4, 4, "Bateria baixa - desligando", nullptr, "Bateria baixa - desligando",
     "low_battery_shutdown"},
    {Event::ShutdownAccepted, 5, 5, "Desligamento aceito", "Desligamento iniciado", "Desligamento aceito",
     "shutdown_accepted"},
    {Event::ShutdownForced, 6, 6,
     "Desligamento for\xE7"
     "ado",
     nullptr, "Desligamento forçado", "shutdown_forced"},
    {Event::ShutdownCancelled, 7, 7, "Usu\xE1rio cancelou", nullptr, "Usuário cancelou", "shutdown_cancelled"},
    {Event::ShutdownFailed, 8, 8, "Desligamento falhou", nullptr, "Desligamento falhou", "shutdown_failed"},
    {Event::MonitoringStart, 10, 10,
     "In\xED"
     "cio da monitora\xE7\xE3o",
     nullptr, "Início da monitoração", "monitoring_start"},
    {Event::MonitoringEnd, 11, 11, "T\xE9rmino da monitora\xE7\xE3o", nullptr, "Término da monitoração",
     "monitoring_end"},
    {Event::NoticeRefused, 12, 12, "Aviso de rede rejeitado", nullptr, "Aviso de rede rejeitado", "notice_refused"},
    {Event::AutonomyEnd, 20, 20, "T\xE9rmino da autonomia prevista", "Termino da autonomia prevista",
     "Término da autonomia prevista", "autonomy_end"},
    {Event::AutonomyEndAgain, 21, 21, "T\xE9rmino da autonomia prevista", nullptr, "Término da autonomia prevista",
     "autonomy_end"},
    {Event::BypassOn, 30, 30, "Entrada em Bypass", "Entrada em Bypass", "Entrada em Bypass", "bypass_on"},
    {Event::BypassOff, 31, 31,
     "Sa\xED"
     "da de Bypass",
     "Saida de Bypass", "Saída de Bypass", "bypass_off"},
    {Event::UserLogon, 50, 50, "User Logon", nullptr, "User Logon", "user_logon"},
    {Event::BatteryCritical, 0, 100, nullptr, "Bateria em nivel critico", "Bateria em nível crítico",
     "battery_critical"},
    {Event::BatteryRecovered, 0, 101, nullptr, "Bateria saiu de nivel critico", "Bateria saiu do nível crítico",
     "battery_recovered"},
    {Event::SignalFault, 0, 102, nullptr, "Problemas na comunicacao. Verifique o cabo serial", "Falha de sinalização",
     "signal_fault"},
    {Event::SignalRestored, 0, 103, nullptr, "Comunicacao Ok", "Sinalização normal", "signal_restored"},
    {Event::StationSilent, 0, 104, nullptr, nullptr, "Sem sinal", "silent"},
    {Event::StationHeard, 0, 105, nullptr, nullptr, "Sinal recebido", "heard"},
};

constexpr bool InEnumOrder(std::span<const EventKindInfo> kinds) {
  for (size_t k = 0; k < kinds.size(); ++k)
    if (static_cast<size_t>(kinds[k].event) != k) return false;
  return true;
}
static_assert(InEnumOrder(kEventKindTable), "the table lists the kinds in the order of the enum");

// All kinds, in the order of the enum.
constexpr std::span<const EventKindInfo> EventKinds() { return kEventKindTable; }

constexpr const EventKindInfo& Info(Event event) { return kEventKindTable[static_cast<size_t>(event)]; }
constexpr int32_t FileCode(Event event) { return Info(event).file_code; }

// Nothing (null) where no kind has that code or text.
const EventKindInfo* ByFileCode(int32_t code);
const EventKindInfo* ByHistoryCode(int code);
const EventKindInfo* ByDaemonText(std::string_view text);

// The event file's text of `code` (Windows-1252), or nullptr for a code
// that is no kind of that file.
const char* EventKindText(int32_t code);

}  // namespace core
