// vigil-dgram: a stand-in station for tests.
//
//   vigil-dgram listen FILE
//       receives datagrams on UDP port 2648 and appends one line per datagram
//       to FILE: arrival time (ms since the epoch), size, and for a valid
//       notification its fields "pf bl bp cf ao total base left dt name".
//   vigil-dgram send ADDRESS EVERY_MS COUNT NAME PF BL BP CF AO TOTAL BASE LEFT DT
//       sends COUNT notifications (0: for ever), one every EVERY_MS, and
//       prints when the first left (ms since the epoch).
//   vigil-dgram raw ADDRESS HEX
//       sends the bytes given in hexadecimal once.
//   vigil-dgram record FILE
//       like listen, but appends each datagram whole, in hexadecimal.
//   vigil-dgram hold
//       binds UDP port 2648 for itself alone (no SO_REUSEADDR, unlike the
//       programs, which share it) and waits: a port that is taken.
//   vigil-dgram sign KEY HEX [AHEAD_MS]
//       prints the datagram HEX signed with KEY, its sequence number the
//       wall clock plus AHEAD_MS (which may be negative).
//   vigil-dgram flood ADDRESS PER_SECOND SECONDS [names]
//       sends PER_SECOND bogus datagrams a second for SECONDS seconds (0: for
//       ever), in turn: a wrong header, one cut short, one too long, random
//       bytes; all from the sender "intruso"; with "names", also whole
//       notifications from ever new senders.
//       Prints the number sent at the end.
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "core/lan_datagram.h"
#include "core/lan_signature.h"

using core::DecodeLanDatagram;
using core::EncodeLanDatagram;
using core::LanDatagram;
using core::LanSender;
using core::LanWallClockMs;
using core::SignLanDatagram;
using core::SignedSeconds;
using core::kLanDatagramMax;
using core::kLanHeaderSize;
using core::kLanNameMax;
using core::kLanPort;
using core::kLanSignedMax;

namespace {

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::string Hex(const uint8_t* bytes, size_t n) {
  std::string hex;
  char two[3];
  for (size_t i = 0; i < n; ++i) {
    std::snprintf(two, sizeof two, "%02x", bytes[i]);
    hex += two;
  }
  return hex;
}

std::vector<uint8_t> FromHex(const char* p) {
  std::vector<uint8_t> bytes;
  for (; p[0] && p[1]; p += 2) bytes.push_back(static_cast<uint8_t>(std::stoi(std::string(p, 2), nullptr, 16)));
  return bytes;
}

// A socket bound to the LAN port on every address, sharing it with other
// listeners when `shared`; -1 (told on stderr) when it cannot be had.
int BoundToLanPort(bool shared) {
  int sock = socket(AF_INET, SOCK_DGRAM, 0);
  int on = 1;
  if (shared) setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in local = {};
  local.sin_family = AF_INET;
  local.sin_port = htons(kLanPort);
  if (sock < 0 || bind(sock, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    std::perror("vigil-dgram: bind");
    if (sock >= 0) close(sock);
    return -1;
  }
  return sock;
}

// A socket that may broadcast, and `to` set to the LAN port at `address`;
// -1 (told on stderr) when either cannot be had.
int SenderTo(const char* address, sockaddr_in* to) {
  int sock = socket(AF_INET, SOCK_DGRAM, 0);
  int on = 1;
  to->sin_family = AF_INET;
  to->sin_port = htons(kLanPort);
  if (sock < 0 || setsockopt(sock, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0 ||
      inet_pton(AF_INET, address, &to->sin_addr) != 1) {
    std::perror("vigil-dgram: socket");
    if (sock >= 0) close(sock);
    return -1;
  }
  return sock;
}

int Listen(const char* path, bool whole) {
  int sock = BoundToLanPort(true);
  if (sock < 0) return 1;
  for (;;) {
    uint8_t buf[512];
    ssize_t n = recv(sock, buf, sizeof buf, 0);
    if (n < 0) continue;
    FILE* out = std::fopen(path, "a");
    if (!out) return 1;
    if (whole) {
      std::fprintf(out, "%s\n", Hex(buf, static_cast<size_t>(n)).c_str());
      std::fclose(out);
      continue;
    }
    std::fprintf(out, "%lld %zd", NowMs(), n);
    if (auto d = DecodeLanDatagram(buf, static_cast<size_t>(n)))
      std::fprintf(out, " %d %d %d %d %d %u %u %d %u %s", d->power_fail, d->battery_low, d->bypass, d->signal_fault,
                   d->autonomy_over, d->autonomy_total, d->autonomy_base, SignedSeconds(d->autonomy_left),
                   d->discharge_time, d->name);
    std::fprintf(out, "\n");
    std::fclose(out);
  }
}

int SendBytes(const char* address, const std::vector<uint8_t>& bytes, int every_ms, long count) {
  sockaddr_in to = {};
  int sock = SenderTo(address, &to);
  if (sock < 0) return 1;
  for (long i = 0; count == 0 || i < count; ++i) {
    if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(every_ms));
    if (sendto(sock, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) < 0) {
      std::perror("vigil-dgram: sendto");
    } else if (i == 0) {
      std::printf("%lld\n", NowMs());
      std::fflush(stdout);
    }
  }
  return 0;
}

// The bogus datagram number `i`: a different kind each time.
std::vector<uint8_t> Bogus(uint64_t i, bool names, uint64_t* rng) {
  auto next = [rng] {
    *rng ^= *rng << 13;
    *rng ^= *rng >> 7;
    *rng ^= *rng << 17;
    return *rng;
  };
  LanDatagram d;
  // A sender no test accepts; the too long ones are otherwise whole.
  std::snprintf(d.name, sizeof d.name, "intruso");
  if (names) std::snprintf(d.name, sizeof d.name, "FLOOD%llu", static_cast<unsigned long long>(i));
  d.name_len = static_cast<uint8_t>(std::strlen(d.name));
  d.power_fail = 1;
  uint8_t whole[kLanDatagramMax];
  size_t size = EncodeLanDatagram(d, whole);
  std::vector<uint8_t> bytes(whole, whole + size);
  switch (i % (names ? 5 : 4)) {
    case 0:  // another header
      bytes[0] ^= 0x5A;
      bytes[1] ^= 0xA5;
      break;
    case 1:  // cut short
      bytes.resize(next() % kLanHeaderSize);
      break;
    case 2:  // too long
      bytes.resize(kLanDatagramMax + 1 + next() % 1400, 'x');
      break;
    case 3:  // random bytes
      bytes.resize(next() % 600);
      for (auto& b : bytes) b = static_cast<uint8_t>(next());
      break;
    default:  // a whole notification from a sender nobody knows
      break;
  }
  return bytes;
}

int Flood(const char* address, long per_second, long seconds, bool names) {
  sockaddr_in to = {};
  int sock = per_second > 0 ? SenderTo(address, &to) : -1;
  if (sock < 0) {
    if (per_second <= 0) std::perror("vigil-dgram: socket");
    return 1;
  }
  // In slices of 10 ms, each catching up with the rate.
  using Clock = std::chrono::steady_clock;
  auto start = Clock::now();
  uint64_t sent = 0, rng = 0x9E3779B97F4A7C15ULL;
  for (;;) {
    auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
    if (seconds > 0 && elapsed >= seconds * 1000000L) break;
    uint64_t due = static_cast<uint64_t>(elapsed) * static_cast<uint64_t>(per_second) / 1000000u;
    for (; sent < due; ++sent) {
      std::vector<uint8_t> bytes = Bogus(sent, names, &rng);
      sendto(sock, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::printf("%llu\n", static_cast<unsigned long long>(sent));
  return 0;
}

}  // namespace

// Holds the port without sharing it, until killed.
int Hold() {
  int sock = BoundToLanPort(false);
  if (sock < 0) return 1;
  for (;;) pause();
}

int main(int argc, char** argv) {
  std::string verb = argc > 1 ? argv[1] : "";
  if (verb == "hold" && argc == 2) return Hold();
  if (verb == "listen" && argc == 3) return Listen(argv[2], false);
  if (verb == "record" && argc == 3) return Listen(argv[2], true);
  if (verb == "raw" && argc == 4) return SendBytes(argv[2], FromHex(argv[3]), 0, 1);
  if (verb == "sign" && (argc == 4 || argc == 5)) {
    std::vector<uint8_t> bytes = FromHex(argv[3]);
    uint8_t buffer[kLanSignedMax];
    if (bytes.size() > kLanDatagramMax) return 2;
    std::memcpy(buffer, bytes.data(), bytes.size());
    long long ahead = argc == 5 ? std::atoll(argv[4]) : 0;
    LanSender sender;
    size_t n = SignLanDatagram(buffer, bytes.size(), sizeof buffer, argv[2], std::strlen(argv[2]), &sender,
                               static_cast<uint64_t>(static_cast<long long>(LanWallClockMs()) + ahead));
    if (n == 0) return 1;
    std::printf("%s\n", Hex(buffer, n).c_str());
    return 0;
  }
  if (verb == "flood" && (argc == 5 || (argc == 6 && std::strcmp(argv[5], "names") == 0)))
    return Flood(argv[2], std::atol(argv[3]), std::atol(argv[4]), argc == 6);
  if (verb == "send" && argc == 15) {
    LanDatagram d;
    std::strncpy(d.name, argv[5], kLanNameMax);
    d.name_len = static_cast<uint8_t>(std::strlen(d.name));
    uint8_t* flags[] = {&d.power_fail, &d.battery_low, &d.bypass, &d.signal_fault, &d.autonomy_over};
    for (int i = 0; i < 5; ++i) *flags[i] = static_cast<uint8_t>(std::atoi(argv[6 + i]));
    d.autonomy_total = static_cast<uint16_t>(std::atoi(argv[11]));
    d.autonomy_base = static_cast<uint16_t>(std::atoi(argv[12]));
    d.autonomy_left = static_cast<uint16_t>(std::atoi(argv[13]));
    d.discharge_time = static_cast<uint16_t>(std::atoi(argv[14]));
    uint8_t out[kLanDatagramMax];
    size_t size = EncodeLanDatagram(d, out);
    return SendBytes(argv[2], std::vector<uint8_t>(out, out + size), std::atoi(argv[3]), std::atol(argv[4]));
  }
  std::fprintf(stderr, "usage: see the comment at the top of dgram_tool.cpp\n");
  return 2;
}
