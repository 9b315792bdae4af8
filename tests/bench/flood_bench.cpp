// Measures each receiver of the LAN datagram under a flood of bogus
// datagrams (run as root; not a test): vigil20 as a receiver and alerter as
// a client, each alone in a network namespace, the flood (vigil-dgram
// flood: another header, cut short, too long, random bytes) and the
// accepted server (vigil-dgram send) in the other namespace of the LAN.
// For each flood rate:
//   handled:  datagrams taken off the receiver's socket a second (sent less
//             those the socket dropped and those still queued);
//   cpu:      the receiver's CPU time over the flood, in % of one core;
//   delay:    from sending the server's first datagram of a mains failure
//             to the receiver's record of it (vigil20: its log line;
//             alerter: event 1 in its event file).
// Usage: flood_bench [seconds per rate, default 5] [rates..., default 10000 50000]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <sstream>
#include <thread>
#include <unistd.h>

#include "../alerter_fixture.h"
#include "../daemon_fixture.h"
#include "process_cpu.h"
#include "../lan_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// The host PIDs of the processes named `name` whose environment holds `mark`.
std::vector<pid_t> Processes(const std::string& name, const std::string& mark) {
  std::vector<pid_t> found;
  DIR* dir = opendir("/proc");
  while (dirent* entry = dir ? readdir(dir) : nullptr) {
    pid_t pid = std::atoi(entry->d_name);
    if (pid <= 0 || ReadWholeFile("/proc/" + std::to_string(pid) + "/comm") != name + "\n") continue;
    if (ReadWholeFile("/proc/" + std::to_string(pid) + "/environ").find(mark) != std::string::npos)
      found.push_back(pid);
  }
  if (dir) closedir(dir);
  return found;
}

// Drops and queued bytes of the socket on port 2648 inside `box`.
struct SocketCounts {
  long long drops = 0;
  long long queued = 0;
};
SocketCounts Counts(const Sandbox& box) {
  SocketCounts counts;
  std::istringstream lines(box.Run("cat /proc/net/udp").out);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string sl, local, remote, state, queues, timer, retransmits, uid, timeout, inode, refs, pointer;
    long long drops = 0;
    fields >> sl >> local >> remote >> state >> queues >> timer >> retransmits >> uid >> timeout >> inode >> refs >>
        pointer >> drops;
    if (local.size() < 5 || local.substr(local.size() - 4) != "0A58") continue;
    counts.drops += drops;
    counts.queued += std::stoll(queues.substr(queues.find(':') + 1), nullptr, 16);
  }
  return counts;
}

struct Figures {
  double handled_per_second = 0;
  double cpu_percent = 0;
  long long delay_ms = -1;
};

class Bench {
 public:
  Bench() {
    Station(server_, "192.168.77.1");
    Station(receiver_, "192.168.77.2");
  }
  // The flood at `rate` for `seconds`, the receiver's processes `pids`, then
  // a real change whose arrival `seen` tells.
  Figures Flood(long rate, int seconds, const std::vector<pid_t>& pids, const std::function<bool()>& seen) {
    Figures f;
    server_.Run(VIGIL_DGRAM_BIN " send 192.168.77.2 200 0 servidor 0 0 0 0 0 600 600 600 0 >/dev/null 2>&1 &"
                " echo $! > /usr/local/calm.pid");
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    SocketCounts before = Counts(receiver_);
    long long cpu_before = 0;
    for (pid_t pid : pids) cpu_before += CpuNs(pid);
    server_.Write("flood.out", "");
    auto start = Clock::now();
    server_.Run(VIGIL_DGRAM_BIN " flood 192.168.77.2 " + std::to_string(rate) + " " + std::to_string(seconds) +
                " > /usr/local/flood.out 2>&1 &");
    // The change halfway through the flood.
    std::this_thread::sleep_for(std::chrono::milliseconds(seconds * 500));
    server_.Run("kill $(cat /usr/local/calm.pid)");
    auto sent = Clock::now();
    server_.Run(VIGIL_DGRAM_BIN " send 192.168.77.2 200 0 servidor 1 0 0 0 0 600 600 590 10 >/dev/null 2>&1 &"
                " echo $! > /usr/local/fail.pid");
    if (WaitUntil(seen, 10000)) f.delay_ms = MsSince(sent);
    WaitUntil([&] { return !server_.Read("flood.out").empty(); }, seconds * 1000 + 10000);
    long long elapsed_ms = MsSince(start);
    long long cpu_after = 0;
    for (pid_t pid : pids) cpu_after += CpuNs(pid);
    SocketCounts after = Counts(receiver_);
    long long flooded = std::atoll(server_.Read("flood.out").c_str());
    // The accepted server's few datagrams are left out: a handful a second.
    long long handled = flooded - (after.drops - before.drops);
    f.handled_per_second = 1000.0 * static_cast<double>(handled) / static_cast<double>(seconds * 1000);
    f.cpu_percent = 100.0 * static_cast<double>(cpu_after - cpu_before) / 1e6 / static_cast<double>(elapsed_ms);
    std::printf("    flood %ld/s: sent %lld, dropped by the socket %lld, queued at the end %lld bytes\n", rate, flooded,
                after.drops - before.drops, after.queued);
    server_.Run("kill $(cat /usr/local/fail.pid)");
    return f;
  }

  VethLan lan_;
  Sandbox server_{In(lan_.first())};
  Sandbox receiver_{In(lan_.second())};
};

void Print(const char* who, long rate, const Figures& f) {
  std::printf("%-16s flood %6ld/s: handled %8.0f/s, CPU %5.1f %%, real change seen after %lld ms\n", who, rate,
              f.handled_per_second, f.cpu_percent, f.delay_ms);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (geteuid() != 0) {
    std::fprintf(stderr, "flood_bench: run as root (network namespaces)\n");
    return 1;
  }
  int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
  std::vector<long> rates;
  for (int i = 2; i < argc; ++i) rates.push_back(std::atol(argv[i]));
  if (rates.empty()) rates = {10000, 50000};

  for (long rate : rates) {
    Bench bench;
    const Sandbox& receiver = bench.receiver_;
    receiver.WriteConf(LocalConf({{7, "Nobreak ligado a este computador (sim/nao) = nao"},
                                  {9, "Enviar o estado pela rede (sim/nao) = nao"},
                                  {10, "Nome desta estacao = receptor"},
                                  {11, "Receber o estado pela rede (sim/nao) = sim"},
                                  {13, "Servidor aceito = servidor"}}));
    if (StartDaemon(receiver).status != 0) {
      std::fprintf(stderr, "flood_bench: vigil20 did not start\n");
      return 1;
    }
    WaitUntil([&] { return receiver.DaemonWorker() != 0; }, 3000);
    Figures f = bench.Flood(rate, seconds, {receiver.DaemonMain(), receiver.DaemonWorker()}, [&] {
      return LogText(receiver).find("--> servidor: Falta de Rede\n") != std::string::npos;
    });
    Print("vigil20 receiver", rate, f);
  }

  for (long rate : rates) {
    Bench bench;
    const Sandbox& receiver = bench.receiver_;
    AlerterSetting(receiver, "ComMode", 2);
    AlerterSetting(receiver, "Net Mode", 5);
    AlerterSetting(receiver, "AcceptAll", 0);
    AlerterSetting(receiver, "HostName", "servidor");
    StartAlerter(receiver);
    std::vector<pid_t> pids;
    WaitUntil([&] { return !(pids = Processes("alerter", "VIGIL20_HOST_ROOT=/usr/local/root")).empty(); }, 10000);
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    Figures f = bench.Flood(rate, seconds, pids, [&] {
      return EventCodes(receiver.Path("root/windows/EvtVigil20.dat")) == std::vector<int32_t>{1};
    });
    Print("alerter client", rate, f);
  }
  return 0;
}
