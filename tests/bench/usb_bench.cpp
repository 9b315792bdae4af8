// Measures, run as root (not a test):
//   idle:     on-CPU milliseconds per minute and context switches per second
//             of every process of vigil20 idle on mains, on a serial device
//             (a pty answered by the modem shim) and on a USB UPS that sends
//             input reports (the hidraw shim), side by side;
//   reaction: from ACPresent going false (or true) in an input report to
//             the datagram carrying it at a peer station of the LAN,
//             stability filter on.
// Usage: usb_bench [--seconds N, default 60] [--changes N, default 10]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "../usb_fixture.h"
#include "datagram_reaction.h"
#include "process_cpu.h"

namespace {

using std::chrono::milliseconds;

struct Reading {
  long long cpu_ns = 0, switches = 0;
};

Reading Read(const std::string& mark) {
  Reading r;
  for (pid_t pid : ProcessesMarked(mark)) {
    r.cpu_ns += CpuNs(pid);
    r.switches += ContextSwitches(pid);
  }
  return r;
}

void Idle(int seconds) {
  TtyStation tty;
  tty.box().WriteConf(LocalConf());
  if (tty.Start("VIGIL_BENCH_SUBJECT=tty").status != 0) std::printf("vigil20 on the serial device did not start\n");
  UsbStation usb(Bytes(kInputReportUps), kMakerUps);
  usb.ups().Plug(2);
  usb.box().WriteConf(LocalConf({{8, "Porta serial (COM1 a COM8) = usb"}}));
  if (usb.Start("VIGIL_BENCH_SUBJECT=usb").status != 0 || !usb.Send(kOnMains) || !usb.Send(Runtime(1800)))
    std::printf("vigil20 on the USB UPS did not start\n");
  std::this_thread::sleep_for(std::chrono::seconds(10));
  Reading tty_before = Read("VIGIL_BENCH_SUBJECT=tty"), usb_before = Read("VIGIL_BENCH_SUBJECT=usb");
  auto started = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  Reading tty_after = Read("VIGIL_BENCH_SUBJECT=tty"), usb_after = Read("VIGIL_BENCH_SUBJECT=usb");
  std::printf("\nidle on mains, both at once, over %.0f s:\n", elapsed);
  std::printf("  %-30s %14s %20s\n", "", "CPU ms/minute", "context switches/s");
  auto line = [&](const char* label, const Reading& a, const Reading& b) {
    std::printf("  %-30s %14.2f %20.2f\n", label, (b.cpu_ns - a.cpu_ns) / 1e6 / (elapsed / 60.0),
                (b.switches - a.switches) / elapsed);
  };
  line("vigil20, serial device", tty_before, tty_after);
  line("vigil20, USB UPS", usb_before, usb_after);
}

void Reaction(int changes) {
  VethLan lan;
  UsbStation usb(Bytes(kInputReportUps), kMakerUps, In(lan.first()));
  Sandbox peer(In(lan.second()));
  usb.ups().Plug(2);
  usb.box().WriteConf(LocalConf({{8, "Porta serial (COM1 a COM8) = usb"}}));
  ListenForDatagrams(peer);
  if (usb.Start().status != 0 || !usb.Send(kOnMains) || !WaitUntil([&] { return !Datagrams(peer).empty(); }, 10000)) {
    std::printf("vigil20 on the USB UPS did not start\n");
    return;
  }
  std::vector<long long> ms =
      DatagramReactionRounds(peer, changes, [&](bool failing) { usb.Send(failing ? kOnBattery : kOnMains); });
  std::sort(ms.begin(), ms.end());
  std::printf("\nreaction, ACPresent in an input report to the datagram at a peer, stability filter on:\n");
  if (ms.empty()) {
    std::printf("  nothing measured\n");
    return;
  }
  std::printf("  best %lld ms, median %lld ms, worst %lld ms (n=%zu)\n", ms.front(), ms[ms.size() / 2], ms.back(),
              ms.size());
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  int seconds = 60, changes = 10;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--seconds") == 0) seconds = std::max(1, std::atoi(argv[i + 1]));
    if (std::strcmp(argv[i], "--changes") == 0) changes = std::max(1, std::atoi(argv[i + 1]));
  }
  Idle(seconds);
  Reaction(changes);
  return 0;
}
