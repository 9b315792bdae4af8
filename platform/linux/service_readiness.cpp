#include "platform/service_readiness.h"

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

// systemd's notification socket, spoken directly (the protocol sd_notify
// documents: one datagram of "NAME=value" lines to the socket named by
// NOTIFY_SOCKET, '@' for the abstract namespace), not through libsystemd:
// that library cannot be linked statically and brings seven more with it,
// which doubles the resident memory of a program as small as vigil-nut.
namespace platform {

namespace {

int64_t NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

bool Send(const char* text) {
  const char* path = std::getenv("NOTIFY_SOCKET");
  if (!path || !*path) return false;
  size_t length = std::strlen(path);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (length >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path, length);
  if (path[0] == '@') address.sun_path[0] = '\0';
  socklen_t size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + length);
  int sock = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (sock < 0) return false;
  size_t textLength = std::strlen(text);
  ssize_t sent;
  do {
    sent = sendto(sock, text, textLength, MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&address), size);
  } while (sent < 0 && errno == EINTR);
  close(sock);
  return sent == static_cast<ssize_t>(textLength);
}

// WATCHDOG_USEC in ms, when it is meant for this process (WATCHDOG_PID,
// when set, names it); 0: nobody watches.
uint32_t WatchdogMs() {
  static const uint32_t period = [] {
    const char* pidText = std::getenv("WATCHDOG_PID");
    if (pidText && *pidText && std::strtol(pidText, nullptr, 10) != static_cast<long>(getpid())) return uint32_t{0};
    const char* text = std::getenv("WATCHDOG_USEC");
    if (!text || !*text) return uint32_t{0};
    char* end = nullptr;
    errno = 0;
    unsigned long long usec = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0' || usec == 0) return uint32_t{0};
    unsigned long long ms = usec / 1000;
    return static_cast<uint32_t>(ms == 0 ? 1 : ms > 0xFFFFFFFFull ? 0xFFFFFFFFull : ms);
  }();
  return period;
}

int64_t lastAliveMs = -1;

}  // namespace

void NotifyServiceReady() {
  Send("READY=1");
  lastAliveMs = -1;
  NotifyServiceAlive();
}

void NotifyServiceAlive() {
  uint32_t period = WatchdogMs();
  if (period == 0) return;
  int64_t now = NowMs();
  if (lastAliveMs >= 0 && now - lastAliveMs < period / 2) return;
  if (Send("WATCHDOG=1")) lastAliveMs = now;
}

uint32_t ServiceAlivePeriodMs() { return WatchdogMs() / 2; }

}  // namespace platform
