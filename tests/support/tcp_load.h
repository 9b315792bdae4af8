// The parts the TCP load programs of the benchmarks share: each client's
// tally, the connection, the run of client threads and the tallies summed.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace tcp_load {

using Clock = std::chrono::steady_clock;

// One client's tally: answer times in microseconds.
struct Result {
  long answered = 0;
  long errors = 0;
  std::vector<double> micros;
};

// A connection to host:port with Nagle off (each request is one small
// write); -1 when it cannot be made.
inline int Connect(const char* host, int port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<uint16_t>(port));
  inet_pton(AF_INET, host, &to.sin_addr);
  if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
    if (fd >= 0) close(fd);
    return -1;
  }
  int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return fd;
}

using ClientFunction = void (*)(const char* host, int port, const std::string& request, Clock::time_point end,
                                Result* result);

// The tallies of all clients summed; `micros` sorted.
struct Totals {
  long answered = 0;
  long errors = 0;
  std::vector<double> micros;
};

// Runs `clients` threads of `client` until `end` and sums their tallies.
inline Totals RunClients(ClientFunction client, int clients, const char* host, int port, const std::string& request,
                         Clock::time_point end) {
  std::vector<Result> results(static_cast<size_t>(clients));
  std::vector<std::thread> threads;
  for (int i = 0; i < clients; ++i)
    threads.emplace_back(client, host, port, request, end, &results[static_cast<size_t>(i)]);
  for (std::thread& t : threads) t.join();
  Totals totals;
  for (const Result& r : results) {
    totals.answered += r.answered;
    totals.errors += r.errors;
    totals.micros.insert(totals.micros.end(), r.micros.begin(), r.micros.end());
  }
  std::sort(totals.micros.begin(), totals.micros.end());
  return totals;
}

}  // namespace tcp_load
