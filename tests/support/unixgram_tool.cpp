// vigil-unixgram PATH FILE: plays the receiving side of a Unix datagram
// socket for tests: systemd's notification socket (PATH as NOTIFY_SOCKET,
// '@' for the abstract namespace) or syslog's /dev/log. Appends each
// datagram to FILE as one line ("\n" inside shown as "|"), preceded by the
// arrival time in ms of the monotonic clock. Runs until killed.
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: vigil-unixgram PATH FILE\n");
    return 2;
  }
  const char* path = argv[1];
  size_t length = std::strlen(path);
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  if (length == 0 || length >= sizeof address.sun_path) return 2;
  std::memcpy(address.sun_path, path, length);
  if (path[0] == '@') address.sun_path[0] = '\0';
  else unlink(path);
  int sock = socket(AF_UNIX, SOCK_DGRAM, 0);
  socklen_t size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + length);
  if (sock < 0 || bind(sock, reinterpret_cast<sockaddr*>(&address), size) != 0) {
    std::perror("vigil-unixgram: bind");
    return 1;
  }
  char buffer[8192];
  for (;;) {
    ssize_t n = recv(sock, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return 1;
    for (ssize_t i = 0; i < n; ++i)
      if (buffer[i] == '\n') buffer[i] = '|';
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    FILE* out = std::fopen(argv[2], "a");
    if (!out) return 1;
    std::fprintf(out, "%lld %.*s\n", static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000,
                 static_cast<int>(n), buffer);
    std::fclose(out);
  }
}
