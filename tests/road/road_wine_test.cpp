// The road of one mains failure with alerter.exe under Wine on one side or
// both: Linux to Windows, Windows to Linux, Windows to Windows. One walk per
// pairing: the filtered drop at the server, the failure at every client and
// trap 1 at the manager, the countdown from the server's figures, the mains
// back in time (nothing shut down), then a second failure to the end of the
// autonomy and one shutdown per computer. And alerter.exe on a USB UPS that
// Wine shows as the system's battery, to its critical battery. Run by the
// Windows build's tests, which name the Wine runner and road_peer.exe.
#include <gtest/gtest.h>

#include <cstdio>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <thread>

#include "tests/road/road_fixture.h"
#include "tests/road/wine_station.h"
#include "tests/support/power_supply_tree.h"

namespace road {
namespace {

using Events = std::vector<int32_t>;
using std::chrono::milliseconds;

constexpr int kInterval = 250;
constexpr int kAutonomy = 20;
constexpr int kWineStart = 180000;  // a first Wine start makes its prefix

// What the walk asks of a server and of a client, whatever its system.
struct Server {
  std::string name;
  std::function<void(const std::string&)> lines;
  std::function<Events()> events;
  std::function<std::vector<int>()> traps;  // the ids seen by the manager
  std::function<int()> shutdowns;
  std::function<std::string()> report;
};

struct Client {
  std::string name;
  // The server's figures are held (nominal autonomy `n`).
  std::function<bool(int n)> holds;
  // The failure seen `times` times, the return seen once.
  std::function<bool(int times)> failed;
  std::function<bool()> returned;
  // Counting down from a full autonomy of `n`.
  std::function<bool(int n)> counting;
  // Back on mains: no time on battery.
  std::function<bool()> on_mains;
  std::function<bool()> shut_down;
  std::function<int()> shutdowns;
  std::function<std::string()> report;
};

int Count(const std::vector<int>& ids, int id) { return static_cast<int>(std::count(ids.begin(), ids.end(), id)); }

Server LinuxServer(const Station& s) {
  return {s.name(),
          [&s](const std::string& words) { s.Lines("alines", words); },
          [&s] { return s.AlerterEvents(); },
          [&s] {
            std::vector<int> ids;
            for (int id = 1; id <= 9; ++id)
              for (int n = CountOf(s.Traps(), TrapLine(id)); n > 0; --n) ids.push_back(id);
            return ids;
          },
          [&s] { return CountOf(s.Recorded(), "/usr/local/sbin/poweroff \n"); },
          [&s] { return s.AlerterLog() + s.Traps(); }};
}

Server WindowsServer(const WineStation& w) {
  return {w.name(),
          [&w](const std::string& words) { w.Lines(words); },
          [&w] { return w.Events(); },
          [&w] { return w.Traps(); },
          [&w] { return w.ShutdownRequests(); },
          [&w] { return w.Report(); }};
}

Client AlerterClient(const std::string& name, std::function<std::string()> status, std::function<Events()> events,
                     std::function<int()> shutdowns, std::function<std::string()> report) {
  Client c;
  c.name = name;
  c.holds = [status](int n) { return StatusField(status(), kNominal) == n; };
  c.failed = [events](int times) {
    Events e = events();
    return std::count(e.begin(), e.end(), 1) >= times;
  };
  c.returned = [events] { Events e = events(); return std::count(e.begin(), e.end(), 2) == 1; };
  c.counting = [status](int n) {
    std::string s = status();
    return StatusField(s, kFull) == n && StatusField(s, kRemaining) < n && StatusField(s, kOnBattery) > 0;
  };
  c.on_mains = [status] { std::string s = status(); return StatusField(s, kPowerFailure) == 0 && StatusField(s, kOnBattery) == 0; };
  c.shut_down = [events] { return events() == Events{1, 2, 1, 20, 5}; };
  c.shutdowns = shutdowns;
  c.report = report;
  return c;
}

Client LinuxAlerterClient(const Station& s) {
  return AlerterClient(
      s.name(), [&s] { return s.AlerterStatus(); }, [&s] { return s.AlerterEvents(); },
      [&s] { return CountOf(s.Recorded(), "/usr/local/sbin/poweroff \n"); },
      [&s] {
        std::string e;
        for (int32_t code : s.AlerterEvents()) (e += ' ') += std::to_string(code);
        return "=== " + s.name() + "\nevents:" + e + "\n" + s.AlerterLog();
      });
}

Client WindowsClient(const WineStation& w) {
  return AlerterClient(
      w.name(), [&w] { return w.Status(); }, [&w] { return w.Events(); }, [&w] { return w.ShutdownRequests(); },
      [&w] { return w.Report(); });
}

Client Vigil20Receiver(const Station& s, const std::string& server) {
  Client c;
  c.name = s.name();
  c.holds = [&s, server](int n) { Figures f = Vigil20Figures(s); return f.name == server && f.total == n; };
  c.failed = [&s, server](int times) {
    return CountOf(s.Vigil20Log(), "--> " + server + ": Falta de Rede\n") >= times;
  };
  c.returned = [&s, server] { return CountOf(s.Vigil20Log(), "--> " + server + ": Retorno da rede\n") == 1; };
  c.counting = [&s](int n) { Figures f = Vigil20Figures(s); return f.pf == 1 && f.total == n && f.left < n && f.dt > 0; };
  c.on_mains = [&s] { Figures f = Vigil20Figures(s); return f.pf == 0 && f.dt == 0; };
  c.shut_down = [&s, server] {
    std::string log = s.Vigil20Log();
    return log.find("--> " + server + ": Termino da autonomia prevista\n") != std::string::npos &&
           log.find("--> " + server + ": Desligamento iniciado\n") != std::string::npos;
  };
  c.shutdowns = [&s] { return CountOf(s.Recorded(), "/sbin/poweroff \n"); };
  c.report = [&s] { return "=== " + s.name() + "\nvigil20 log:\n" + s.Vigil20Log() + "console:\n" + s.Console(); };
  return c;
}

std::string Reports(const Server& server, const std::vector<Client>& clients) {
  std::string text = "=== server " + server.name + "\n" + server.report() + "\n";
  for (const auto& c : clients) text += c.report() + "\n";
  return text;
}

// The whole road, once everything has started.
void Walk(const Server& server, const std::vector<Client>& clients) {
  for (const auto& c : clients)
    ASSERT_TRUE(WaitUntil([&] { return c.holds(kAutonomy); }, 60000)) << c.name << " never heard the server\n"
                                                                      << Reports(server, clients);

  auto dropped = Clock::now();
  server.lines("drop DSR");
  ASSERT_TRUE(WaitUntil([&] { return server.events() == Events{1}; }, 10000)) << Reports(server, clients);
  // "Signal Filter" 2: the fourth tick that sees the drop, no sooner.
  EXPECT_GE(MillisecondsSince(dropped), 3 * kInterval - 50);
  for (const auto& c : clients) {
    ASSERT_TRUE(WaitUntil([&] { return c.failed(1); }, 10000)) << c.name << "\n" << Reports(server, clients);
    std::printf("%s: the failure %lld ms after the drop\n", c.name.c_str(), MillisecondsSince(dropped));
  }
  ASSERT_TRUE(WaitUntil([&] { return Count(server.traps(), 1) == 1; }, 10000)) << Reports(server, clients);
  std::printf("trap 1 at the manager %lld ms after the drop\n", MillisecondsSince(dropped));
  for (const auto& c : clients)
    ASSERT_TRUE(WaitUntil([&] { return c.counting(kAutonomy); }, 10000)) << c.name << "\n" << Reports(server, clients);

  // The mains back in time: everything cancelled.
  server.lines("raise DSR");
  ASSERT_TRUE(WaitUntil([&] { return server.events() == Events{1, 2}; }, 10000)) << Reports(server, clients);
  for (const auto& c : clients) {
    ASSERT_TRUE(WaitUntil([&] { return c.returned() && c.on_mains(); }, 10000)) << c.name << "\n"
                                                                                << Reports(server, clients);
  }
  ASSERT_TRUE(WaitUntil([&] { return Count(server.traps(), 2) == 1; }, 10000)) << Reports(server, clients);

  // A second failure, to the end of what the recharge left.
  server.lines("drop DSR");
  ASSERT_TRUE(WaitUntil([&] { return server.events() == Events{1, 2, 1, 20, 5}; }, 60000)) << Reports(server, clients);
  for (const auto& c : clients)
    ASSERT_TRUE(WaitUntil([&] { return c.failed(2) && c.shut_down(); }, 20000)) << c.name << "\n"
                                                                               << Reports(server, clients);
  std::this_thread::sleep_for(milliseconds(3000));  // a second request would come by now
  EXPECT_EQ(server.shutdowns(), 1) << Reports(server, clients);
  EXPECT_EQ(server.events(), (Events{1, 2, 1, 20, 5}));
  for (const auto& c : clients) EXPECT_EQ(c.shutdowns(), 1) << c.name << "\n" << Reports(server, clients);
  EXPECT_EQ(Count(server.traps(), 1), 2);
}

class RoadUnderWine : public ::testing::Test {
 protected:
  void MakeLan(const std::vector<std::string>& names) {
    lan_ = std::make_unique<BridgeLan>(static_cast<int>(names.size()));
    for (size_t i = 0; i < names.size(); ++i) hosts_ += lan_->Address(static_cast<int>(i)) + " " + names[i] + "\n";
  }
  ~RoadUnderWine() override {
    wine_.clear();
    stations_.clear();
  }
  Station& Linux(int host, const std::string& name) {
    stations_.push_back(std::make_unique<Station>(*lan_, host, name, hosts_));
    return *stations_.back();
  }
  WineStation& Windows(int host, const std::string& name, bool agent, const std::vector<std::string>& settings) {
    wine_.push_back(std::make_unique<WineStation>(*lan_, host, name, hosts_, agent, settings));
    return *wine_.back();
  }

  std::unique_ptr<BridgeLan> lan_;
  std::string hosts_;
  std::vector<std::unique_ptr<Station>> stations_;
  std::vector<std::unique_ptr<WineStation>> wine_;
};

TEST_F(RoadUnderWine, LinuxToWindows) {
  MakeLan({"servidor", "wcliente"});
  Station& server = Linux(0, "servidor");  // also the SNMP manager
  WineStation& client = Windows(1, "wcliente", false, WineClientSettings("servidor", kInterval, 10));
  server.StartTrapReceiver();
  server.StartAgent("127.0.0.1");
  ASSERT_TRUE(WaitUntil([&] { return server.AgentRead("1.4") == 0; }, 10000));
  server.ConfigureAlerterServer(kAutonomy, kInterval);
  ASSERT_TRUE(client.WaitReady(kWineStart)) << client.Report();
  server.StartAlerter();
  ASSERT_TRUE(WaitUntil([&] { return server.AgentRead("1.4") == 1; }, 10000));
  Walk(LinuxServer(server), {WindowsClient(client)});
}

TEST_F(RoadUnderWine, WindowsToLinux) {
  MakeLan({"wservidor", "cliente", "receptor"});
  Station& client = Linux(1, "cliente");
  Station& receiver = Linux(2, "receptor");
  client.ConfigureAlerterClient("WSERVIDOR", kInterval, 10);
  client.StartAlerter();
  ASSERT_TRUE(client.WaitAlerterServing());
  receiver.StartVigil20Receiver("wservidor", false);
  WineStation& server = Windows(0, "wservidor", true, WineServerSettings(kAutonomy, kInterval));
  ASSERT_TRUE(server.WaitReady(kWineStart)) << server.Report();
  Walk(WindowsServer(server), {LinuxAlerterClient(client), Vigil20Receiver(receiver, "wservidor")});
}

TEST_F(RoadUnderWine, WindowsToWindows) {
  MakeLan({"wservidor", "wcliente"});
  WineStation& client = Windows(1, "wcliente", false, WineClientSettings("wservidor", kInterval, 10));
  WineStation& server = Windows(0, "wservidor", true, WineServerSettings(kAutonomy, kInterval));
  ASSERT_TRUE(client.WaitReady(kWineStart)) << client.Report();
  ASSERT_TRUE(server.WaitReady(kWineStart)) << server.Report();
  Walk(WindowsServer(server), {WindowsClient(client)});
}

// alerter.exe on a USB UPS ("UsbPort"), which Wine shows as the system's
// battery: the runner's /sys/class/power_supply, written from here. Its
// mains failure and its critical battery (under 5 %, Wine's critical)
// reach an alerter client and a vigil20 receiver on Linux, and each of the
// three computers is shut down once. The server's autonomy is ten minutes
// and the battery's runtime as long: only the critical battery, told by the
// server's datagram, can shut the clients down.
TEST_F(RoadUnderWine, AUsbUpsOnAWindowsServerShutsTheLanDownOnItsCriticalBattery) {
  MakeLan({"wservidor", "cliente", "receptor"});
  Station& client = Linux(1, "cliente");
  Station& receiver = Linux(2, "receptor");
  client.ConfigureAlerterClient("wservidor", kInterval, 10);
  client.StartAlerter();
  ASSERT_TRUE(client.WaitAlerterServing());
  receiver.StartVigil20Receiver("wservidor", false);
  std::vector<std::string> settings = WineServerSettings(600, kInterval);
  settings.push_back("UsbPort=usb");
  WineStation& server = Windows(0, "wservidor", false, settings);
  ASSERT_TRUE(server.WaitReady(kWineStart)) << server.Report();
  PowerSupplyTree battery = PowerSupplyTree::Existing(server.PowerSupplyFolder());
  ASSERT_TRUE(std::filesystem::exists(battery.Folder() + "/BAT0/status")) << battery.Folder();
  auto report = [&] {
    return Reports(WindowsServer(server), {LinuxAlerterClient(client), Vigil20Receiver(receiver, "wservidor")});
  };
  ASSERT_TRUE(WaitUntil([&] { return StatusField(client.AlerterStatus(), kNominal) == 600; }, 30000)) << report();
  ASSERT_TRUE(WaitUntil([&] { Figures f = Vigil20Figures(receiver); return f.name == "wservidor" && f.total == 600; },
                        30000))
      << report();

  auto failed = Clock::now();
  battery.OnBattery(60, 600);
  ASSERT_TRUE(WaitUntil([&] { return server.Events() == Events{1}; }, 10000)) << report();
  // "Signal Filter" 2: the fourth tick that reads the battery, no sooner.
  EXPECT_GE(MillisecondsSince(failed), 3 * kInterval - 50);
  ASSERT_TRUE(client.WaitForEvents({1}, 10000)) << report();
  ASSERT_TRUE(receiver.WaitForLog("--> wservidor: Falta de Rede\n", 10000)) << report();
  std::printf("the mains failure at the clients %lld ms after the battery's\n", MillisecondsSince(failed));
  ASSERT_TRUE(WaitUntil([&] { Figures f = Vigil20Figures(receiver); return f.pf == 1 && f.dt > 0; }, 10000));
  // On battery, nobody shuts down yet.
  EXPECT_EQ(server.ShutdownRequests(), 0);
  EXPECT_EQ(client.Recorded() + receiver.Recorded(), "");
  EXPECT_EQ(StatusField(client.AlerterStatus(), kBatteryCritical), 0);

  auto critical = Clock::now();
  battery.OnBattery(3, 30);
  // Its forced shutdown's event follows three ticks later: either will do.
  ASSERT_TRUE(WaitUntil([&] { Events e = server.Events(); return e.size() >= 2 && e[0] == 1 && e[1] == 4; }, 10000))
      << report();
  ASSERT_TRUE(receiver.WaitForLog("--> wservidor: Desligamento iniciado\n", 10000)) << report();
  // alerter's forced shutdown at each alerter: three ticks, then its event,
  // then the sessions' 15 s before the request.
  ASSERT_TRUE(client.WaitForEvents({1, 4, 6}, 10000)) << report();
  EXPECT_EQ(StatusField(client.AlerterStatus(), kBatteryCritical), 1);
  EXPECT_EQ(StatusField(client.AlerterStatus(), kServerLost), 0);
  std::printf("the clients' shutdowns %lld ms after the critical battery\n", MillisecondsSince(critical));
  ASSERT_TRUE(WaitUntil([&] { return server.ShutdownRequests() >= 1; }, 30000)) << report();
  ASSERT_TRUE(WaitUntil([&] { return client.Recorded() != ""; }, 30000)) << report();
  // alerter ends after its request: no second one can follow.
  ASSERT_TRUE(WaitUntil([&] { return client.AlerterStatus().empty(); }, 10000)) << report();
  EXPECT_EQ(client.Recorded(), "/usr/local/sbin/poweroff --force\n");
  EXPECT_EQ(client.AlerterEvents(), (Events{1, 4, 6}));
  EXPECT_EQ(receiver.Recorded(), "/sbin/poweroff \n");
  EXPECT_EQ(server.ShutdownRequests(), 1) << report();
  EXPECT_EQ(server.Events(), (Events{1, 4, 6})) << report();
  std::string heard = receiver.Vigil20Log();
  EXPECT_TRUE(InOrder(heard, "--> wservidor: Falta de Rede\n", "--> wservidor: Bateria em nivel critico\n")) << heard;
  EXPECT_TRUE(InOrder(heard, "--> wservidor: Bateria em nivel critico\n", "--> wservidor: Desligamento iniciado\n"))
      << heard;
  EXPECT_EQ(CountOf(heard, "Falta de Rede"), 1) << heard;
  EXPECT_EQ(CountOf(heard, "Termino da autonomia prevista"), 0) << heard;
}

}  // namespace
}  // namespace road
