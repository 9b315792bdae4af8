// LD_PRELOAD shim for the tests of the real serial path (Wine, LineTap's
// master, alerter and the daemon on a tty): a Linux pseudo-terminal has no
// modem lines (TIOCMGET answers ENOTTY), so that code could not read or set
// them. For the pty that VIGIL_SHIM_TTY names (a path, looked up at every
// call, so that a link made again to a new pty after a replug is followed)
// this answers the modem ioctls from the line file named in VIGIL_PTY_LINES,
// in the simulator's format:
//   TIOCMGET, TIOCMSET, TIOCMBIS, TIOCMBIC: the inputs (DSR, CTS, RI) from
//     the file, the outputs (RTS, DTR) kept in its ".out" file, where the
//     test sees them;
//   TIOCGICOUNT: how often each input changed in the file, as this process
//     saw it;
//   TIOCMIWAIT: waits until one of the inputs asked for changes in the file
//     (inotify on its folder, which sees the rename the tools write with);
//     EINTR when a signal handler runs, as the kernel's wait.
// A missing line file fails every call with EIO, as a device that is gone.
// With VIGIL_SHIM_NO_WAIT set, TIOCMIWAIT answers ENOTTY and TIOCGICOUNT
// EINVAL, as usb-serial drivers without them (cp210x) do.
// A pulled adapter is the test closing the pty's master: the kernel then
// hangs the old descriptor up for good (every call on it fails with EIO,
// whatever the line file says), and only a new open of a new pty reads.
// Every other ioctl, and every other descriptor, goes to the C library
// unchanged.
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <linux/serial.h>
#include <mutex>
#include <poll.h>
#include <string>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "linesim/line_sim.h"

namespace {

using IoctlFunction = int (*)(int, unsigned long, ...);

struct LineBit {
  int sim;
  int tiocm;
};
constexpr LineBit kBits[] = {{linesim::kDsr, TIOCM_DSR},
                             {linesim::kCts, TIOCM_CTS},
                             {linesim::kRi, TIOCM_RNG},
                             {linesim::kRts, TIOCM_RTS},
                             {linesim::kDtr, TIOCM_DTR}};

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

// The inputs as this process last saw them in the line file, and how often
// each changed: the counters of the one shimmed port (of its current pty).
struct Counters {
  dev_t device = 0;
  int inputs = -1;  // not seen yet
  serial_icounter_struct counts = {};
};
std::mutex counters_lock;
Counters counters;

// The shimmed pty's device number, when `fd` is it.
bool IsShimmedTty(int fd, dev_t* device) {
  const char* tty = std::getenv("VIGIL_SHIM_TTY");
  struct stat ours, theirs;
  if (!tty || stat(tty, &ours) != 0 || fstat(fd, &theirs) != 0) return false;
  if (!S_ISCHR(theirs.st_mode) || theirs.st_rdev != ours.st_rdev) return false;
  *device = ours.st_rdev;
  return true;
}

const char* LinesPath() { return std::getenv("VIGIL_PTY_LINES"); }

// Reads the line file and counts the inputs that changed since the last
// look. The whole word, or nullopt when the file cannot be read.
std::optional<int> Look(dev_t device) {
  const char* lines = LinesPath();
  auto word = lines ? linesim::ReadModemWord(lines) : std::nullopt;
  if (!word) return std::nullopt;
  std::lock_guard<std::mutex> hold(counters_lock);
  if (counters.device != device) counters = Counters{device};
  int inputs = *word & linesim::kInputs;
  if (counters.inputs >= 0) {
    int moved = inputs ^ counters.inputs;
    if (moved & linesim::kDsr) ++counters.counts.dsr;
    if (moved & linesim::kCts) ++counters.counts.cts;
    if (moved & linesim::kRi) ++counters.counts.rng;
  }
  counters.inputs = inputs;
  return word;
}

serial_icounter_struct Counts() {
  std::lock_guard<std::mutex> hold(counters_lock);
  return counters.counts;
}

int Fail(int error) {
  errno = error;
  return -1;
}

bool NoWait() {
  const char* value = std::getenv("VIGIL_SHIM_NO_WAIT");
  return value && *value;
}

int Answer(dev_t device, unsigned long request, int* arg) {
  const char* lines = LinesPath();
  auto word = Look(device);
  if (!word) return Fail(EIO);
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
  return Fail(EIO);
}

int AnswerCounts(dev_t device, serial_icounter_struct* out) {
  if (NoWait()) return Fail(EINVAL);
  if (!Look(device)) return Fail(EIO);
  *out = Counts();
  return 0;
}

bool Moved(const serial_icounter_struct& a, const serial_icounter_struct& b, unsigned long mask) {
  return ((mask & TIOCM_DSR) && a.dsr != b.dsr) || ((mask & TIOCM_CTS) && a.cts != b.cts) ||
         ((mask & TIOCM_RNG) && a.rng != b.rng);
}

// The kernel's wait counts from its own start; so does this one.
int WaitForChange(dev_t device, unsigned long mask) {
  if (NoWait()) return Fail(ENOTTY);
  std::string path = LinesPath() ? LinesPath() : "";
  if (path.empty() || !Look(device)) return Fail(EIO);
  serial_icounter_struct start = Counts();
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : path.substr(0, slash > 0 ? slash : 1);
  int watch = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  if (watch < 0) return Fail(EIO);
  if (inotify_add_watch(watch, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE) < 0) {
    close(watch);
    return Fail(EIO);
  }
  int result = 0;
  for (;;) {
    // Looked at after the watch is in place: no change falls between.
    if (!Look(device)) {
      result = Fail(EIO);
      break;
    }
    if (Moved(Counts(), start, mask)) break;
    struct pollfd ready = {watch, POLLIN, 0};
    if (poll(&ready, 1, -1) < 0) {
      result = Fail(errno == EINTR ? EINTR : EIO);
      break;
    }
    char events[4096];
    while (read(watch, events, sizeof events) > 0) {
    }
  }
  int saved = errno;
  close(watch);
  errno = saved;
  return result;
}

}  // namespace

extern "C" int ioctl(int fd, unsigned long request, ...) {
  va_list args;
  va_start(args, request);
  void* arg = va_arg(args, void*);
  va_end(args);
  bool modem = request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS || request == TIOCMBIC;
  bool counting = request == TIOCGICOUNT || request == TIOCMIWAIT;
  dev_t device = 0;
  if ((modem || counting) && IsShimmedTty(fd, &device)) {
    if (request == TIOCMIWAIT) return WaitForChange(device, reinterpret_cast<unsigned long>(arg));
    if (!arg) return Fail(EFAULT);
    if (request == TIOCGICOUNT) return AnswerCounts(device, static_cast<serial_icounter_struct*>(arg));
    return Answer(device, request, static_cast<int*>(arg));
  }
  static auto real = reinterpret_cast<IoctlFunction>(dlsym(RTLD_NEXT, "ioctl"));
  if (!real) return Fail(ENOSYS);
  return real(fd, request, arg);
}
