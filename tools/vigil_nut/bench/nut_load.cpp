// nut_load HOST PORT UPS VAR CLIENTS SECONDS: a load of NUT clients, each
// on its own connection sending "GET VAR UPS VAR" and waiting for the
// answer, again and again. Prints the requests answered per second, the
// worst and the 99th-percentile answer times. Not a test: a measurement.
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/tcp_load.h"

namespace {

using tcp_load::Clock;
using tcp_load::Result;

void Client(const char* host, int port, const std::string& request, Clock::time_point end, Result* result) {
  int fd = tcp_load::Connect(host, port);
  if (fd < 0) {
    result->errors++;
    return;
  }
  char buffer[4096];
  while (Clock::now() < end) {
    auto start = Clock::now();
    if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(request.size())) {
      result->errors++;
      break;
    }
    std::string reply;
    while (reply.find('\n') == std::string::npos) {
      ssize_t n = recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      reply.append(buffer, static_cast<size_t>(n));
    }
    if (reply.rfind("VAR ", 0) != 0) {
      result->errors++;
      break;
    }
    result->micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    result->answered++;
  }
  close(fd);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 7) {
    std::fprintf(stderr, "usage: nut_load HOST PORT UPS VAR CLIENTS SECONDS\n");
    return 2;
  }
  int clients = std::atoi(argv[5]);
  double seconds = std::atof(argv[6]);
  std::string request = std::string("GET VAR ") + argv[3] + " " + argv[4] + "\n";
  auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  auto start = Clock::now();
  tcp_load::Totals totals = tcp_load::RunClients(Client, clients, argv[1], std::atoi(argv[2]), request, end);
  double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  long answered = totals.answered, errors = totals.errors;
  const std::vector<double>& all = totals.micros;
  double worst = all.empty() ? 0 : all.back();
  double p99 = all.empty() ? 0 : all[static_cast<size_t>(static_cast<double>(all.size() - 1) * 0.99)];
  std::printf("requests/s %.0f  answered %ld  errors %ld  worst %.2f ms  p99 %.3f ms\n", answered / elapsed, answered,
              errors, worst / 1000, p99 / 1000);
  return errors == 0 ? 0 : 1;
}
