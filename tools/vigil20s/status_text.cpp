#include "tools/vigil20s/status_text.h"

#include <cstdio>
#include <cstring>

using core::CState;

namespace supervisor {
namespace {

std::string Line(const char* label, const std::string& value) { return std::string(label) + value + "\n"; }

const char* YesNo(int32_t flag, const char* on, const char* off) { return flag ? on : off; }

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
  text += Line("Rede eletrica:         ", YesNo(state.powerFailure, "FALTA DE ENERGIA", "normal"));
  text += Line("Bateria:               ", YesNo(state.batteryCritical, "CRITICA", "normal"));
  text += Line("Bypass:                ", YesNo(state.bypass, "sim", "nao"));
  text += Line("Sinalizacao do cabo:   ", YesNo(state.signalFault, "FALHA", "normal"));
  text += Line("Servidor de rede:      ", YesNo(state.serverLost, "PERDIDO", "normal"));
  text += Line("Fim da autonomia:      ", YesNo(state.autonomyEnd, "SIM", "nao"));
  text += Line("Autonomia nominal:     ", MinutesSeconds(state.nominalAutonomy));
  text += Line("Autonomia na descarga: ", MinutesSeconds(state.fullAutonomy));
  text += Line("Autonomia restante:    ", MinutesSeconds(state.remainingAutonomy));
  text += Line("Tempo em bateria:      ", MinutesSeconds(state.timeOnBattery));
  return text;
}

std::string NoAnswerText(uint32_t error) { return "O Vigil 2.0 nao responde (erro " + std::to_string(error) + ").\n"; }

}  // namespace supervisor
