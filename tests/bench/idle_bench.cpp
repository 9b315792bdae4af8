// Measures, in one run and side by side (run as root; not a test):
//   idle:     on-CPU milliseconds per minute and context switches per second
//             of every process of each subject, all running at once, idle
//             on mains with a full battery: NUT 2.8 (dummy-ups, upsd and
//             upsmon, as a primary, with their default timings), vigil20 on
//             the line simulator and on a serial device (a pty answered by
//             the modem shim, as the tests have it), and alerter likewise
//             (its default "Interval" of 1000 ms, broadcasting);
//   reaction: from a change of DSR (the line file written) to the datagram
//             at a peer station of the LAN, stability filter on, for each
//             vigil20; and, for comparison, from NUT's dummy-ups file to
//             upsmon's ONBATT/ONLINE notice.
// With --before BUILD (a build folder of another version: its
// linux/vigil20, tests/dynamic/vigil20 and alerter/alerter), that version's
// programs are measured beside this build's, in the same run.
// Usage: idle_bench [--seconds N, default 60] [--changes N, default 10]
//                   [--before BUILD]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <sstream>
#include <thread>
#include <unistd.h>

#include "../daemon_fixture.h"
#include "../tty_fixture.h"
#include "datagram_reaction.h"
#include "process_cpu.h"

namespace {

using std::chrono::milliseconds;

struct Programs {
  std::string label;
  std::string vigil20;          // static, as shipped
  std::string vigil20_dynamic;  // the same objects, for the shim
  std::string alerter;
};

// One thing measured: its sandbox (or several) and the mark in its
// processes' environment.
struct Subject {
  std::string label;
  std::string mark;
  std::vector<std::unique_ptr<Sandbox>> boxes;
  std::vector<std::unique_ptr<TtyStation>> stations;
  std::vector<std::unique_ptr<PtyDevice>> ptys;
  std::vector<pid_t> Pids() const { return ProcessesMarked(mark); }
};

int subjects_made = 0;

std::string NewMark() { return "VIGIL_BENCH_SUBJECT=" + std::to_string(++subjects_made); }

// The simulator's file in a folder of its own: nothing else written there
// stirs the daemon's watch.
std::unique_ptr<Subject> Vigil20OnTheSimulator(const Programs& p) {
  auto s = std::make_unique<Subject>();
  s->label = "vigil20 " + p.label + ", simulator";
  s->mark = NewMark();
  auto& box = *s->boxes.emplace_back(std::make_unique<Sandbox>());
  box.WriteConf(LocalConf());
  box.Run("mkdir -p /usr/local/sim && " VIGIL_LINES_BIN " /usr/local/sim/lines set DSR CTS RI");
  CommandResult r = box.Run(s->mark + " VIGIL20_SIMLINES=/usr/local/sim/lines " + p.vigil20);
  if (r.status != 0) std::printf("%s did not start\n", s->label.c_str());
  return s;
}

std::unique_ptr<Subject> Vigil20OnATty(const Programs& p) {
  auto s = std::make_unique<Subject>();
  s->label = "vigil20 " + p.label + ", serial device";
  s->mark = NewMark();
  auto& station = *s->stations.emplace_back(std::make_unique<TtyStation>());
  station.box().WriteConf(LocalConf());
  if (station.Start(s->mark, p.vigil20_dynamic).status != 0) std::printf("%s did not start\n", s->label.c_str());
  return s;
}

// alerter in a host root of its own, its name resolved from a hosts file
// alone, broadcasting on the sandbox's network; on the simulator or on COM1,
// /dev/ttyS0 bound to a pty in a /dev without real serial devices.
std::unique_ptr<Subject> Alerter(const Programs& p, bool tty) {
  auto s = std::make_unique<Subject>();
  s->label = "alerter " + p.label + (tty ? ", serial device" : ", simulator");
  s->mark = NewMark();
  auto& box = *s->boxes.emplace_back(std::make_unique<Sandbox>());
  box.Write("hosts", "127.0.0.1 localhost\n127.0.1.1 posto7.exemplo.com.br posto7\n");
  box.Write("nsswitch.conf", "hosts: files\n");
  box.Run("mount --bind /usr/local/hosts /etc/hosts && mount --bind /usr/local/nsswitch.conf /etc/nsswitch.conf");
  for (const char* setting : {"ComPort /d 1", "\"Net Mode\" /d 4"})
    box.Run("VIGIL20_HOST_ROOT=/usr/local/root " VIGIL_REG_BIN " add 'HKLM\\Software\\Tessaly\\Vigil 2.0' /v " +
            std::string(setting) + " /t REG_DWORD /f");
  std::string lines = "/usr/local/apty/lines";
  std::string environment = s->mark + " VIGIL20_HOST_ROOT=/usr/local/root VIGIL20_POWEROFF=/usr/local/sbin/poweroff ";
  if (tty) {
    KeepOnlyHarmlessDevices(box);
    auto& pty = *s->ptys.emplace_back(std::make_unique<PtyDevice>(""));
    box.Run("touch /dev/ttyS0 && mount --bind " + pty.terminal() + " /dev/ttyS0");
    environment += "LD_PRELOAD=" MODEM_SHIM " VIGIL_SHIM_TTY=/dev/ttyS0 VIGIL_PTY_LINES=" + lines;
  } else {
    lines = "/usr/local/asim/lines";
    environment += "VIGIL20_SIMLINES=" + lines;
  }
  box.Run("mkdir -p \"$(dirname " + lines + ")\" && " VIGIL_LINES_BIN " " + lines + " set DSR CTS RI");
  box.Run(environment + " " + p.alerter + " -normal >/usr/local/alerter.log 2>&1 &");
  return s;
}

// NUT as a primary on the UPS of a dummy-ups file, with its own defaults.
std::unique_ptr<Subject> Nut() {
  auto s = std::make_unique<Subject>();
  s->label = "NUT 2.8 dummy-ups + upsd + upsmon";
  s->mark = NewMark();
  auto& box = *s->boxes.emplace_back(std::make_unique<Sandbox>());
  box.Write("nut/ups.dev", "battery.charge: 100\nbattery.runtime: 3600\nups.status: OL\n");
  box.Write("nut/ups.conf", "[ups]\n  driver = dummy-ups\n  port = /usr/local/nut/ups.dev\n");
  box.Write("nut/upsd.conf", "LISTEN 127.0.0.1 3493\n");
  box.Write("nut/upsd.users", "[monuser]\n  password = secret\n  upsmon primary\n");
  box.Write("nut/notify", "#!/bin/sh\necho \"$(date +%s%3N) $NOTIFYTYPE\" >> /usr/local/nut/notified\n");
  box.Write("nut/upsmon.conf",
            "RUN_AS_USER root\n"
            "MONITOR ups@127.0.0.1 1 monuser secret primary\n"
            "MINSUPPLIES 1\n"
            "SHUTDOWNCMD /bin/true\n"
            "NOTIFYCMD /usr/local/nut/notify\n"
            "NOTIFYFLAG ONBATT EXEC\nNOTIFYFLAG ONLINE EXEC\n"
            "POWERDOWNFLAG /usr/local/nut/killpower\n");
  CommandResult r = box.Run(
      "set -e\n"
      "mkdir -p /run/nut && mount -t tmpfs tmpfs /run/nut\n"
      "chmod 600 /usr/local/nut/*.conf /usr/local/nut/upsd.users && chmod 755 /usr/local/nut/notify\n"
      "export " +
      s->mark +
      " NUT_CONFPATH=/usr/local/nut NUT_STATEPATH=/run/nut NUT_ALTPIDPATH=/run/nut\n"
      "/lib/nut/dummy-ups -a ups -u root >/usr/local/nut/dummy.log 2>&1\n"
      "/lib/nut/upsd -u root >/usr/local/nut/upsd.log 2>&1\n" NUT_UPSMON_BIN " >/usr/local/nut/upsmon.log 2>&1\n");
  if (r.status != 0) std::printf("NUT did not start: %s\n", r.err.c_str());
  return s;
}

void Idle(const std::vector<std::unique_ptr<Subject>>& subjects, int seconds) {
  // Past every start-up: the first broadcasts, the worker's first pause,
  // NUT's first polls.
  std::this_thread::sleep_for(std::chrono::seconds(10));
  struct Reading {
    std::vector<pid_t> pids;
    long long cpu_ns = 0, switches = 0;
  };
  std::vector<Reading> before;
  for (const auto& s : subjects) {
    Reading r;
    r.pids = s->Pids();
    for (pid_t pid : r.pids) {
      r.cpu_ns += CpuNs(pid);
      r.switches += ContextSwitches(pid);
    }
    before.push_back(r);
  }
  auto started = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf("\nidle on mains, all at once, over %.0f s:\n", elapsed);
  std::printf("  %-42s %14s %20s %10s\n", "", "CPU ms/minute", "context switches/s", "processes");
  for (size_t i = 0; i < subjects.size(); ++i) {
    long long cpu_ns = 0, switches = 0;
    for (pid_t pid : before[i].pids) {
      cpu_ns += CpuNs(pid);
      switches += ContextSwitches(pid);
    }
    std::printf("  %-42s %14.2f %20.2f %10zu\n", subjects[i]->label.c_str(),
                (cpu_ns - before[i].cpu_ns) / 1e6 / (elapsed / 60.0), (switches - before[i].switches) / elapsed,
                before[i].pids.size());
  }
}

void Report(const std::string& what, std::vector<long long> ms) {
  if (ms.empty()) {
    std::printf("  %-42s nothing measured\n", what.c_str());
    return;
  }
  std::sort(ms.begin(), ms.end());
  std::printf("  %-42s best %5lld ms, median %5lld ms, worst %5lld ms (n=%zu)\n", what.c_str(), ms.front(),
              ms[ms.size() / 2], ms.back(), ms.size());
}

// From the write of the line file (DSR dropped or raised, in turn, at a
// phase that wanders) to the datagram carrying it at the peer.
void Vigil20Reaction(const Programs& p, bool tty, int changes) {
  VethLan lan;
  Sandbox::Options server_options, peer_options;
  server_options.netns = lan.first();
  peer_options.netns = lan.second();
  std::unique_ptr<Sandbox> simulated;
  std::unique_ptr<TtyStation> station;
  const Sandbox* server;
  std::string lines;
  if (tty) {
    station = std::make_unique<TtyStation>("/dev/ttyS1", server_options);
    server = &station->box();
    lines = "pty/lines";
  } else {
    simulated = std::make_unique<Sandbox>(server_options);
    server = simulated.get();
    lines = "sim/lines";
    server->Run("mkdir -p /usr/local/sim && " VIGIL_LINES_BIN " /usr/local/sim/lines set DSR CTS RI");
  }
  Sandbox peer(peer_options);
  server->WriteConf(LocalConf());
  ListenForDatagrams(peer);
  CommandResult started =
      tty ? station->Start("", p.vigil20_dynamic) : server->Run("VIGIL20_SIMLINES=/usr/local/sim/lines " + p.vigil20);
  std::string label = "vigil20 " + p.label + (tty ? ", serial device" : ", simulator");
  if (started.status != 0 || !WaitUntil([&] { return !Datagrams(peer).empty(); }, 10000)) {
    std::printf("  %-42s did not start\n", label.c_str());
    return;
  }
  std::vector<long long> ms =
      DatagramReactionRounds(peer, changes, [&](bool failing) { server->Write(lines, failing ? "CTS RI\n" : "DSR CTS RI\n"); });
  Report(label, ms);
  Vigil(*server, "stop");
}

// From the write of dummy-ups' file to upsmon's notice.
void NutReaction(int changes) {
  std::unique_ptr<Subject> nut = Nut();
  const Sandbox& box = *nut->boxes.front();
  std::this_thread::sleep_for(std::chrono::seconds(8));
  std::vector<long long> ms;
  for (int i = 0; i < changes; ++i) {
    bool failing = i % 2 == 0;
    std::string status = failing ? "OB" : "OL";
    int seen = CountOf(box.Read("nut/notified"), "\n");
    long long start = WallMs();
    box.Write("nut/ups.dev", "battery.charge: 100\nbattery.runtime: 3600\nups.status: " + status + "\n");
    if (!WaitUntil([&] { return CountOf(box.Read("nut/notified"), "\n") > seen; }, 20000)) break;
    // The newest notice: "<ms since the epoch> <type>".
    std::istringstream notices(box.Read("nut/notified"));
    std::string line, last;
    while (std::getline(notices, line))
      if (!line.empty()) last = line;
    ms.push_back(std::atoll(last.c_str()) - start);
    std::this_thread::sleep_for(milliseconds(1000 + 700 * i));
  }
  Report("NUT 2.8 (dummy-ups file to upsmon notice)", ms);
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  int seconds = 60, changes = 10;
  std::vector<Programs> versions;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--seconds") == 0) seconds = std::max(1, std::atoi(argv[i + 1]));
    if (std::strcmp(argv[i], "--changes") == 0) changes = std::max(1, std::atoi(argv[i + 1]));
    if (std::strcmp(argv[i], "--before") == 0) {
      std::string build = argv[i + 1];
      versions.push_back(
          {"before", build + "/linux/vigil20", build + "/tests/dynamic/vigil20", build + "/alerter/alerter"});
    }
  }
  versions.push_back({versions.empty() ? "" : "after", VIGIL20_BIN, VIGIL20_DYNAMIC_BIN, ALERTER_BIN});
  if (versions.size() == 1) versions.back().label = "this build";

  std::vector<std::unique_ptr<Subject>> subjects;
  subjects.push_back(Nut());
  for (const auto& p : versions) subjects.push_back(Vigil20OnTheSimulator(p));
  for (const auto& p : versions) subjects.push_back(Vigil20OnATty(p));
  for (const auto& p : versions) subjects.push_back(Alerter(p, false));
  for (const auto& p : versions) subjects.push_back(Alerter(p, true));
  Idle(subjects, seconds);
  subjects.clear();

  std::printf("\nreaction, a DSR change to the datagram at a peer, stability filter on:\n");
  for (const auto& p : versions)
    for (bool tty : {false, true}) Vigil20Reaction(p, tty, changes);
  NutReaction(std::max(2, changes / 2));
  return 0;
}
