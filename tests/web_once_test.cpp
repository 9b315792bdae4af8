// vigil-web beside a vigil20 server, in one station of a LAN of network
// namespaces: each mains failure reaches the page twice, as the server's
// datagram and as its own log's line, and is one row of the station page,
// one line of the CSV and one count of vigil_events_total; a second
// failure a few seconds later is a second event. (vigil-web on a client
// that follows a server: web_lan_test.cpp.)
#include <chrono>
#include <thread>

#include "web_fixture.h"

namespace {

class WebOnceTest : public ::testing::Test {
 protected:
  void SetUp() override { Station(server_, "192.168.77.1"); }
  void TearDown() override {
    if (HasFailure())
      std::printf("vigil-web:\n%s\nserver:\n%s\n", server_.Read("web/web.log").c_str(), LogText(server_).c_str());
  }
  double Failures() {
    return Metric(Get(server_, "/metrics").body, "vigil_events_total{kind=\"mains_failure\",ups=\"estacao1\"}");
  }

  VethLan lan_;
  Sandbox server_{In(lan_.first())};
};

TEST_F(WebOnceTest, BesideAServerEachFailureIsOneRowAndOneCountAndASecondOneCountsAgain) {
  // The server stays up through its outages.
  server_.WriteConf(LocalConf({{3, "Desligar no fim da autonomia (sim/nao) = nao"},
                               {4, "Desligar com bateria em nivel critico (sim/nao) = nao"}}));
  Lines(server_, "set DSR CTS RI");
  StartWeb(server_);
  ASSERT_EQ(StartDaemon(server_).status, 0);
  ASSERT_TRUE(WaitUntil([&] { return Get(server_, "/api/status").body.find("\"estacao1\"") != std::string::npos; },
                        15000))
      << Get(server_, "/api/status").body;

  Lines(server_, "drop DSR");
  ASSERT_TRUE(WaitForLog(server_, "--> estacao1: Falta de Rede\n", 10000));
  Lines(server_, "set DSR CTS RI");
  ASSERT_TRUE(WaitForLog(server_, "--> estacao1: Retorno da rede\n", 10000));
  Lines(server_, "drop DSR");
  ASSERT_TRUE(WaitForLog(server_, "--> estacao1: Falta de Rede\n", 10000, 2));

  // The log is read every few seconds; both failures then show, once each.
  ASSERT_TRUE(WaitUntil(
      [&] {
        return CountOf(Get(server_, "/station/estacao1").body,
                       "<td>Falta de Rede</td><td>registro deste computador</td>") == 2;
      },
      15000))
      << Get(server_, "/station/estacao1").body;
  ASSERT_TRUE(WaitUntil([&] { return Failures() == 2; }, 10000)) << Get(server_, "/metrics").body;
  // Past another reading of the log, nothing more is counted.
  std::this_thread::sleep_for(std::chrono::seconds(6));
  EXPECT_EQ(Failures(), 2) << Get(server_, "/metrics").body;
  std::string page = Get(server_, "/station/estacao1").body;
  EXPECT_EQ(CountOf(page, "<td>Falta de Rede</td><td>registro deste computador</td>"), 2) << page;
  EXPECT_EQ(CountOf(page, "<td>Falta de rede</td><td>rede</td>"), 0) << page;
  EXPECT_EQ(CountOf(page, "<td>Retorno da rede</td>"), 1) << page;
  std::string csv = Get(server_, "/events.csv").body;
  EXPECT_EQ(CountOf(csv, ",mains_failure,"), 2) << csv;
  EXPECT_EQ(CountOf(csv, ",mains_return,"), 1) << csv;
  EXPECT_EQ(Metric(Get(server_, "/metrics").body, "vigil_events_total{kind=\"mains_return\",ups=\"estacao1\"}"), 1);
}

}  // namespace
