#include "linuxbase/service_notify.h"

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include "linuxbase/unique_fd.h"

namespace linuxbase {

namespace {

// The process that named itself systemd's main process, if one did.
pid_t namedMain = 0;
int64_t lastAliveMs = -1;

}  // namespace

bool SendServiceNotification(const char* text) {
  const char* path = std::getenv("NOTIFY_SOCKET");
  if (!path || !*path) return false;
  size_t length = std::strlen(path);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (length >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path, length);
  // A name starting with '@' is in the abstract namespace: a leading zero byte.
  if (path[0] == '@') address.sun_path[0] = '\0';
  socklen_t size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + length);
  UniqueFd sock(socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!sock) return false;
  size_t textLength = std::strlen(text);
  ssize_t sent;
  do {
    sent = sendto(sock.get(), text, textLength, MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&address), size);
  } while (sent < 0 && errno == EINTR);
  return sent == static_cast<ssize_t>(textLength);
}

uint32_t WatchdogPeriodMs() {
  // What systemd asked for, read once: the period, and the process meant.
  struct Asked {
    uint32_t periodMs = 0;
    long pid = 0;  // 0: any
  };
  static const Asked asked = [] {
    Asked a;
    const char* pidText = std::getenv("WATCHDOG_PID");
    if (pidText && *pidText) a.pid = std::strtol(pidText, nullptr, 10);
    const char* text = std::getenv("WATCHDOG_USEC");
    if (!text || !*text) return a;
    char* end = nullptr;
    errno = 0;
    unsigned long long usec = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0' || usec == 0) return a;
    unsigned long long ms = usec / 1000;
    a.periodMs = static_cast<uint32_t>(ms == 0 ? 1 : ms > 0xFFFFFFFFull ? 0xFFFFFFFFull : ms);
    return a;
  }();
  pid_t self = getpid();
  bool forThis = asked.pid == 0 || asked.pid == static_cast<long>(self) || namedMain == self;
  return forThis ? asked.periodMs : 0;
}

uint32_t AlivePeriodMs() { return WatchdogPeriodMs() / 2; }

void NotifyServiceReady(int64_t nowMs, pid_t mainProcess) {
  if (mainProcess > 0) {
    char text[64];
    std::snprintf(text, sizeof text, "READY=1\nMAINPID=%ld", static_cast<long>(mainProcess));
    SendServiceNotification(text);
    namedMain = mainProcess;
  } else {
    SendServiceNotification("READY=1");
  }
  lastAliveMs = -1;
  NotifyServiceAlive(nowMs);
}

void NotifyServiceAlive(int64_t nowMs) {
  uint32_t period = WatchdogPeriodMs();
  if (period == 0) return;
  if (lastAliveMs >= 0 && nowMs - lastAliveMs < period / 2) return;
  if (SendServiceNotification("WATCHDOG=1")) lastAliveMs = nowMs;
}

}  // namespace linuxbase
