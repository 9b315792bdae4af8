// Not a test: the road's timing per pairing. For each pairing of a server
// and its clients on a bridged LAN of namespaces, ten mains failures: the
// time from the DSR drop at the server's simulated lines to event 1 in each
// alerter's event file (or the "Falta de Rede" line on a vigil20's console,
// written just after its log line), and to trap 1 at the manager (snmptrapd
// beside a Linux server, the agent host beside alerter.exe). Median and
// worst of ten, in milliseconds. Polled every 5 ms.
//
// alerter's "Interval" is 250 ms with "Signal Filter" 2, so that a new
// pattern reaches the status on the fourth tick that sees it (750 to
// 1000 ms); vigil20 acts from its third poll of 100 ms.
//
//   road_bench            the Linux pairings
//   road_bench --wine     also those with alerter.exe, with VIGIL_WINE_RUNNER,
//                         VIGIL_WINE_DIR and ROAD_PEER set as the Windows
//                         build's tests set them
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <thread>

#include "tests/road/road_fixture.h"
#include "tests/road/wine_station.h"

namespace road {
namespace {

constexpr int kRounds = 10;
constexpr int kInterval = 250;
constexpr int kAutonomy = 3600;

// One observer: how many failures it has seen so far.
struct Watch {
  std::string what;
  std::function<int()> count;
};

int Ones(const std::vector<int32_t>& events) { return static_cast<int>(std::count(events.begin(), events.end(), 1)); }

Watch AlerterEvents(const Station& s) { return {s.name() + " (alerter, event 1)", [&s] { return Ones(s.AlerterEvents()); }}; }
Watch WineEvents(const WineStation& w) { return {w.name() + " (alerter.exe, event 1)", [&w] { return Ones(w.Events()); }}; }
Watch ConsoleLine(const Station& s, const std::string& server) {
  return {s.name() + " (vigil20, Falta de Rede)",
          [&s, server] { return CountOf(s.Console(), "--> " + server + ": Falta de Rede\n"); }};
}
Watch TrapsAt(const Station& manager) {
  return {"trap 1 at snmptrapd", [&manager] { return CountOf(manager.Traps(), TrapLine(1)); }};
}
Watch WineTraps(const WineStation& w) {
  return {"trap 1 at the agent host", [&w] {
            auto ids = w.Traps();
            return static_cast<int>(std::count(ids.begin(), ids.end(), 1));
          }};
}

void Report(const std::string& pairing, const std::vector<Watch>& watches,
            const std::map<std::string, std::vector<long long>>& times) {
  std::printf("\n%s\n", pairing.c_str());
  for (const auto& w : watches) {
    std::vector<long long> t = times.at(w.what);
    if (t.empty()) {
      std::printf("  %-40s no measurement\n", w.what.c_str());
      continue;
    }
    std::sort(t.begin(), t.end());
    long long median = t.size() % 2 ? t[t.size() / 2] : (t[t.size() / 2 - 1] + t[t.size() / 2]) / 2;
    std::printf("  %-40s median %5lld ms   worst %5lld ms   (%zu rounds)\n", w.what.c_str(), median, t.back(),
                t.size());
  }
  std::fflush(stdout);
}

// Ten failures and returns; `returned` tells when every client saw the
// mains back, so that the next round starts from a quiet LAN.
void Rounds(const std::string& pairing, const std::function<void(const std::string&)>& lines,
            const std::vector<Watch>& watches, const std::function<bool()>& returned) {
  std::map<std::string, std::vector<long long>> times;
  for (const auto& w : watches) times[w.what];
  for (int round = 0; round < kRounds; ++round) {
    std::vector<int> before;
    for (const auto& w : watches) before.push_back(w.count());
    std::vector<bool> seen(watches.size(), false);
    auto dropped = Clock::now();
    lines("drop DSR");
    size_t left = watches.size();
    while (left > 0 && MillisecondsSince(dropped) < 15000) {
      for (size_t i = 0; i < watches.size(); ++i)
        if (!seen[i] && watches[i].count() > before[i]) {
          seen[i] = true;
          --left;
          times[watches[i].what].push_back(MillisecondsSince(dropped));
        }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    lines("raise DSR");
    if (!WaitUntil(returned, 15000)) std::fprintf(stderr, "%s: round %d: the return was not seen\n", pairing.c_str(), round);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
  }
  Report(pairing, watches, times);
}

std::string Hosts(const BridgeLan& lan, const std::vector<std::string>& names) {
  std::string hosts;
  for (size_t i = 0; i < names.size(); ++i) hosts += lan.Address(static_cast<int>(i)) + " " + names[i] + "\n";
  return hosts;
}

bool Back(const std::vector<int32_t>& events) { return !events.empty() && events.back() == 2; }

void LinuxAlerterToLinux() {
  BridgeLan lan(3);
  std::string hosts = Hosts(lan, {"servidor", "cliente", "receptor"});
  Station server(lan, 0, "servidor", hosts), client(lan, 1, "cliente", hosts), receiver(lan, 2, "receptor", hosts);
  receiver.StartTrapReceiver();
  receiver.StartVigil20Receiver("servidor", false);
  server.StartAgent(receiver.address());
  WaitUntil([&] { return server.AgentRead("1.4") == 0; }, 10000);
  server.ConfigureAlerterServer(kAutonomy, kInterval);
  client.ConfigureAlerterClient("servidor", kInterval, 30);
  client.StartAlerter();
  client.WaitAlerterServing();
  server.StartAlerter();
  WaitUntil([&] { return server.AgentRead("1.4") == 1 && Vigil20Figures(receiver).name == "servidor"; }, 10000);
  Rounds("Linux to Linux: alerter server (and agent) to alerter client and vigil20 receiver",
         [&](const std::string& w) { server.Lines("alines", w); },
         {AlerterEvents(client), ConsoleLine(receiver, "servidor"), TrapsAt(receiver)},
         [&] { return Back(client.AlerterEvents()) && Vigil20Figures(receiver).pf == 0; });
}

void LinuxVigil20ToLinux() {
  BridgeLan lan(3);
  std::string hosts = Hosts(lan, {"servidor", "cliente", "receptor"});
  Station server(lan, 0, "servidor", hosts), client(lan, 1, "cliente", hosts), receiver(lan, 2, "receptor", hosts);
  receiver.StartVigil20Receiver("servidor", false);
  client.ConfigureAlerterClient("servidor", kInterval, 30);
  client.StartAlerter();
  client.WaitAlerterServing();
  server.StartVigil20Server(60);
  WaitUntil([&] { return Vigil20Figures(receiver).name == "servidor" && StatusField(client.AlerterStatus(), kNominal) == 3600; },
            15000);
  Rounds("Linux to Linux: vigil20 server to alerter client and vigil20 receiver",
         [&](const std::string& w) { server.Lines("lines", w); },
         {AlerterEvents(client), ConsoleLine(receiver, "servidor")},
         [&] { return Back(client.AlerterEvents()) && Vigil20Figures(receiver).pf == 0; });
}

void LinuxToWindows() {
  BridgeLan lan(2);
  std::string hosts = Hosts(lan, {"servidor", "wcliente"});
  Station server(lan, 0, "servidor", hosts);
  WineStation client(lan, 1, "wcliente", hosts, false, WineClientSettings("servidor", kInterval, 30));
  server.StartTrapReceiver();
  server.StartAgent("127.0.0.1");
  WaitUntil([&] { return server.AgentRead("1.4") == 0; }, 10000);
  server.ConfigureAlerterServer(kAutonomy, kInterval);
  if (!client.WaitReady(180000)) {
    std::fprintf(stderr, "%s\n", client.Report().c_str());
    return;
  }
  server.StartAlerter();
  WaitUntil([&] { return server.AgentRead("1.4") == 1 && StatusField(client.Status(), kNominal) == kAutonomy; }, 30000);
  Rounds("Linux to Windows: alerter server (and agent) to alerter.exe client",
         [&](const std::string& w) { server.Lines("alines", w); }, {WineEvents(client), TrapsAt(server)},
         [&] { return Back(client.Events()); });
}

void WindowsToLinux() {
  BridgeLan lan(3);
  std::string hosts = Hosts(lan, {"wservidor", "cliente", "receptor"});
  Station client(lan, 1, "cliente", hosts), receiver(lan, 2, "receptor", hosts);
  client.ConfigureAlerterClient("wservidor", kInterval, 30);
  client.StartAlerter();
  client.WaitAlerterServing();
  receiver.StartVigil20Receiver("wservidor", false);
  WineStation server(lan, 0, "wservidor", hosts, true, WineServerSettings(kAutonomy, kInterval));
  if (!server.WaitReady(180000)) {
    std::fprintf(stderr, "%s\n", server.Report().c_str());
    return;
  }
  WaitUntil([&] { return Vigil20Figures(receiver).name == "wservidor" && StatusField(client.AlerterStatus(), kNominal) == kAutonomy; },
            30000);
  Rounds("Windows to Linux: alerter.exe server (and agent host) to alerter client and vigil20 receiver",
         [&](const std::string& w) { server.Lines(w); },
         {AlerterEvents(client), ConsoleLine(receiver, "wservidor"), WineTraps(server)},
         [&] { return Back(client.AlerterEvents()) && Vigil20Figures(receiver).pf == 0; });
}

void WindowsToWindows() {
  BridgeLan lan(2);
  std::string hosts = Hosts(lan, {"wservidor", "wcliente"});
  WineStation server(lan, 0, "wservidor", hosts, true, WineServerSettings(kAutonomy, kInterval));
  if (!server.WaitReady(180000)) {
    std::fprintf(stderr, "%s\n", server.Report().c_str());
    return;
  }
  WineStation client(lan, 1, "wcliente", hosts, false, WineClientSettings("wservidor", kInterval, 30));
  if (!client.WaitReady(180000)) {
    std::fprintf(stderr, "%s\n", client.Report().c_str());
    return;
  }
  WaitUntil([&] { return StatusField(client.Status(), kNominal) == kAutonomy; }, 30000);
  Rounds("Windows to Windows: alerter.exe server (and agent host) to alerter.exe client",
         [&](const std::string& w) { server.Lines(w); }, {WineEvents(client), WineTraps(server)},
         [&] { return Back(client.Events()); });
}

}  // namespace
}  // namespace road

int main(int argc, char** argv) {
  bool wine = argc > 1 && std::strcmp(argv[1], "--wine") == 0;
  try {
    road::LinuxAlerterToLinux();
    road::LinuxVigil20ToLinux();
    if (wine) {
      road::LinuxToWindows();
      road::WindowsToLinux();
      road::WindowsToWindows();
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "road_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
