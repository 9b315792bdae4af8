// Shared pieces of the daemon's process-level tests.
#pragma once

#include <cstdio>
#include <map>
#include <sstream>
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

// Sets the simulated UPS lines: "set DSR CTS RI", "drop DSR", "unplug"...
inline void Lines(const Sandbox& box, const std::string& words) {
  box.Run(VIGIL_LINES_BIN " /usr/local/lines " + words);
}

// The daemon's log in clear text, as the "log" command prints it.
inline std::string LogText(const Sandbox& box) { return Vigil(box, "log").out; }

inline int CountOf(const std::string& text, const std::string& needle) {
  int n = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size())) ++n;
  return n;
}

// Waits until the log holds `needle` at least `times` times.
inline bool WaitForLog(const Sandbox& box, const std::string& needle, int timeout_ms, int times = 1) {
  return WaitUntil([&] { return CountOf(LogText(box), needle) >= times; }, timeout_ms);
}

// The power-off runs just after "Desligamento iniciado" is logged: waits
// until the recorders hold exactly `expected`.
inline bool WaitForRecorded(const Sandbox& box, const std::string& expected, int timeout_ms = 3000) {
  return WaitUntil([&] { return box.Read("recorded") == expected; }, timeout_ms);
}

// Listens for datagrams inside `box`, one line each in /usr/local/datagrams.
inline void ListenForDatagrams(const Sandbox& box) {
  box.Run(VIGIL_DGRAM_BIN " listen /usr/local/datagrams >/dev/null 2>&1 &");
  WaitUntil([&] { return box.Run("grep -q ':0A58 ' /proc/net/udp").status == 0; }, 3000);
}

// One datagram as the listener wrote it.
struct SeenDatagram {
  long long at_ms = 0;
  int size = 0;
  int pf = -1, bl = -1, bp = -1, cf = -1, ao = -1;
  int total = 0, base = 0, left = 0, dt = 0;
  std::string name;
};

inline std::vector<SeenDatagram> Datagrams(const Sandbox& box) {
  std::vector<SeenDatagram> seen;
  std::istringstream lines(box.Read("datagrams"));
  std::string line;
  while (std::getline(lines, line)) {
    SeenDatagram d;
    std::istringstream fields(line);
    fields >> d.at_ms >> d.size >> d.pf >> d.bl >> d.bp >> d.cf >> d.ao >> d.total >> d.base >> d.left >> d.dt >> d.name;
    seen.push_back(d);
  }
  return seen;
}

// The wall-clock time (ms since the epoch, as the listener writes it) of
// the first datagram heard in `box` at `since_ms` or later whose mains
// failure flag is `pf`; -1 when none came within `timeout_ms`.
inline long long FirstDatagramAt(const Sandbox& box, long long since_ms, int pf, int timeout_ms) {
  long long arrival = -1;
  WaitUntil(
      [&] {
        for (const SeenDatagram& d : Datagrams(box))
          if (d.at_ms >= since_ms && d.pf == pf) {
            arrival = d.at_ms;
            return true;
          }
        return false;
      },
      timeout_ms);
  return arrival;
}

// The daemon's shared block, read inside `box`.
struct Block {
  bool present = false;
  int start = 0, running = 0, stop = 0, pf = 0, bl = 0, bp = 0, cf = 0, ao = 0;
  int total = 0, base = 0, left = 0, dt = 0, paused = 0;
  std::string name;
};

inline Block Peek(const Sandbox& box) {
  Block b;
  CommandResult r = box.Run(VIGIL_PEEK_BIN);
  if (r.status != 0) return b;
  std::istringstream fields(r.out);
  fields >> b.start >> b.running >> b.stop >> b.pf >> b.bl >> b.bp >> b.cf >> b.ao >> b.total >> b.base >> b.left >>
      b.dt >> b.paused >> b.name;
  b.present = true;
  return b;
}
