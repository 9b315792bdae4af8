// LD_PRELOAD shim for the Wine tests: a Linux pseudo-terminal has no modem
// lines (TIOCMGET answers ENOTTY), so Wine's serial code could not read or
// set them. For the one pty named in VIGIL_SHIM_TTY this answers the modem
// ioctls from the line file named in VIGIL_PTY_LINES, in the simulator's
// format: the inputs (DSR, CTS, RI) from the file, the outputs (RTS, DTR)
// kept in its ".out" file, where the test sees them. Every other ioctl, and
// every other descriptor, goes to the C library unchanged.
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <dlfcn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include "linesim/line_sim.h"

namespace {

using IoctlFunction = int (*)(int, unsigned long, ...);

struct LineBit {
  int sim;
  int tiocm;
};
constexpr LineBit kBits[] = {{linesim::kDsr, TIOCM_DSR}, {linesim::kCts, TIOCM_CTS}, {linesim::kRi, TIOCM_RNG},
                             {linesim::kRts, TIOCM_RTS}, {linesim::kDtr, TIOCM_DTR}};

int ToTiocm(int sim) {
  int word = 0;
  for (const auto& bit : kBits)
    if (sim & bit.sim) word |= bit.tiocm;
  return word;
}

int ToSim(int tiocm) {
  int word = 0;
  for (const auto& bit : kBits)
    if (tiocm & bit.tiocm) word |= bit.sim;
  return word;
}

bool IsShimmedTty(int fd) {
  const char* tty = std::getenv("VIGIL_SHIM_TTY");
  struct stat ours, theirs;
  if (!tty || stat(tty, &ours) != 0 || fstat(fd, &theirs) != 0) return false;
  return S_ISCHR(theirs.st_mode) && theirs.st_rdev == ours.st_rdev;
}

// -1 with errno EIO when the line file cannot be read or written: as a
// cable that is not there.
int Answer(unsigned long request, int* arg) {
  const char* lines = std::getenv("VIGIL_PTY_LINES");
  auto word = lines ? linesim::ReadModemWord(lines) : std::nullopt;
  if (!word) {
    errno = EIO;
    return -1;
  }
  int outputs = *word & linesim::kOutputs;
  int given = ToSim(*arg) & linesim::kOutputs;
  switch (request) {
    case TIOCMGET:
      *arg = ToTiocm(*word);
      return 0;
    case TIOCMSET:
      outputs = given;
      break;
    case TIOCMBIS:
      outputs |= given;
      break;
    default:  // TIOCMBIC
      outputs &= ~given;
      break;
  }
  if (linesim::WriteOutputs(lines, outputs)) return 0;
  errno = EIO;
  return -1;
}

}  // namespace

extern "C" int ioctl(int fd, unsigned long request, ...) {
  va_list args;
  va_start(args, request);
  void* arg = va_arg(args, void*);
  va_end(args);
  bool modem = request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS || request == TIOCMBIC;
  if (modem && arg && IsShimmedTty(fd)) return Answer(request, static_cast<int*>(arg));
  static auto real = reinterpret_cast<IoctlFunction>(dlsym(RTLD_NEXT, "ioctl"));
  if (!real) {
    errno = ENOSYS;
    return -1;
  }
  return real(fd, request, arg);
}
