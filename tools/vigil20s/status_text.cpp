#include "tools/vigil20s/status_text.h"

#include <cstdio>
#include <cstring>
#include <optional>

#include "core/record_state.h"

using core::CState;
using core::UpsState;

namespace supervisor {
namespace {

std::string Line(const char* label, const std::string& value) { return std::string(label) + value + "\n"; }

const char* YesNo(bool flag, const char* on, const char* off) { return flag ? on : off; }

// A figure the record does not know is shown as "-", never as 0.
std::string Figure(const std::optional<int32_t>& seconds) { return seconds ? MinutesSeconds(*seconds) : "-"; }

}  // namespace

std::string MinutesSeconds(int seconds) {
  long long value = seconds;
  bool negative = value < 0;
  if (negative) value = -value;
  char text[32];
  std::snprintf(text, sizeof text, "%s%lld:%02lld", negative ? "-" : "", value / 60, value % 60);
  return text;
}

std::string StatusText(const CState& state) {
  // The record's name is at most 31 bytes; its end is not trusted.
  char name[sizeof state.hostName + 1] = {};
  std::memcpy(name, state.hostName, sizeof state.hostName);
  for (char* c = name; *c; ++c)
    if (static_cast<unsigned char>(*c) < 0x20 || *c == 0x7F) *c = '?';

  std::string text;
  text += Line("Estacao:               ",
               std::string(*name ? name : "(local)") + (state.fromNetwork ? " (pela rede)" : ""));
  const UpsState ups = core::StateOfRecord(state);
  text += Line("Rede eletrica:         ", YesNo(ups.mains_failure, "FALTA DE ENERGIA", "normal"));
  text += Line("Bateria:               ", YesNo(ups.battery_critical, "CRITICA", "normal"));
  text += Line("Bypass:                ", YesNo(ups.bypass, "sim", "nao"));
  text += Line("Sinalizacao do cabo:   ", YesNo(ups.signal_fault, "FALHA", "normal"));
  // The server's loss is the record's own, not the UPS's.
  text += Line("Servidor de rede:      ", YesNo(state.serverLost != 0, "PERDIDO", "normal"));
  text += Line("Fim da autonomia:      ", YesNo(ups.autonomy_end, "SIM", "nao"));
  text += Line("Autonomia nominal:     ", Figure(ups.autonomy_nominal_s));
  text += Line("Autonomia na descarga: ", Figure(ups.autonomy_full_s));
  text += Line("Autonomia restante:    ", Figure(ups.autonomy_left_s));
  text += Line("Tempo em bateria:      ", Figure(ups.time_on_battery_s));
  return text;
}

std::string NoAnswerText(uint32_t error) { return "O Vigil 2.0 nao responde (erro " + std::to_string(error) + ").\n"; }

}  // namespace supervisor
