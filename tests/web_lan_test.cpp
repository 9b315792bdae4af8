// vigil-web on a LAN of network namespaces: a vigil20 server and an alerter
// server on the simulator in one namespace; in the other, vigil-web beside a
// vigil20 receiver (one port for both, each hearing every broadcast). The
// overview, /api/status and /metrics show both servers; a mains failure
// shows within a second or two of its datagram; the autonomy counts down
// between two scrapes; the receiver's log joins the history of the station
// it names, each event once; a server
// whose plug is pulled becomes silent, and the other stays.
#include <nlohmann/json.hpp>

#include <csignal>
#include <thread>

#include "tests/support/power_supply_tree.h"
#include "web_fixture.h"

namespace {

using std::chrono::milliseconds;

class WebLanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Station(alerter_, "192.168.77.1");
    Station(web_, "192.168.77.2");
  }
  void TearDown() override {
    if (HasFailure())
      std::printf("vigil-web:\n%s\nreceiver:\n%s\nalerter:\n%s\n", web_.Read("web/web.log").c_str(),
                  LogText(web_).c_str(), alerter_.Read("alerter.log").c_str());
  }
  std::string Metrics() { return Get(web_, "/metrics").body; }
  nlohmann::json Status() {
    Page page = Get(web_, "/api/status");
    return page.status == 200 ? nlohmann::json::parse(page.body) : nlohmann::json::object();
  }
  static std::string StateOf(const nlohmann::json& status, const std::string& name) {
    if (!status.contains("stations")) return "";
    for (const auto& s : status["stations"])
      if (s["name"] == name) return s["state"];
    return "";
  }

  VethLan lan_;
  Sandbox alerter_{In(lan_.first())};
  Sandbox daemon_{In(lan_.first())};
  Sandbox web_{In(lan_.second())};
};

TEST_F(WebLanTest, BothServersAreFollowedUntilOneFallsSilent) {
  const std::string posto = "posto7.exemplo.com.br";
  // The daemon's server stays up through its outage.
  daemon_.WriteConf(LocalConf({{3, "Desligar no fim da autonomia (sim/nao) = nao"},
                               {4, "Desligar com bateria em nivel critico (sim/nao) = nao"}}));
  Lines(daemon_, "set DSR CTS RI");
  AlerterLines(alerter_, "set DSR CTS RI");
  AlerterSetting(alerter_, "ComPort", 1);
  AlerterSetting(alerter_, "Net Mode", 4);
  AlerterSetting(alerter_, "Interval", 200);
  AlerterSetting(alerter_, "Signal Filter", 0);
  // The web station's own daemon follows the daemon's server, on the same
  // port; its log names that server.
  web_.WriteConf(LocalConf({{7, "Nobreak ligado a este computador (sim/nao) = nao"},
                            {9, "Enviar o estado pela rede (sim/nao) = nao"},
                            {10, "Nome desta estacao = receptor"},
                            {11, "Receber o estado pela rede (sim/nao) = sim"},
                            {13, "Servidor aceito = estacao1"}}));
  StartWeb(web_);
  ASSERT_EQ(StartDaemon(web_).status, 0);
  ListenForDatagrams(web_);
  ASSERT_EQ(StartDaemon(daemon_).status, 0);
  StartAlerter(alerter_);

  ASSERT_TRUE(WaitUntil([&] {
    nlohmann::json s = Status();
    return StateOf(s, "estacao1") == "normal" && StateOf(s, posto) == "normal";
  }, 15000)) << Get(web_, "/api/status").body;
  std::string overview = Get(web_, "/").body;
  EXPECT_NE(overview.find(">estacao1</a>"), std::string::npos) << overview;
  EXPECT_NE(overview.find(">" + posto + "</a>"), std::string::npos);
  std::string m = Metrics();
  EXPECT_EQ(Metric(m, "network_ups_tools_ups_status{flag=\"OL\",ups=\"estacao1\"}"), 1) << m;
  EXPECT_EQ(Metric(m, "network_ups_tools_ups_status{flag=\"OL\",ups=\"" + posto + "\"}"), 1) << m;
  EXPECT_EQ(Metric(m, "network_ups_tools_battery_runtime{ups=\"estacao1\"}"), 600);

  // The mains fail at the daemon's server: OB within two seconds of the
  // datagram that says so, in the metrics and on the page.
  Lines(daemon_, "drop DSR");
  ASSERT_TRUE(WaitUntil([&] {
    for (auto& d : Datagrams(web_))
      if (d.pf == 1 && d.name == "estacao1") return true;
    return false;
  }, 10000));
  EXPECT_TRUE(WaitUntil([&] { return Metric(Metrics(), "network_ups_tools_ups_status{flag=\"OB\",ups=\"estacao1\"}") == 1; },
                        2000));
  EXPECT_TRUE(WaitUntil([&] { return StateOf(Status(), "estacao1") == "mains_failure"; }, 2000));
  std::string page = Get(web_, "/").body;
  size_t row = page.find("data-estacao=\"estacao1\"");
  ASSERT_NE(row, std::string::npos);
  EXPECT_NE(page.substr(row, page.find("</tr>", row) - row).find("Falta de rede"), std::string::npos) << page;
  EXPECT_EQ(Metric(Metrics(), "network_ups_tools_ups_status{flag=\"OL\",ups=\"" + posto + "\"}"), 1);

  // The autonomy counts down between two scrapes.
  double first = Metric(Metrics(), "network_ups_tools_battery_runtime{ups=\"estacao1\"}");
  std::this_thread::sleep_for(milliseconds(2500));
  double second = Metric(Metrics(), "network_ups_tools_battery_runtime{ups=\"estacao1\"}");
  EXPECT_GT(first, 0);
  EXPECT_LT(second, first);
  EXPECT_GE(Metric(Metrics(), "vigil_on_battery_seconds{ups=\"estacao1\"}"), 2);

  // The receiver beside vigil-web heard the same failure; what this
  // computer's own log says of the station is part of its history.
  ASSERT_TRUE(WaitForLog(web_, "--> estacao1: Falta de Rede\n", 10000)) << LogText(web_);
  EXPECT_TRUE(WaitUntil([&] {
    return Get(web_, "/station/estacao1").body.find("<td>Falta de Rede</td><td>registro deste computador</td>") !=
           std::string::npos;
  }, 10000)) << Get(web_, "/station/estacao1").body;
  EXPECT_NE(Get(web_, "/events.csv").body.find(",mains_failure,Falta de Rede,computador\r\n"), std::string::npos);

  // The daemon's server loses its plug: silent after the silence limit, on
  // the page and in the metrics; the other server stays.
  for (pid_t pid : {daemon_.DaemonWorker(), daemon_.DaemonMain()})
    if (pid > 0) kill(pid, SIGKILL);
  auto pulled = std::chrono::steady_clock::now();
  ASSERT_TRUE(WaitUntil([&] { return StateOf(Status(), "estacao1") == "silent"; }, 40000));
  EXPECT_GE(std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - pulled).count(), 25000);
  m = Metrics();
  EXPECT_EQ(Metric(m, "vigil_station_silent{ups=\"estacao1\"}"), 1) << m;
  EXPECT_EQ(Metric(m, "network_ups_tools_ups_status{flag=\"OB\",ups=\"estacao1\"}"), -1) << m;
  EXPECT_EQ(Metric(m, "vigil_station_silent{ups=\"" + posto + "\"}"), 0);
  EXPECT_EQ(StateOf(Status(), posto), "normal");
  page = Get(web_, "/").body;
  row = page.find("data-estacao=\"estacao1\"");
  ASSERT_NE(row, std::string::npos);
  EXPECT_NE(page.substr(row, page.find("</tr>", row) - row).find("Sem sinal"), std::string::npos);
  // The silence is an event of its history too (recorded on the next tick).
  EXPECT_TRUE(WaitUntil([&] {
    return Get(web_, "/station/estacao1").body.find("<td>Sem sinal</td><td>rede</td>") != std::string::npos;
  }, 3000));
  // The failure, told by the LAN and by the receiver's log (read many
  // times by now), is one row, one line and one count.
  std::string history = Get(web_, "/station/estacao1").body;
  EXPECT_EQ(CountOf(history, "<td>Falta de Rede</td><td>registro deste computador</td>"), 1) << history;
  EXPECT_EQ(CountOf(history, "<td>Falta de rede</td><td>rede</td>"), 0) << history;
  EXPECT_EQ(CountOf(Get(web_, "/events.csv").body, ",mains_failure,"), 1);
  EXPECT_EQ(Metric(Metrics(), "vigil_events_total{kind=\"mains_failure\",ups=\"estacao1\"}"), 1) << Metrics();
}

// An alerter server on a USB UPS leaves what it measures for vigil-web on
// the same computer, which shows it for that station.
TEST_F(TwoStationsTest, AnAlerterServerOnAUsbUpsShowsItsChargeOnTheStatusPageBesideIt) {
  const Sandbox& server = first_;
  AlerterServerOnLine(server);
  AlerterSetting(server, "UsbPort", "usb");
  PowerSupplyTree tree(server.Path("power_supply"));
  tree.OnBattery(77, 1200);
  server.Run("VIGIL20_POWER_SUPPLY=/usr/local/power_supply VIGIL20_HOST_ROOT=/usr/local/root "
             "VIGIL20_SIMLINES=/usr/local/alines VIGIL20_POWEROFF=/usr/local/sbin/poweroff " ALERTER_BIN
             " -normal > /usr/local/alerter.log 2>&1 &");
  const std::string figures = "root/windows/Vigil20Ups.txt";
  ASSERT_TRUE(WaitUntil([&] { return server.Exists(figures); }, 10000)) << server.Read("alerter.log");
  const std::string written = server.Read(figures);
  EXPECT_NE(written.find("\nstation=posto7.exemplo.com.br\n"), std::string::npos) << written;
  EXPECT_NE(written.find("\ncharge_percent=77.0\n"), std::string::npos) << written;

  StartWeb(server);
  std::string status;
  EXPECT_TRUE(WaitUntil([&] {
    status = Get(server, "/api/status").body;
    return status.find("\"charge_percent\":77") != std::string::npos;
  }, 10000)) << status << server.Read("web/web.log");
  EXPECT_NE(status.find("\"runtime_seconds\":1200"), std::string::npos) << status;

  // vigil-web runs as a user of its own under systemd.
  EXPECT_EQ(server.Run("stat -c %a /usr/local/root/windows/Vigil20Ups.txt").out, "644\n");
}

}  // namespace
