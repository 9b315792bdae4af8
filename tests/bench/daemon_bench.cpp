// Measures the real daemon in its sandbox (run as root; not a test):
//   cost:     CPU time of both daemon processes over 60 s idle on mains
//             with a full battery, 60 s on battery and 60 s recharging;
//   reaction: 20 mains changes on the simulated lines with the stability
//             filter on, from the write of the line file to the log record
//             and to the datagram's arrival on another station of the LAN;
//   and the peak resident memory of both processes.
// Usage: daemon_bench [seconds per cost phase, default 60] [network key]
// (with a key, line 18 signs every datagram).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "../daemon_fixture.h"

namespace {

using Clock = std::chrono::system_clock;

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
}

long LogRecords(const Sandbox& box) {
  struct stat st;
  return stat(box.Path("vigil20/vigil20.log").c_str(), &st) == 0 ? st.st_size / 255 : 0;
}

// CPU seconds (user + system) of a process so far.
double CpuSeconds(pid_t pid) {
  std::string stat = ReadWholeFile("/proc/" + std::to_string(pid) + "/stat");
  std::istringstream rest(stat.substr(stat.rfind(')') + 2));
  std::string field;
  long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && rest >> field; ++i) {
    if (i == 14) utime = std::atol(field.c_str());
    if (i == 15) stime = std::atol(field.c_str());
  }
  return static_cast<double>(utime + stime) / sysconf(_SC_CLK_TCK);
}

std::string PeakMemory(pid_t pid) {
  std::istringstream status(ReadWholeFile("/proc/" + std::to_string(pid) + "/status"));
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return line.substr(6);
  return "?";
}

void Report(const char* what, std::vector<long long> ms) {
  std::sort(ms.begin(), ms.end());
  std::printf("%-34s median %4lld ms, worst %4lld ms (n=%zu)\n", what, ms[ms.size() / 2], ms.back(), ms.size());
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  int phase_seconds = argc > 1 ? std::atoi(argv[1]) : 60;
  VethLan lan;
  Sandbox::Options server_options, peer_options;
  server_options.netns = lan.first();
  peer_options.netns = lan.second();
  Sandbox server(server_options), peer(peer_options);

  // Ten hours of recharge, as in the sample configuration: the recharge
  // phase below lasts far longer than its measurement.
  std::vector<std::string> conf = LocalConf({{1, "Autonomia em minutos = 60"}, {2, "Tempo de recarga em horas = 10"},
                                             {3, "Desligar no fim = nao"}});
  if (argc > 2) conf.push_back(std::string("Chave da rede = ") + argv[2]);
  server.WriteConf(conf);
  Lines(server, "set DSR CTS RI");
  ListenForDatagrams(peer);
  if (StartDaemon(server).status != 0) {
    std::fprintf(stderr, "the daemon did not start\n");
    return 1;
  }
  std::this_thread::sleep_for(std::chrono::seconds(2));

  pid_t main = server.DaemonMain(), worker = server.DaemonWorker();
  // Cost first, from a full battery: idle on mains, then a discharge, then
  // the recharge after it.
  for (std::string phase : {"on mains", "on battery", "recharging"}) {
    if (phase == "on battery") Lines(server, "drop DSR");
    if (phase == "recharging") Lines(server, "raise DSR");
    std::this_thread::sleep_for(std::chrono::seconds(1));
    double main_before = CpuSeconds(main), worker_before = CpuSeconds(worker);
    std::this_thread::sleep_for(std::chrono::seconds(phase_seconds));
    std::printf("CPU over %d s %-10s  main %.2f s, worker %.2f s\n", phase_seconds, phase.c_str(),
                CpuSeconds(main) - main_before, CpuSeconds(worker) - worker_before);
  }
  std::vector<long long> to_log, to_datagram;
  for (int i = 0; i < 20; ++i) {
    bool failing = i % 2 == 0;
    long records = LogRecords(server);
    long long start = NowMs();
    server.Write("lines", failing ? "CTS RI\n" : "DSR CTS RI\n");
    while (LogRecords(server) == records && NowMs() - start < 5000) usleep(1000);
    to_log.push_back(NowMs() - start);
    long long arrival = -1;
    while (arrival < 0 && NowMs() - start < 5000) {
      for (const auto& d : Datagrams(peer))
        if (d.at_ms >= start && d.pf == (failing ? 1 : 0)) arrival = d.at_ms;
      usleep(1000);
    }
    to_datagram.push_back(arrival - start);
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
  }
  std::printf("reaction over 20 DSR changes, stability filter on (the log record follows a 200 ms tone):\n");
  Report("  line change to log record", to_log);
  Report("  line change to datagram on peer", to_datagram);

  std::printf("peak resident memory: main%s, worker%s\n", PeakMemory(main).c_str(), PeakMemory(worker).c_str());
  Vigil(server, "stop");
  return 0;
}
