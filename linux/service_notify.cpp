#include "service_notify.h"

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "mono_clock.h"

namespace {

// WATCHDOG_USEC in whole seconds, at least 1; 0 when not asked for.
long WatchdogSeconds() {
  const char* text = std::getenv("WATCHDOG_USEC");
  if (!text || !*text) return 0;
  char* end = nullptr;
  errno = 0;
  unsigned long long usec = std::strtoull(text, &end, 10);
  if (errno != 0 || *end != '\0' || usec == 0) return 0;
  long seconds = static_cast<long>(usec / 1000000ULL);
  return seconds < 1 ? 1 : seconds;
}

time_t last_alive = -1;

}  // namespace

bool SendNotification(const char* text) {
  const char* path = std::getenv("NOTIFY_SOCKET");
  if (!path || !*path) return false;
  size_t length = std::strlen(path);
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  if (length >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path, length);
  // A name starting with '@' is in the abstract namespace: a leading zero byte.
  if (path[0] == '@') address.sun_path[0] = '\0';
  socklen_t size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + length);
  int sock = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (sock < 0) return false;
  size_t text_length = std::strlen(text);
  ssize_t sent;
  do {
    sent = sendto(sock, text, text_length, MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&address), size);
  } while (sent < 0 && errno == EINTR);
  close(sock);
  return sent == static_cast<ssize_t>(text_length);
}

void NotifyReady() {
  char text[64];
  std::snprintf(text, sizeof text, "READY=1\nMAINPID=%ld", static_cast<long>(getpid()));
  SendNotification(text);
  last_alive = -1;
  NotifyAlive();
}

long AliveInterval() {
  long period = WatchdogSeconds();
  // Whole seconds: at least every half period, rounded down, and never
  // less than once a second.
  if (period == 0) return 0;
  return period / 2 > 0 ? period / 2 : 1;
}

void NotifyAlive() {
  long every = AliveInterval();
  if (every == 0) return;
  time_t now = MonoSeconds();
  if (last_alive >= 0 && now - last_alive < every) return;
  if (SendNotification("WATCHDOG=1")) last_alive = now;
}
