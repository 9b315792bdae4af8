#include "modem_lines.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
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

// Every input of the modem word: a change of any of them is a change of the
// word, which the monitor compares whole.
constexpr int kInputs = TIOCM_DSR | TIOCM_CTS | TIOCM_RNG | TIOCM_CD;

// What moves the simulator's file: a write in place, a rename over it (how
// the tools write it), its removal and its return.
constexpr uint32_t kFileEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_CREATE;

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

bool SameCounts(const serial_icounter_struct& a, const serial_icounter_struct& b) {
  return a.cts == b.cts && a.dsr == b.dsr && a.rng == b.rng && a.dcd == b.dcd;
}

bool OpenDevice(ModemLines* lines) {
  // No controlling terminal: a hang-up on the UPS cable must not signal the
  // daemon. No blocking: the UPS gives no carrier to wait for.
  lines->fd.reset(open(lines->device, O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!lines->fd) return false;
  lines->no_wait = NoWaitReason::kNone;
  struct stat st;
  if (lines->ring_watched && fstat(lines->fd.get(), &st) == 0 && CountsRingTrailingEdgeOnly(st.st_rdev))
    lines->no_wait = NoWaitReason::kRingTrailingEdge;
  return true;
}

// The watch is on the folder, since the tools replace the file by a rename
// (a watch on the file would stay with the replaced one).
void WatchSimulatorFile(ModemLines* lines) {
  std::string path = lines->sim_path;
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  lines->no_wait = NoWaitReason::kSimulatorUnwatched;
  if (name.empty() || name.size() >= sizeof lines->sim_name) return;
  lines->watch.reset(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
  if (!lines->watch || inotify_add_watch(lines->watch.get(), folder.c_str(), kFileEvents) < 0) {
    lines->watch.reset();
    return;
  }
  std::memcpy(lines->sim_name, name.c_str(), name.size() + 1);
  lines->no_wait = NoWaitReason::kNone;
}

// Reads what the watch has queued: 1 when an event names the simulator's
// file, 0 when none does, -1 when the watch is gone (its folder removed).
int DrainWatch(ModemLines* lines) {
  alignas(struct inotify_event) char buffer[4096];
  int result = 0;
  for (;;) {
    ssize_t n = read(lines->watch.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return result;
    for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      if (event->mask & (IN_IGNORED | IN_DELETE_SELF | IN_UNMOUNT)) return -1;
      // A lost event may have been ours.
      if (event->mask & IN_Q_OVERFLOW) result = 1;
      if (event->len > 0 && std::strcmp(event->name, lines->sim_name) == 0) result = 1;
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
}

int WaitOnSimulator(ModemLines* lines) {
  for (;;) {
    struct pollfd ready = {lines->watch.get(), POLLIN, 0};
    int n = poll(&ready, 1, -1);
    if (n < 0) return errno == EINTR ? 0 : -1;
    int drained = DrainWatch(lines);
    if (drained != 0) {
      if (drained < 0) {
        lines->watch.reset();
        lines->no_wait = NoWaitReason::kSimulatorUnwatched;
        return -1;
      }
      return 1;
    }
  }
}

int WaitOnDevice(ModemLines* lines) {
  int fd = lines->fd.get();
  struct serial_icounter_struct now = {};
  // A change between the last read and this wait is in the counters (the
  // wait itself counts only from its own start).
  if (ioctl(fd, TIOCGICOUNT, &now) == 0) {
    if (!SameCounts(now, lines->seen)) return 1;
    if (ioctl(fd, TIOCMIWAIT, kInputs) == 0) return 1;
    if (errno == EINTR) return 0;
  }
  // Refused (ENOTTY, EINVAL, EIO: usb-serial drivers such as cp210x have no
  // wait), or failed in a way no wait can mend: for good while the lines
  // still read; otherwise the device is gone, which the next read finds.
  int word = 0;
  if (ioctl(fd, TIOCMGET, &word) == 0) {
    lines->no_wait = NoWaitReason::kDeviceRefuses;
    return -1;
  }
  return 1;
}

}  // namespace

bool CountsRingTrailingEdgeOnly(dev_t device) { return major(device) == 4 && minor(device) >= 64; }

bool OpenModemLines(ModemLines* lines, const char* device, bool ring_watched) {
  lines->ring_watched = ring_watched;
  std::memset(lines->device, 0, sizeof lines->device);
  std::strncpy(lines->device, device, sizeof lines->device - 1);
  lines->sim_path = linesim::PathFromEnvironment();
  if (lines->sim_path) {
    if (access(lines->sim_path, R_OK) != 0) return false;
    WatchSimulatorFile(lines);
    return true;
  }
  return OpenDevice(lines);
}

bool GetModemWord(ModemLines* lines, int* word) {
  if (lines->sim_path) {
    // What the watch holds now is about this read or earlier.
    if (lines->watch && DrainWatch(lines) < 0) {
      lines->watch.reset();
      lines->no_wait = NoWaitReason::kSimulatorUnwatched;
    }
    auto read = linesim::ReadModemWord(lines->sim_path);
    if (read) *word = TiocmFromSim(*read);
    return read.has_value();
  }
  if (!lines->fd) return false;
  // The counters first: a change after them is then in the word, or seen by
  // the next wait.
  if (lines->no_wait == NoWaitReason::kNone && ioctl(lines->fd.get(), TIOCGICOUNT, &lines->seen) != 0)
    lines->no_wait = NoWaitReason::kDeviceRefuses;
  return ioctl(lines->fd.get(), TIOCMGET, word) == 0;
}

bool SetModemWord(const ModemLines& lines, int word) {
  if (lines.sim_path) return linesim::WriteOutputs(lines.sim_path, SimFromTiocm(word));
  return lines.fd && ioctl(lines.fd.get(), TIOCMSET, &word) == 0;
}

bool ModemDeviceOpen(const ModemLines& lines) { return !lines.sim_path && lines.fd; }

void DropModemDevice(ModemLines* lines) {
  if (!lines->sim_path) lines->fd.reset();
}

bool ReopenModemDevice(ModemLines* lines) {
  if (lines->sim_path) return true;
  lines->fd.reset();
  return OpenDevice(lines);
}

int WaitOnModemLines(ModemLines* lines) {
  if (lines->no_wait != NoWaitReason::kNone) return -1;
  if (lines->sim_path) return lines->watch ? WaitOnSimulator(lines) : -1;
  if (!lines->fd) return -1;
  return WaitOnDevice(lines);
}

void CloseModemLines(ModemLines* lines) {
  lines->fd.reset();
  lines->watch.reset();
  lines->sim_path = nullptr;
}
