// Measures the real alerter (run as root; not a test):
//   cost:     CPU time per minute of alerter and, in the same run, of both
//             vigil20 processes, idle on mains and during a discharge, both
//             at the default "Interval" and broadcasting on a private LAN;
//   pipe:     10 clients asking the status pipe in a loop: requests per
//             second and the worst reply time;
//   reaction: with "Signal Filter" 2 and "Interval" 1000, from the write of
//             the line file (DSR dropped) to the datagram's arrival at a
//             peer station of the LAN.
// Usage: alerter_bench [seconds per cost phase, default 60]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

#include "../alerter_fixture.h"
#include "../daemon_fixture.h"
#include "process_cpu.h"

namespace {

using Clock = std::chrono::steady_clock;

long long WallMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// The host PID of the alerter whose environment names `root`.
pid_t AlerterWithRoot(const std::string& root) {
  DIR* dir = opendir("/proc");
  pid_t found = 0;
  while (dirent* entry = dir ? readdir(dir) : nullptr) {
    pid_t pid = std::atoi(entry->d_name);
    if (pid <= 0 || ReadWholeFile("/proc/" + std::to_string(pid) + "/comm") != "alerter\n") continue;
    std::string environment = ReadWholeFile("/proc/" + std::to_string(pid) + "/environ");
    if (environment.find("VIGIL20_HOST_ROOT=" + root + std::string(1, '\0')) != std::string::npos) found = pid;
  }
  if (dir) closedir(dir);
  return found;
}

void Setting(const Sandbox& box, const std::string& name, int value) {
  box.Run("VIGIL20_HOST_ROOT=/usr/local/root " VIGIL_REG_BIN " add 'HKLM\\Software\\Tessaly\\Vigil 2.0' /v '" + name +
          "' /t REG_DWORD /d " + std::to_string(value) + " /f");
}

void StartAlerterIn(const Sandbox& box) {
  box.Run("VIGIL20_HOST_ROOT=/usr/local/root VIGIL20_SIMLINES=/usr/local/alines VIGIL20_POWEROFF=/usr/local/sbin/poweroff " ALERTER_BIN
          " -normal > /usr/local/alerter.log 2>&1 &");
}

// Host names from a hosts file alone; the station's own name is `address`.
void Names(const Sandbox& box, const std::string& address) {
  box.Write("hosts", "127.0.0.1 localhost\n" + address + " posto7.exemplo.com.br posto7\n");
  box.Write("nsswitch.conf", "hosts: files\n");
  box.Run("mount --bind /usr/local/hosts /etc/hosts && mount --bind /usr/local/nsswitch.conf /etc/nsswitch.conf");
}

void Cost(int seconds) {
  Sandbox box;
  Names(box, "127.0.1.1");
  box.WriteConf(LocalConf());
  Lines(box, "set DSR CTS RI");
  box.Run(VIGIL_LINES_BIN " /usr/local/alines set DSR CTS RI");
  Setting(box, "ComPort", 1);
  Setting(box, "Net Mode", 4);
  if (StartDaemon(box).status != 0) {
    std::printf("vigil20 did not start\n");
    return;
  }
  StartAlerterIn(box);
  pid_t alerter = 0;
  WaitUntil([&] { return (alerter = AlerterWithRoot("/usr/local/root")) != 0; }, 10000);
  pid_t main = box.DaemonMain(), worker = box.DaemonWorker();
  if (!alerter || !main || !worker) {
    std::printf("the programs did not start\n");
    return;
  }
  std::this_thread::sleep_for(std::chrono::seconds(3));  // start-up is not the idle cost
  auto phase = [&](const char* what) {
    long long a0 = CpuNs(alerter), d0 = CpuNs(main) + CpuNs(worker);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    double minutes = seconds / 60.0;
    std::printf("%-26s alerter %6.2f ms of CPU per minute, vigil20 %6.2f ms\n", what,
                (CpuNs(alerter) - a0) / 1e6 / minutes, (CpuNs(main) + CpuNs(worker) - d0) / 1e6 / minutes);
  };
  phase("idle on mains:");
  Lines(box, "drop DSR");
  box.Run(VIGIL_LINES_BIN " /usr/local/alines drop DSR");
  std::this_thread::sleep_for(std::chrono::seconds(5));
  phase("during a discharge:");
}

void Pipe(int seconds) {
  AlerterHost host;
  host.Setting("ComPort", 1);
  auto alerter = host.Start();
  if (!host.WaitServing()) {
    std::printf("alerter did not serve\n");
    return;
  }
  std::atomic<bool> stop{false};
  std::atomic<long long> requests{0}, failures{0}, worstReplyUs{0}, worstConnectUs{0};
  auto keepWorst = [](std::atomic<long long>& worst, long long us) {
    long long seen = worst;
    while (us > seen && !worst.compare_exchange_weak(seen, us)) {
    }
  };
  auto since = [](Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
  };
  std::vector<std::thread> clients;
  for (int i = 0; i < 10; ++i)
    clients.emplace_back([&] {
      char reply[4096];
      while (!stop) {
        auto start = Clock::now();
        platform::PipeClient* client = nullptr;
        if (platform::ConnectToPipe(kStatusPipe, 5000, &client) != 0) {
          ++failures;
          continue;
        }
        keepWorst(worstConnectUs, since(start));
        auto asked = Clock::now();
        uint32_t got = 0;
        bool good = platform::WritePipeClient(client, "\n", 1) == 0 &&
                    platform::ReadPipeClient(client, reply, sizeof reply, &got, 5000) == 0 && got == 216;
        keepWorst(worstReplyUs, since(asked));
        platform::ClosePipeClient(client);
        (good ? requests : failures)++;
      }
    });
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  stop = true;
  for (auto& c : clients) c.join();
  std::printf("status pipe, 10 clients:    %.0f requests per second, worst reply %.2f ms (worst wait to connect %.2f ms), "
              "%lld failed\n",
              requests / static_cast<double>(seconds), worstReplyUs / 1000.0, worstConnectUs / 1000.0,
              static_cast<long long>(failures));
}

void Reaction() {
  VethLan lan;
  Sandbox::Options a, b;
  a.netns = lan.first();
  b.netns = lan.second();
  Sandbox server(a), peer(b);
  Names(server, "192.168.77.1");
  server.Run("ip addr add 192.168.77.1/24 dev $(ip -o link show type veth | awk -F': ' '{print $2}' | cut -d@ -f1)");
  peer.Run("ip addr add 192.168.77.2/24 dev $(ip -o link show type veth | awk -F': ' '{print $2}' | cut -d@ -f1)");
  server.Run(VIGIL_LINES_BIN " /usr/local/alines set DSR CTS RI");
  Setting(server, "ComPort", 1);
  Setting(server, "Net Mode", 4);
  Setting(server, "Signal Filter", 2);
  Setting(server, "Interval", 1000);
  Setting(server, "BroadcastDelay", 0);  // only changes are sent
  ListenForDatagrams(peer);
  StartAlerterIn(server);
  if (!WaitUntil([&] { return !Datagrams(peer).empty(); }, 10000)) {
    std::printf("no datagram reached the peer\n");
    return;
  }
  std::vector<long long> ms;
  for (int i = 0; i < 10; ++i) {
    bool drop = i % 2 == 0;
    size_t before = Datagrams(peer).size();
    // A random phase within the tick, as a real drop has.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500 + 137 * i));
    long long written = WallMs();
    server.Run(std::string(VIGIL_LINES_BIN " /usr/local/alines ") + (drop ? "drop DSR" : "raise DSR"));
    if (!WaitUntil([&] { return Datagrams(peer).size() > before; }, 10000)) break;
    auto seen = Datagrams(peer)[before];
    if (seen.pf == (drop ? 1 : 0)) ms.push_back(seen.at_ms - written);
  }
  if (ms.empty()) {
    std::printf("no reaction measured\n");
    return;
  }
  std::sort(ms.begin(), ms.end());
  std::printf("reaction, filter 2, 1000 ms: best %lld ms, median %lld ms, worst %lld ms (n=%zu)\n", ms.front(),
              ms[ms.size() / 2], ms.back(), ms.size());
}

}  // namespace

int main(int argc, char** argv) {
  int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
  if (seconds <= 0) seconds = 60;
  if (seconds > 1) Cost(seconds);
  Pipe(10);
  Reaction();
  return 0;
}
