// web_load HOST PORT PATH CLIENTS SECONDS: a load of HTTP clients, each on a
// keep-alive connection of its own, asking PATH again and again and reading
// each whole answer (by its Content-Length). Prints the answers per second,
// the worst and the 99th-percentile answer times. Not a test: a measurement.
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/tcp_load.h"

namespace {

using tcp_load::Clock;
using tcp_load::Connect;
using tcp_load::Result;

// Reads one answer whole; false when the connection broke.
bool ReadAnswer(int fd, std::string* pending) {
  for (;;) {
    size_t head = pending->find("\r\n\r\n");
    if (head != std::string::npos) {
      size_t at = pending->find("Content-Length: ");
      if (at == std::string::npos || at > head) return false;
      size_t length = std::strtoul(pending->c_str() + at + 16, nullptr, 10);
      if (pending->size() >= head + 4 + length) {
        pending->erase(0, head + 4 + length);
        return true;
      }
    }
    char buffer[65536];
    ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    pending->append(buffer, static_cast<size_t>(n));
  }
}

void Client(const char* host, int port, const std::string& request, Clock::time_point end, Result* result) {
  int fd = Connect(host, port);
  std::string pending;
  while (Clock::now() < end) {
    if (fd < 0) {
      result->errors++;
      fd = Connect(host, port);
      continue;
    }
    auto start = Clock::now();
    if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(request.size()) ||
        !ReadAnswer(fd, &pending)) {
      // The server closed the keep-alive connection: a new one.
      close(fd);
      pending.clear();
      fd = Connect(host, port);
      continue;
    }
    result->answered++;
    result->micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  if (fd >= 0) close(fd);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: web_load HOST PORT PATH CLIENTS SECONDS\n");
    return 2;
  }
  const char* host = argv[1];
  int port = std::atoi(argv[2]), clients = std::atoi(argv[4]), seconds = std::atoi(argv[5]);
  std::string request = std::string("GET ") + argv[3] + " HTTP/1.1\r\nHost: bench\r\n\r\n";
  auto end = Clock::now() + std::chrono::seconds(seconds);
  tcp_load::Totals totals = tcp_load::RunClients(Client, clients, host, port, request, end);
  long answered = totals.answered, errors = totals.errors;
  const std::vector<double>& all = totals.micros;
  double worst = all.empty() ? 0 : all.back() / 1000.0;
  double p99 = all.empty() ? 0 : all[all.size() * 99 / 100] / 1000.0;
  std::printf("%-14s %d clients, %d s: %.0f answers/s, worst %.2f ms, 99%% within %.2f ms, %ld errors\n", argv[3],
              clients, seconds, answered / static_cast<double>(seconds), worst, p99, errors);
  return 0;
}
