// The road of one mains failure between Linux programs: a server on the
// simulated lines (alerter with LineTap and the SNMP agent beside it, or
// vigil20) or on a USB UPS (vigil20 through the hidraw shim), clients of
// both kinds (an alerter client, a vigil20 receiver)
// and an SNMP manager's snmptrapd, each computer a station of one bridged
// LAN. Autonomy figures are seconds, so that each walk takes seconds.
#include <gtest/gtest.h>

#include <cstdio>
#include <thread>

#include "core/tests/hid_test_descriptors.h"
#include "tests/road/road_fixture.h"

namespace road {
namespace {

using Events = std::vector<int32_t>;
using std::chrono::milliseconds;

constexpr int kInterval = 200;  // alerter's tick, ms; "Signal Filter" 2

class RoadTest : public ::testing::Test {
 protected:
  // One station per name, on one LAN, every name known to every station.
  void MakeLan(const std::vector<std::string>& names) {
    lan_ = std::make_unique<BridgeLan>(static_cast<int>(names.size()));
    std::string hosts;
    for (size_t i = 0; i < names.size(); ++i) hosts += lan_->Address(static_cast<int>(i)) + " " + names[i] + "\n";
    for (size_t i = 0; i < names.size(); ++i)
      stations_.push_back(std::make_unique<Station>(*lan_, static_cast<int>(i), names[i], hosts));
  }
  Station& At(int i) { return *stations_.at(i); }

  // A vigil20 receiver of "servidor" and an alerter client of it (server
  // lost after 10 s of silence), both running; the server is the test's.
  void StartReceiverAndClient(Station& receiver, const Station& client) {
    receiver.StartVigil20Receiver("servidor", false);
    client.ConfigureAlerterClient("servidor", kInterval, 10);
    client.StartAlerter();
    ASSERT_TRUE(client.WaitAlerterServing());
  }

  void TearDown() override {
    if (!HasFailure()) return;
    for (const auto& s : stations_) {
      std::printf("=== %s\nalerter: %s\nevents:", s->name().c_str(), s->AlerterLog().c_str());
      for (int32_t code : s->AlerterEvents()) std::printf(" %d", code);
      std::printf("\nvigil20 log:\n%s\nrecorded: %s\nsnmp: %s\ntraps: %s\n", s->Vigil20Log().c_str(),
                  s->Recorded().c_str(), s->box().Read("vigil-snmp.log").c_str(), s->Traps().c_str());
      if (s->box().Exists("vigil-snmp.conf")) std::printf("walk:\n%s\n", s->Walk().c_str());
    }
  }

  // Stations go before the LAN that holds their namespaces.
  ~RoadTest() override { stations_.clear(); }

  std::unique_ptr<BridgeLan> lan_;
  std::vector<std::unique_ptr<Station>> stations_;
};


// With "Signal Filter" 2 a new pattern reaches the status on the fourth
// tick that sees it: never sooner than three ticks after the drop.
void ExpectFilteredDelay(long long ms, int interval) { EXPECT_GE(ms, 3 * interval - 50) << "the filter was skipped"; }

TEST_F(RoadTest, LinuxToLinuxAnAlerterServerShutsTheLanDownAtTheEndOfItsAutonomy) {
  MakeLan({"servidor", "cliente", "receptor"});
  const Station& server = At(0);
  const Station& client = At(1);
  Station& receiver = At(2);  // also the SNMP manager

  receiver.StartTrapReceiver();
  receiver.StartVigil20Receiver("servidor", false);
  // The agent before its master: the poller's first cycle shows the lines
  // unavailable, so that their reading is alerter's when they come back.
  server.StartAgent(receiver.address());
  ASSERT_TRUE(WaitUntil([&] { return server.AgentRead("1.4") == 0; }, 10000));
  server.ConfigureAlerterServer(8, kInterval);
  client.ConfigureAlerterClient("SERVIDOR", kInterval, 5);
  client.StartAlerter();
  ASSERT_TRUE(client.WaitAlerterServing());
  server.StartAlerter();
  ASSERT_TRUE(WaitUntil([&] { return server.AgentRead("1.4") == 1; }, 10000));
  // Both clients hold the server's figures, not their own.
  ASSERT_TRUE(WaitUntil([&] { return StatusField(client.AlerterStatus(), kNominal) == 8; }, 10000));
  ASSERT_TRUE(WaitUntil([&] { Figures f = Vigil20Figures(receiver); return f.name == "servidor" && f.total == 8; }, 10000));

  auto dropped = Clock::now();
  server.Lines("alines", "drop DSR");
  ASSERT_TRUE(server.WaitForEvents({1}, 5000));
  ExpectFilteredDelay(MillisecondsSince(dropped), kInterval);
  EXPECT_EQ(StatusField(server.AlerterStatus(), kPowerFailure), 1);
  ASSERT_TRUE(client.WaitForEvents({1}, 5000));
  ASSERT_TRUE(receiver.WaitForLog("--> servidor: Falta de Rede\n", 5000));
  ASSERT_TRUE(WaitUntil([&] { return receiver.Traps().find(TrapLine(1)) != std::string::npos; }, 5000));
  std::printf("trap 1 at the manager %lld ms after the drop\n", MillisecondsSince(dropped));

  // The clients count down from the server's figures.
  ASSERT_TRUE(WaitUntil([&] {
    std::string s = client.AlerterStatus();
    return StatusField(s, kFull) == 8 && StatusField(s, kRemaining) < 8 && StatusField(s, kOnBattery) > 0;
  }, 5000));
  ASSERT_TRUE(WaitUntil([&] { Figures f = Vigil20Figures(receiver); return f.pf == 1 && f.left < 8 && f.dt > 0; }, 5000));

  // The end of the autonomy: every computer shuts down, once.
  ASSERT_TRUE(receiver.WaitForLog("--> servidor: Termino da autonomia prevista\n", 15000));
  ASSERT_TRUE(receiver.WaitForLog("--> servidor: Desligamento iniciado\n", 3000));
  ASSERT_TRUE(server.WaitForEvents({1, 20, 5}, 10000));
  ASSERT_TRUE(client.WaitForEvents({1, 20, 5}, 10000));
  std::this_thread::sleep_for(milliseconds(2000));  // a second request would come by now
  EXPECT_EQ(server.Recorded(), "/usr/local/sbin/poweroff \n");
  EXPECT_EQ(client.Recorded(), "/usr/local/sbin/poweroff \n");
  EXPECT_EQ(receiver.Recorded(), "/sbin/poweroff \n");
  EXPECT_EQ(server.AlerterEvents(), (Events{1, 20, 5}));
  EXPECT_EQ(client.AlerterEvents(), (Events{1, 20, 5}));
  EXPECT_EQ(CountOf(receiver.Traps(), TrapLine(1)), 1);
}

TEST_F(RoadTest, LinuxToLinuxTheMainsReturnDuringTheCountdownCancelsEveryShutdown) {
  MakeLan({"servidor", "cliente", "receptor"});
  const Station& server = At(0);
  const Station& client = At(1);
  Station& receiver = At(2);
  receiver.StartTrapReceiver();
  server.StartAgent(receiver.address());
  ASSERT_TRUE(WaitUntil([&] { return server.AgentRead("1.4") == 0; }, 10000));
  // Ticks of 400 ms: the fifteen-tick countdown lasts six seconds.
  server.ConfigureAlerterServer(3, 400);
  client.ConfigureAlerterClient("servidor", 400, 5);
  client.StartAlerter();
  ASSERT_TRUE(client.WaitAlerterServing());
  server.StartAlerter();
  ASSERT_TRUE(WaitUntil([&] { return StatusField(client.AlerterStatus(), kNominal) == 3; }, 10000));
  ASSERT_TRUE(WaitUntil([&] { return server.AgentRead("1.4") == 1; }, 10000));

  server.Lines("alines", "drop DSR");
  ASSERT_TRUE(server.WaitForEvents({1, 20}, 10000));
  ASSERT_TRUE(client.WaitForEvents({1, 20}, 5000));
  server.Lines("alines", "raise DSR");
  ASSERT_TRUE(server.WaitForEvents({1, 20, 2}, 5000));
  ASSERT_TRUE(client.WaitForEvents({1, 20, 2}, 5000));
  ASSERT_TRUE(WaitUntil([&] { return receiver.Traps().find(TrapLine(2)) != std::string::npos; }, 5000));
  // Past the end of every countdown that was armed.
  std::this_thread::sleep_for(milliseconds(8000));
  EXPECT_EQ(server.AlerterEvents(), (Events{1, 20, 2}));
  EXPECT_EQ(client.AlerterEvents(), (Events{1, 20, 2}));
  EXPECT_EQ(server.Recorded(), "");
  EXPECT_EQ(client.Recorded(), "");
  std::string status = client.AlerterStatus();
  EXPECT_EQ(StatusField(status, kPowerFailure), 0);
  EXPECT_EQ(StatusField(status, kAutonomyEnd), 0);
}

TEST_F(RoadTest, LinuxToLinuxAVigil20ServerAndTheMainsBackInTime) {
  MakeLan({"servidor", "cliente", "receptor"});
  const Station& server = At(0);
  const Station& client = At(1);
  Station& receiver = At(2);
  ASSERT_NO_FATAL_FAILURE(StartReceiverAndClient(receiver, client));
  server.StartVigil20Server(1);
  ASSERT_TRUE(WaitUntil([&] { return StatusField(client.AlerterStatus(), kNominal) == 60; }, 10000));
  ASSERT_TRUE(WaitUntil([&] { return Vigil20Figures(receiver).name == "servidor"; }, 10000));

  auto dropped = Clock::now();
  server.Lines("lines", "drop DSR");
  ASSERT_TRUE(WaitUntil([&] { return Vigil20Figures(server).pf == 1; }, 2000));
  ASSERT_TRUE(server.WaitForLog("Falta de Rede\n", 3000));
  // Announced from the third poll that reads the new word.
  EXPECT_GE(MillisecondsSince(dropped), 150);
  ASSERT_TRUE(client.WaitForEvents({1}, 5000));
  ASSERT_TRUE(receiver.WaitForLog("--> servidor: Falta de Rede\n", 5000));
  ASSERT_TRUE(WaitUntil([&] {
    std::string s = client.AlerterStatus();
    return StatusField(s, kFull) == 60 && StatusField(s, kRemaining) < 60 && StatusField(s, kOnBattery) > 0;
  }, 8000));
  ASSERT_TRUE(WaitUntil([&] { Figures f = Vigil20Figures(receiver); return f.left < 60 && f.dt > 0; }, 8000));
  ASSERT_TRUE(WaitUntil([&] { return receiver.Console().find("--> servidor: Automonia = ") != std::string::npos; },
                        5000));

  server.Lines("lines", "raise DSR");
  ASSERT_TRUE(server.WaitForLog("Retorno da rede\n", 3000));
  ASSERT_TRUE(client.WaitForEvents({1, 2}, 5000));
  ASSERT_TRUE(receiver.WaitForLog("--> servidor: Retorno da rede\n", 5000));
  ASSERT_TRUE(WaitUntil([&] { return StatusField(client.AlerterStatus(), kOnBattery) == 0; }, 5000));
  ASSERT_TRUE(WaitUntil([&] { return Vigil20Figures(receiver).dt == 0; }, 5000));
  std::this_thread::sleep_for(milliseconds(1000));
  EXPECT_EQ(server.Recorded() + client.Recorded() + receiver.Recorded(), "");
  EXPECT_EQ(CountOf(receiver.Vigil20Log(), "Falta de Rede"), 1);
}

// Report 1 of kInputReportUps: ACPresent, BelowRemainingCapacityLimit,
// Charging, Discharging, ShutdownImminent from bit 0. Report 2: charge (%),
// RunTimeToEmpty (s, low byte first), load (%).
const std::vector<uint8_t> kUsbOnMains = {0x01, 0b00101};
const std::vector<uint8_t> kUsbOnBattery = {0x01, 0b01000};
const std::vector<uint8_t> kUsbBelowCapacityLimit = {0x01, 0b01010};
std::vector<uint8_t> UsbFigures(int charge, int runtime_s) {
  return {0x02, static_cast<uint8_t>(charge), static_cast<uint8_t>(runtime_s & 0xFF),
          static_cast<uint8_t>(runtime_s >> 8), 40};
}

// A vigil20 server on a USB UPS: its mains failure and its critical
// battery reach a vigil20 receiver and an alerter client, and all three
// computers are powered off, each once. The clients have no UPS of their
// own and hold the UPS's 25-minute runtime, far from any end of their
// autonomy: only the server's datagram can shut them down.
TEST_F(RoadTest, AVigil20ServerOnAUsbUpsShutsTheLanDownOnItsCriticalBattery) {
  MakeLan({"servidor", "cliente", "receptor"});
  Station& server = At(0);
  const Station& client = At(1);
  Station& receiver = At(2);
  ASSERT_NO_FATAL_FAILURE(StartReceiverAndClient(receiver, client));
  server.PlugUsbUps(std::vector<uint8_t>(std::begin(kInputReportUps), std::end(kInputReportUps)),
                    {3, 0x051D, 0x0002, "Maker UPS", "AS1"}, 0);
  server.StartVigil20UsbServer(10, "usb");
  ASSERT_NE(server.Vigil20Log().find("Nobreak USB \"usb\": /dev/hidraw0, 051D:0002"), std::string::npos);
  ASSERT_TRUE(server.UsbReport(kUsbOnMains));
  ASSERT_TRUE(server.UsbReport(UsbFigures(100, 1500)));
  // The UPS's own estimate, not line 1's ten minutes, is what the
  // datagram carries (from the next resend, within 5 s).
  ASSERT_TRUE(WaitUntil([&] { Figures f = Vigil20Figures(server); return f.total == 1500 && f.left == 1500; }, 5000));
  ASSERT_TRUE(WaitUntil([&] { return StatusField(client.AlerterStatus(), kNominal) == 1500; }, 10000));
  ASSERT_TRUE(WaitUntil([&] { Figures f = Vigil20Figures(receiver); return f.name == "servidor" && f.total == 1500; },
                        10000));

  auto failed = Clock::now();
  ASSERT_TRUE(server.UsbReport(kUsbOnBattery));
  ASSERT_TRUE(server.WaitForLog("Falta de Rede\n", 5000));
  // Announced from the third pass of the stability filter that reads it.
  EXPECT_GE(MillisecondsSince(failed), 150);
  ASSERT_TRUE(WaitUntil([&] { return Vigil20Figures(server).pf == 1; }, 5000));
  ASSERT_TRUE(client.WaitForEvents({1}, 10000));
  ASSERT_TRUE(receiver.WaitForLog("--> servidor: Falta de Rede\n", 10000));
  std::printf("the mains failure at the clients %lld ms after ACPresent went false\n", MillisecondsSince(failed));
  ASSERT_TRUE(WaitUntil([&] {
    std::string s = client.AlerterStatus();
    return StatusField(s, kPowerFailure) == 1 && StatusField(s, kOnBattery) > 0;
  }, 10000));
  ASSERT_TRUE(WaitUntil([&] { Figures f = Vigil20Figures(receiver); return f.pf == 1 && f.dt > 0; }, 10000));
  // On battery, nobody shuts down yet.
  EXPECT_EQ(server.Recorded() + client.Recorded() + receiver.Recorded(), "");
  EXPECT_EQ(StatusField(client.AlerterStatus(), kBatteryCritical), 0);

  auto critical = Clock::now();
  ASSERT_TRUE(server.UsbReport(kUsbBelowCapacityLimit));
  ASSERT_TRUE(server.WaitForLog("Bateria em nivel critico\n", 5000));
  ASSERT_TRUE(receiver.WaitForLog("--> servidor: Desligamento iniciado\n", 10000));
  // alerter's forced shutdown: three ticks, then its event, then the
  // sessions' 15 s before the power-off.
  ASSERT_TRUE(client.WaitForEvents({1, 4, 6}, 10000));
  EXPECT_EQ(StatusField(client.AlerterStatus(), kBatteryCritical), 1);
  EXPECT_EQ(StatusField(client.AlerterStatus(), kServerLost), 0);
  std::printf("the clients' shutdowns %lld ms after BelowRemainingCapacityLimit\n", MillisecondsSince(critical));
  ASSERT_TRUE(WaitUntil([&] { return client.Recorded() != ""; }, 25000));
  // alerter ends after its request: no second one can follow. The
  // daemons have had the same 15 s for one.
  ASSERT_TRUE(WaitUntil([&] { return client.AlerterStatus().empty(); }, 10000));
  EXPECT_EQ(client.Recorded(), "/usr/local/sbin/poweroff --force\n");
  EXPECT_EQ(client.AlerterEvents(), (Events{1, 4, 6}));
  EXPECT_EQ(server.Recorded(), "/sbin/poweroff \n");
  EXPECT_EQ(receiver.Recorded(), "/sbin/poweroff \n");

  // Each station's record in the order of the road, the failure told once
  // and never as a lost UPS.
  std::string log = server.Vigil20Log();
  EXPECT_TRUE(InOrder(log, "Falta de Rede\n", "Bateria em nivel critico\n")) << log;
  EXPECT_TRUE(InOrder(log, "Bateria em nivel critico\n", "Desligamento iniciado\n")) << log;
  EXPECT_EQ(CountOf(log, "Falta de Rede"), 1) << log;
  EXPECT_EQ(CountOf(log, "Problemas na comunicacao"), 0) << log;
  std::string heard = receiver.Vigil20Log();
  EXPECT_TRUE(InOrder(heard, "--> servidor: Falta de Rede\n", "--> servidor: Bateria em nivel critico\n")) << heard;
  EXPECT_TRUE(InOrder(heard, "--> servidor: Bateria em nivel critico\n", "--> servidor: Desligamento iniciado\n"))
      << heard;
  EXPECT_EQ(CountOf(heard, "Falta de Rede"), 1) << heard;
  EXPECT_EQ(CountOf(heard, "Termino da autonomia prevista"), 0) << heard;
}

TEST_F(RoadTest, TheServerPulledOffTheNetworkEachClientsSilenceRuleAtItsTime) {
  MakeLan({"servidor", "cliente", "receptor"});
  const Station& server = At(0);
  const Station& client = At(1);
  Station& receiver = At(2);
  receiver.StartVigil20Receiver("servidor", false);
  // A client with its own model of the battery goes on counting down alone.
  client.ConfigureAlerterClient("servidor", kInterval, 3, 120);
  client.StartAlerter();
  ASSERT_TRUE(client.WaitAlerterServing());
  server.ConfigureAlerterServer(120, kInterval);
  server.StartAlerter();
  ASSERT_TRUE(WaitUntil([&] { return Vigil20Figures(receiver).name == "servidor"; }, 10000));

  server.Lines("alines", "drop DSR");
  ASSERT_TRUE(client.WaitForEvents({1}, 5000));
  ASSERT_TRUE(receiver.WaitForLog("--> servidor: Falta de Rede\n", 5000));

  auto pulled = Clock::now();
  lan_->Unplug(0);
  // "BadServerDelay" 3 s after the last datagram, which came at most a
  // second before the cable was pulled.
  ASSERT_TRUE(WaitUntil([&] { return StatusField(client.AlerterStatus(), kServerLost) == 1; }, 10000));
  EXPECT_GE(MillisecondsSince(pulled), 1500);
  std::string before = client.AlerterStatus();
  std::this_thread::sleep_for(milliseconds(2100));
  std::string after = client.AlerterStatus();
  EXPECT_EQ(StatusField(after, kPowerFailure), 1);
  EXPECT_LE(StatusField(after, kRemaining), StatusField(before, kRemaining) - 2) << "the countdown stopped";
  EXPECT_GE(StatusField(after, kOnBattery), StatusField(before, kOnBattery) + 2);

  // The daemon's rule: thirty seconds without an accepted datagram.
  ASSERT_TRUE(receiver.WaitForLog("--> servidor: Problemas na comunicacao. Verifique o cabo serial\n", 50000));
  EXPECT_GE(MillisecondsSince(pulled), 28000);
  EXPECT_EQ(client.AlerterEvents(), Events{1}) << "silence is not an event";

  lan_->Plug(0);
  ASSERT_TRUE(WaitUntil([&] { return StatusField(client.AlerterStatus(), kServerLost) == 0; }, 10000));
  ASSERT_TRUE(receiver.WaitForLog("--> servidor: Comunicacao Ok\n", 15000));
  EXPECT_EQ(CountOf(receiver.Vigil20Log(), "Problemas na comunicacao"), 1);
  EXPECT_EQ(client.AlerterEvents(), Events{1});
}

TEST_F(RoadTest, AServerRestartedInTheMiddleOfADischarge) {
  MakeLan({"servidor", "cliente", "receptor"});
  const Station& server = At(0);
  const Station& client = At(1);
  Station& receiver = At(2);
  ASSERT_NO_FATAL_FAILURE(StartReceiverAndClient(receiver, client));
  server.ConfigureAlerterServer(60, kInterval);
  server.StartAlerter();
  ASSERT_TRUE(WaitUntil([&] { return StatusField(client.AlerterStatus(), kNominal) == 60; }, 10000));

  server.Lines("alines", "drop DSR");
  ASSERT_TRUE(client.WaitForEvents({1}, 5000));
  ASSERT_TRUE(receiver.WaitForLog("--> servidor: Falta de Rede\n", 5000));
  ASSERT_TRUE(WaitUntil([&] { return StatusField(client.AlerterStatus(), kRemaining) <= 56; }, 10000));

  server.EndAlerter();
  ASSERT_TRUE(WaitUntil([&] { return server.AlerterStatus().empty(); }, 10000));
  server.StartAlerter();
  // The new run knows nothing of the discharge. Its first tick notifies
  // before the filter has taken the lines, so the clients see the mains
  // back for a moment, then the failure again, and follow the new figures
  // of a full battery.
  ASSERT_TRUE(server.WaitForEvents({1, 1}, 10000));
  ASSERT_TRUE(client.WaitForEvents({1, 2, 1}, 5000));
  ASSERT_TRUE(receiver.WaitForLog("--> servidor: Falta de Rede\n", 5000, 2));
  ASSERT_TRUE(WaitUntil([&] { return StatusField(client.AlerterStatus(), kRemaining) >= 58; }, 5000));
  ASSERT_TRUE(WaitUntil([&] { return Vigil20Figures(receiver).left >= 58; }, 5000));
  ASSERT_TRUE(WaitUntil([&] { return StatusField(client.AlerterStatus(), kRemaining) <= 56; }, 8000))
      << "the client counts down again";
  ASSERT_TRUE(WaitUntil([&] { Figures f = Vigil20Figures(receiver); return f.pf == 1 && f.left <= 56; }, 8000));
  EXPECT_EQ(CountOf(receiver.Vigil20Log(), "Retorno da rede"), 1);
  EXPECT_EQ(StatusField(client.AlerterStatus(), kServerLost), 0);
  EXPECT_EQ(client.Recorded() + receiver.Recorded(), "");
}

TEST_F(RoadTest, TwoServersClientsOfAnyServerAndOfOneNamedServer) {
  MakeLan({"servidor1", "servidor2", "qualquer", "nomeado", "rqualquer", "rnomeado"});
  const Station& first = At(0);   // vigil20
  const Station& second = At(1);  // alerter
  const Station& any = At(2);
  const Station& named = At(3);
  const Station& any_receiver = At(4);
  const Station& named_receiver = At(5);
  any.ConfigureAlerterClient("", kInterval, 10);
  named.ConfigureAlerterClient("servidor2", kInterval, 10);
  for (const Station* s : {&any, &named}) {
    s->StartAlerter();
    ASSERT_TRUE(s->WaitAlerterServing());
  }
  any_receiver.StartVigil20Receiver("x", true);
  named_receiver.StartVigil20Receiver("servidor2", false);
  first.StartVigil20Server(1);
  second.ConfigureAlerterServer(120, kInterval);
  second.StartAlerter();
  ASSERT_TRUE(WaitUntil([&] { return StatusField(named.AlerterStatus(), kNominal) == 120; }, 10000));
  ASSERT_TRUE(WaitUntil([&] { return Vigil20Figures(named_receiver).name == "servidor2"; }, 10000));

  first.Lines("lines", "drop DSR");
  ASSERT_TRUE(WaitUntil([&] { Events e = any.AlerterEvents(); return !e.empty() && e[0] == 1; }, 5000));
  ASSERT_TRUE(any_receiver.WaitForLog("--> servidor1: Falta de Rede\n", 5000));
  std::this_thread::sleep_for(milliseconds(2000));
  EXPECT_EQ(named.AlerterEvents(), Events{});
  EXPECT_EQ(named_receiver.Vigil20Log(), "");

  second.Lines("alines", "drop DSR");
  ASSERT_TRUE(named.WaitForEvents({1}, 5000));
  ASSERT_TRUE(named_receiver.WaitForLog("--> servidor2: Falta de Rede\n", 5000));
  EXPECT_EQ(named_receiver.Vigil20Log().find("servidor1"), std::string::npos);
  EXPECT_EQ(StatusField(named.AlerterStatus(), kNominal), 120) << "only the named server's figures";
}

}  // namespace
}  // namespace road
