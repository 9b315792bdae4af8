#include "modem_lines.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "linesim/line_sim.h"

namespace {

// The simulator's line bits and the TIOCM_* bits the daemon works with.
struct LineBit {
  int sim;
  int tiocm;
};
constexpr LineBit kLineBits[] = {{linesim::kDsr, TIOCM_DSR},
                                 {linesim::kCts, TIOCM_CTS},
                                 {linesim::kRi, TIOCM_RNG},
                                 {linesim::kRts, TIOCM_RTS},
                                 {linesim::kDtr, TIOCM_DTR}};

int TiocmFromSim(int sim) {
  int word = 0;
  for (const auto& bit : kLineBits)
    if (sim & bit.sim) word |= bit.tiocm;
  return word;
}

int SimFromTiocm(int tiocm) {
  int word = 0;
  for (const auto& bit : kLineBits)
    if (tiocm & bit.tiocm) word |= bit.sim;
  return word;
}

}  // namespace

bool OpenModemLines(ModemLines* lines, const char* device) {
  lines->sim_path = linesim::PathFromEnvironment();
  if (lines->sim_path) return access(lines->sim_path, R_OK) == 0;
  // No controlling terminal: a hang-up on the UPS cable must not signal the
  // daemon. No blocking: the UPS gives no carrier to wait for.
  lines->fd = open(device, O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  return lines->fd >= 0;
}

bool GetModemWord(const ModemLines& lines, int* word) {
  if (lines.sim_path) {
    auto read = linesim::ReadModemWord(lines.sim_path);
    if (read) *word = TiocmFromSim(*read);
    return read.has_value();
  }
  return ioctl(lines.fd, TIOCMGET, word) == 0;
}

bool SetModemWord(const ModemLines& lines, int word) {
  if (lines.sim_path) return linesim::WriteOutputs(lines.sim_path, SimFromTiocm(word));
  return ioctl(lines.fd, TIOCMSET, &word) == 0;
}

void CloseModemLines(ModemLines* lines) {
  if (lines->fd >= 0) close(lines->fd);
  lines->fd = -1;
  lines->sim_path = nullptr;
}
