// web_load HOST PORT PATH CLIENTS SECONDS: a load of HTTP clients, each on a
// keep-alive connection of its own, asking PATH again and again and reading
// each whole answer (by its Content-Length). Prints the answers per second,
// the worst and the 99th-percentile answer times. Not a test: a measurement.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Result {
  long answered = 0;
  long errors = 0;
  std::vector<double> micros;
};

int Connect(const char* host, int port) {
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
  std::vector<Result> results(static_cast<size_t>(clients));
  std::vector<std::thread> threads;
  auto end = Clock::now() + std::chrono::seconds(seconds);
  for (int i = 0; i < clients; ++i) threads.emplace_back(Client, host, port, request, end, &results[static_cast<size_t>(i)]);
  for (std::thread& t : threads) t.join();
  long answered = 0, errors = 0;
  std::vector<double> all;
  for (const Result& r : results) {
    answered += r.answered;
    errors += r.errors;
    all.insert(all.end(), r.micros.begin(), r.micros.end());
  }
  std::sort(all.begin(), all.end());
  double worst = all.empty() ? 0 : all.back() / 1000.0;
  double p99 = all.empty() ? 0 : all[all.size() * 99 / 100] / 1000.0;
  std::printf("%-14s %d clients, %d s: %.0f answers/s, worst %.2f ms, 99%% within %.2f ms, %ld errors\n", argv[3],
              clients, seconds, answered / static_cast<double>(seconds), worst, p99, errors);
  return 0;
}
