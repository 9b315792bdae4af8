// Shared pieces of the tests of vigil-web: the program in a sandbox of a
// LAN of network namespaces, its pages asked for from inside that
// namespace, and a client of the test's own there.
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <regex>
#include <string>

#include "daemon_fixture.h"
#include "lan_fixture.h"
#include "nut_fixture.h"

inline constexpr const char* kWebConf = "LISTEN 127.0.0.1\nSTATE /usr/local/web/state\nLOGLEVEL 2\n";

// Starts vigil-web in `box` with the configuration `conf` (in
// /usr/local/web/vigil-web.conf), its host root at /usr/local/root, and
// waits until it listens on port 2648. Its log: /usr/local/web/web.log.
inline void StartWeb(const Sandbox& box, const std::string& conf = kWebConf, const std::string& env = "") {
  box.Write("web/vigil-web.conf", conf);
  box.Run("chmod 600 /usr/local/web/vigil-web.conf && " + env +
          " VIGIL20_HOST_ROOT=/usr/local/root " VIGIL_WEB_BIN
          " -c /usr/local/web/vigil-web.conf >>/usr/local/web/web.log 2>&1 &");
  ASSERT_TRUE(WaitUntil([&] { return box.Run("grep -q ':0A58 .* 0A ' /proc/net/tcp").status == 0; }, 10000))
      << box.Read("web/web.log");
}

// The HTTP status and body of a GET from inside `box`.
struct Page {
  int status = 0;
  std::string body;
};
inline Page Get(const Sandbox& box, const std::string& path, const std::string& host = "127.0.0.1:2648") {
  CommandResult r = box.Run("mkdir -p /usr/local/web && curl -s -m 5 --path-as-is -o /usr/local/web/page -w '%{http_code}' 'http://" + host +
                            path + "'");
  Page page;
  page.status = std::atoi(r.out.c_str());
  page.body = box.Read("web/page");
  return page;
}

// One sample of the metrics: its value, or -1 when the series is absent.
inline double Metric(const std::string& metrics, const std::string& series) {
  size_t at = metrics.find("\n" + series + " ");
  if (at == std::string::npos) return -1;
  return std::atof(metrics.c_str() + at + series.size() + 2);
}

// A TCP client of the test, on the loopback of the namespace it runs in
// (InNetns): connect, send, read with a time limit.
inline int ConnectWeb(bool nonblocking = false) { return ConnectLoopback(2648, nonblocking); }

// What the server sends on `fd` until it closes or `timeoutMs` pass
// (`closed` tells which).
inline std::string ReadUntilClosed(int fd, int timeoutMs, bool* closed = nullptr) {
  using namespace std::chrono;
  std::string got;
  auto end = steady_clock::now() + milliseconds(timeoutMs);
  if (closed) *closed = false;
  for (;;) {
    int left = static_cast<int>(duration_cast<milliseconds>(end - steady_clock::now()).count());
    pollfd p{fd, POLLIN, 0};
    if (left <= 0 || poll(&p, 1, left) <= 0) return got;
    char buffer[65536];
    ssize_t n = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n == 0 || (n < 0 && errno == ECONNRESET)) {
      if (closed) *closed = true;
      return got;
    }
    if (n > 0) got.append(buffer, static_cast<size_t>(n));
  }
}

// A whole GET on a connection of its own: the status, or 0 when no answer
// came within `timeoutMs`.
inline int GetStatus(const std::string& path, int timeoutMs = 3000) {
  int fd = ConnectWeb();
  if (fd < 0) return 0;
  std::string request = "GET " + path + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
  send(fd, request.data(), request.size(), MSG_NOSIGNAL);
  std::string reply = ReadUntilClosed(fd, timeoutMs);
  close(fd);
  // CivetWeb's own refusals come as HTTP/1.0.
  if (reply.rfind("HTTP/1.", 0) != 0 || reply.size() < 12) return 0;
  return std::atoi(reply.c_str() + 9);
}
