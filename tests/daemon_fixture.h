// Shared pieces of the daemon's process-level tests.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "sandbox.h"

// The seventeen lines of a configuration for a station wired to the UPS:
// 10 minutes of autonomy, 1 hour of recharge, every shutdown switch on,
// console on, broadcasting on, filter on, no script. `changes` replaces
// whole lines by their number (1 to 17).
inline std::vector<std::string> LocalConf(const std::map<int, std::string>& changes = {}) {
  std::vector<std::string> lines = {
      "Autonomia em minutos = 10",
      "Tempo de recarga em horas = 1",
      "Desligar no fim da autonomia (sim/nao) = sim",
      "Desligar com bateria em nivel critico (sim/nao) = sim",
      "Avisos sonoros (sim/nao) = sim",
      "Mensagens no console (sim/nao) = sim",
      "Nobreak ligado a este computador (sim/nao) = sim",
      "Porta serial (COM1 a COM8) = COM2",
      "Enviar o estado pela rede (sim/nao) = sim",
      "Nome desta estacao = estacao1",
      "Receber o estado pela rede (sim/nao) = nao",
      "Aceitar qualquer servidor (sim/nao) = nao",
      "Servidor aceito = servidor",
      "Sinal de bypass (sim/nao) = sim",
      "Filtro de estabilidade (sim/naom) = sim",
      "Executar comando antes de desligar (sim/nao) = nao",
      "Comando = ",
  };
  for (const auto& [number, line] : changes) lines[number - 1] = line;
  return lines;
}

// Starts vigil20 inside `box` with the line simulator on /usr/local/lines.
inline CommandResult StartDaemon(const Sandbox& box, const std::string& argument = "") {
  return box.Run("VIGIL20_SIMLINES=/usr/local/lines " VIGIL20_BIN " " + argument);
}

inline CommandResult Vigil(const Sandbox& box, const std::string& argument) {
  return box.Run(VIGIL20_BIN " " + argument);
}

// True when the daemon's shared block or semaphore set (key 6666) exists.
inline bool IpcObjectsPresent(const Sandbox& box) {
  std::string listing = box.Run("ipcs -m; ipcs -s").out;
  return listing.find("0x00001a0a") != std::string::npos;
}
