// vigil-nut between real Vigil servers and NUT's own clients (upsc, upsmon,
// upslog), each server and the gateway a station of one LAN of network
// namespaces; and clients that misbehave.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "nut_fixture.h"
#include "signed_lan.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

class NutGatewayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Station(server_, "192.168.77.1");
    Station(gateway_, "192.168.77.2");
    NutClientHost(gateway_);
  }
  void TearDown() override {
    if (HasFailure())
      std::printf("gateway:\n%s\nupsmon:\n%s\n", gateway_.Read("nut/gateway.log").c_str(),
                  gateway_.Read("nut/upsmon.log").c_str());
  }
  // Waits until upsc reads `status` for `ups`.
  bool StatusBecomes(const std::string& ups, const std::string& status, int timeoutMs) {
    return WaitUntil([&] { return UpsStatus(gateway_, ups) == status; }, timeoutMs);
  }
  // The server (its settings written) on a healthy line, the gateway, and
  // upsmon on the gateway following "estacao1", which it has logged in to.
  void StartServerAndUpsmon() {
    Lines(server_, "set DSR CTS RI");
    StartGateway(gateway_);
    ASSERT_EQ(StartDaemon(server_).status, 0);
    ASSERT_TRUE(StatusBecomes("estacao1", "OL", 8000));
    StartUpsmon(gateway_, "estacao1");
    ASSERT_TRUE(WaitUntil([&] { return Upsc(gateway_, "-c estacao1@127.0.0.1") == "127.0.0.1\n"; }, 8000));
  }
  VethLan lan_;
  Sandbox server_{In(lan_.first())};
  Sandbox gateway_{In(lan_.second())};
};

TEST_F(NutGatewayTest, UpscAndUpslogFollowAVigil20Server) {
  // The server stays up on a critical battery, so that the mains can return.
  server_.WriteConf(LocalConf({{4, "Desligar com bateria em nivel critico (sim/nao) = nao"}}));
  Lines(server_, "set DSR CTS RI");
  StartGateway(gateway_);
  ListenForDatagrams(gateway_);
  ASSERT_EQ(StartDaemon(server_).status, 0);
  ASSERT_TRUE(WaitUntil([&] { return Upsc(gateway_, "-l 127.0.0.1") == "estacao1\n"; }, 8000));

  std::string all = Upsc(gateway_, "estacao1@127.0.0.1");
  for (const char* line : {"battery.charge: 100\n", "battery.runtime: 600\n", "device.mfr: Tessaly\n",
                           "device.model: Vigil 2.0\n", "device.serial: estacao1\n", "device.type: ups\n",
                           "driver.name: vigil-nut\n", "driver.version: 2.0\n", "ups.status: OL\n",
                           "vigil.autonomy.base: 600\n", "vigil.autonomy.nominal: 600\n",
                           "vigil.datagram.address: ", "vigil.onbattery.time: 0\n"})
    EXPECT_NE(all.find(line), std::string::npos) << line << all;
  EXPECT_NE(all.find("vigil.datagram.time: 20"), std::string::npos) << all;

  gateway_.Run("upslog -s estacao1@127.0.0.1 -i 1 -l /usr/local/nut/ups.log "
               "-f '%VAR ups.status% %VAR battery.runtime% %VAR device.serial%' >/dev/null 2>&1");

  // Mains failure: OB as soon as the datagram that says so has come.
  Lines(server_, "drop DSR");
  ASSERT_TRUE(WaitUntil([&] { for (auto& d : Datagrams(gateway_)) if (d.pf == 1) return true; return false; }, 8000));
  EXPECT_TRUE(StatusBecomes("estacao1", "OB", 2000));
  Lines(server_, "drop CTS");
  ASSERT_TRUE(StatusBecomes("estacao1", "OB LB", 8000));
  Lines(server_, "raise DSR CTS");
  ASSERT_TRUE(StatusBecomes("estacao1", "OL", 8000));
  ASSERT_TRUE(WaitUntil([&] { return CountOf(gateway_.Read("nut/ups.log"), "OL ") >= 2; }, 4000));
  std::string logged = gateway_.Read("nut/ups.log");
  EXPECT_NE(logged.find("OB "), std::string::npos) << logged;
  EXPECT_NE(logged.find("OB LB "), std::string::npos) << logged;
  EXPECT_NE(logged.find(" estacao1\n"), std::string::npos) << logged;

  // A silent server: stale after the clients' silence limit, as upsd
  // answers for a driver that stopped.
  ASSERT_EQ(Vigil(server_, "stop").status, 0);
  auto silent = steady_clock::now();
  ASSERT_TRUE(StatusBecomes("estacao1", "Error: Data stale", 40000));
  EXPECT_GE(std::chrono::duration_cast<milliseconds>(steady_clock::now() - silent).count(), 24000);
  EXPECT_EQ(Upsc(gateway_, "-l 127.0.0.1"), "estacao1\n");
  ASSERT_EQ(StartDaemon(server_).status, 0);
  EXPECT_TRUE(StatusBecomes("estacao1", "OL", 8000));
}

TEST_F(NutGatewayTest, UpsmonSecondaryIsToldAndShutsDownOnceOnACriticalBattery) {
  server_.WriteConf(LocalConf());
  ASSERT_NO_FATAL_FAILURE(StartServerAndUpsmon());

  Lines(server_, "drop DSR");
  ASSERT_TRUE(WaitUntil([&] { return gateway_.Read("nut/notified").find("ONBATT estacao1@127.0.0.1\n") != std::string::npos; }, 10000));
  Lines(server_, "raise DSR");
  ASSERT_TRUE(WaitUntil([&] { return gateway_.Read("nut/notified").find("ONLINE estacao1@127.0.0.1\n") != std::string::npos; }, 10000));
  EXPECT_EQ(gateway_.Read("nut/shutdowns"), "");

  Lines(server_, "drop DSR CTS");
  ASSERT_TRUE(WaitUntil([&] { return gateway_.Read("nut/shutdowns") == "shutdown\n"; }, 15000));
  std::this_thread::sleep_for(milliseconds(3000));
  EXPECT_EQ(gateway_.Read("nut/shutdowns"), "shutdown\n");
  // The server shut itself down as well; the gateway only told.
  EXPECT_TRUE(WaitForRecorded(server_, "/sbin/poweroff \n", 5000)) << server_.Read("recorded");
}

TEST_F(NutGatewayTest, UpsmonSecondaryShutsDownWhenTheServersAutonomyEnds) {
  // One minute of autonomy; the server itself stays up when it ends, so
  // that its datagrams keep telling.
  server_.WriteConf(LocalConf({{1, "Autonomia em minutos = 1"}, {3, "Desligar no fim da autonomia (sim/nao) = nao"}}));
  ASSERT_NO_FATAL_FAILURE(StartServerAndUpsmon());

  Lines(server_, "drop DSR");
  ASSERT_TRUE(StatusBecomes("estacao1", "OB", 8000));
  ASSERT_TRUE(WaitUntil([&] { return UpsStatus(gateway_, "estacao1").rfind("FSD OB", 0) == 0; }, 80000));
  ASSERT_TRUE(WaitUntil([&] { return gateway_.Read("nut/shutdowns") == "shutdown\n"; }, 10000));
  std::string notified = gateway_.Read("nut/notified");
  EXPECT_NE(notified.find("ONBATT estacao1@127.0.0.1\n"), std::string::npos) << notified;
  EXPECT_NE(notified.find("FSD estacao1@127.0.0.1\n"), std::string::npos) << notified;
  std::this_thread::sleep_for(milliseconds(3000));
  EXPECT_EQ(gateway_.Read("nut/shutdowns"), "shutdown\n");
}

TEST_F(NutGatewayTest, UpscFollowsAnAlerterServer) {
  AlerterLines(server_, "set DSR CTS RI");
  AlerterSetting(server_, "ComPort", 1);
  AlerterSetting(server_, "Net Mode", 4);
  AlerterSetting(server_, "Interval", 200);
  AlerterSetting(server_, "Signal Filter", 0);
  StartGateway(gateway_);
  StartAlerter(server_);
  const std::string ups = "posto7.exemplo.com.br";
  ASSERT_TRUE(WaitUntil([&] { return Upsc(gateway_, "-l 127.0.0.1") == ups + "\n"; }, 10000));
  EXPECT_EQ(UpsStatus(gateway_, ups), "OL");
  EXPECT_EQ(Upsc(gateway_, ups + "@127.0.0.1 device.serial"), ups + "\n");
  AlerterLines(server_, "drop DSR");
  ASSERT_TRUE(StatusBecomes(ups, "OB", 5000));
  AlerterLines(server_, "drop CTS");
  ASSERT_TRUE(StatusBecomes(ups, "OB LB", 5000));
  AlerterLines(server_, "raise DSR CTS");
  ASSERT_TRUE(StatusBecomes(ups, "OL", 5000));
}

// One request on `fd`, its reply (the text up to the `lines`-th newline)
// within `timeoutMs`, or what came before the time ran out.
std::string Request(int fd, const std::string& request, int lines = 1, int timeoutMs = 3000) {
  if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(request.size())) return "(send)";
  std::string reply;
  auto end = steady_clock::now() + milliseconds(timeoutMs);
  while (CountOf(reply, "\n") < lines) {
    int left = static_cast<int>(std::chrono::duration_cast<milliseconds>(end - steady_clock::now()).count());
    pollfd p{fd, POLLIN, 0};
    if (left <= 0 || poll(&p, 1, left) <= 0) break;
    char buffer[4096];
    ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    reply.append(buffer, static_cast<size_t>(n));
  }
  return reply;
}

int Connect(bool nonblocking = false, uint16_t port = 3493) { return ConnectLoopback(port, nonblocking); }

// True when the gateway has closed `fd` (reading what is left until then).
bool ClosedByPeer(int fd, int timeoutMs = 3000) {
  auto end = steady_clock::now() + milliseconds(timeoutMs);
  for (;;) {
    int left = static_cast<int>(std::chrono::duration_cast<milliseconds>(end - steady_clock::now()).count());
    pollfd p{fd, POLLIN, 0};
    if (left <= 0 || poll(&p, 1, left) <= 0) return false;
    char buffer[65536];
    ssize_t n = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n == 0 || (n < 0 && errno == ECONNRESET)) return true;
  }
}

TEST_F(NutGatewayTest, HostileClientsNeverHoldTheOthersUp) {
  StartGateway(gateway_);
  server_.Run(VIGIL_DGRAM_BIN " send 255.255.255.255 500 0 estacao1 1 0 0 0 0 600 600 590 10 >/dev/null 2>&1 &");
  ASSERT_TRUE(StatusBecomes("estacao1", "OB", 5000));
  const std::string ask = "GET VAR estacao1 ups.status\n";
  const std::string answer = "VAR estacao1 ups.status \"OB\"\n";

  InNetns(lan_.second(), [&] {
    RoomForManySockets();

    int good = Connect();
    ASSERT_GE(good, 0);
    ASSERT_EQ(Request(good, ask), answer);

    // A control byte: the line is refused whole, and nothing of it is done.
    int bad = Connect();
    EXPECT_EQ(Request(bad, "USERNAME monuser\x01\nLOGIN estacao1\n", 2),
              "ERR INVALID-ARGUMENT\nERR USERNAME-REQUIRED\n");
    EXPECT_EQ(Request(bad, std::string("GET VAR estacao1 ups.status\xff\n")), "ERR INVALID-ARGUMENT\n");
    EXPECT_EQ(Request(bad, ask), answer);
    close(bad);

    // A 100 KB line ends its connection.
    int longer = Connect();
    std::string huge(100 * 1024, 'A');
    send(longer, huge.data(), huge.size(), MSG_NOSIGNAL);
    EXPECT_TRUE(ClosedByPeer(longer));
    close(longer);
    EXPECT_EQ(Request(good, ask), answer);

    // A client that sends and never reads: dropped when its replies pile
    // up, while the good client is answered all along.
    int deaf = Connect(true);
    std::string burst;
    for (int i = 0; i < 200; ++i) burst += "LIST VAR estacao1\n";
    for (int round = 0; round < 200; ++round) {
      send(deaf, burst.data(), burst.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
      if (round % 20 == 0) {
        ASSERT_EQ(Request(good, ask), answer) << round;
      }
    }
    EXPECT_TRUE(ClosedByPeer(deaf, 10000));
    close(deaf);
    EXPECT_EQ(Request(good, ask), answer);

    // A thousand connections: those over the limit are closed at once, the
    // client already there is served throughout, and the slots come back.
    std::vector<int> crowd;
    for (int i = 0; i < 1000; ++i) {
      int fd = Connect(true);
      if (fd >= 0) crowd.push_back(fd);
      if (i % 100 == 0) {
        ASSERT_EQ(Request(good, ask), answer) << i;
      }
    }
    EXPECT_EQ(crowd.size(), 1000u);
    EXPECT_EQ(Request(good, ask), answer);
    for (int fd : crowd) close(fd);
    std::this_thread::sleep_for(milliseconds(500));
    int later = Connect();
    EXPECT_EQ(Request(later, "LIST UPS\n", 3).rfind("BEGIN LIST UPS\nUPS estacao1 ", 0), 0u);
    EXPECT_EQ(Request(later, "LOGOUT\n"), "OK Goodbye\n");
    EXPECT_TRUE(ClosedByPeer(later));
    close(later);
    close(good);
  });
}

// NUT's own upsd (with the dummy-ups driver serving a UPS of the same name
// and status) and vigil-nut asked the same things on the same loopback:
// where the answer does not hang on the UPS's data, the bytes are the same.
TEST_F(NutGatewayTest, AnswersAsUpsdDoes) {
  gateway_.Write("nut/estacao1.dev", "ups.status: OB\nbattery.charge: 98\ndevice.mfr: Tessaly\n");
  gateway_.Write("nut/ups.conf", "[estacao1]\n  driver = dummy-ups\n  port = /usr/local/nut/estacao1.dev\n");
  gateway_.Write("nut/upsd.conf", "LISTEN 127.0.0.1 3494\n");
  gateway_.Write("nut/upsd.users", "[monuser]\n  password = s3cret-pass\n  upsmon secondary\n");
  CommandResult r = gateway_.Run(
      "cd /usr/local/nut && chmod 600 ups.conf upsd.conf upsd.users && export NUT_CONFPATH=/usr/local/nut && "
      "/lib/nut/dummy-ups -a estacao1 -u root >dummy.log 2>&1 && /lib/nut/upsd -u root >upsd.log 2>&1");
  ASSERT_EQ(r.status, 0) << r.err << gateway_.Read("nut/dummy.log") << gateway_.Read("nut/upsd.log");
  StartGateway(gateway_);
  server_.Run(VIGIL_DGRAM_BIN " send 255.255.255.255 500 0 estacao1 1 0 0 0 0 600 600 590 10 >/dev/null 2>&1 &");
  ASSERT_TRUE(StatusBecomes("estacao1", "OB", 5000));
  ASSERT_TRUE(WaitUntil([&] { return Upsc(gateway_, "estacao1@127.0.0.1:3494 ups.status") == "OB\n"; }, 10000));

  // Each connection's requests in turn; one reply line each.
  const std::vector<std::vector<std::string>> connections = {
      {"GET VAR estacao1 ups.status", "get var ESTACAO1 UPS.STATUS", "GET VAR nada ups.status",
       "GET VAR estacao1 input.voltage", "GET VAR estacao1", "GET", "GET FOO a b", "GET TRACKING", "LIST", "LIST VAR",
       "LIST ENUM estacao1", "LIST RANGE estacao1 nada", "LIST VAR nada", "GET DESC estacao1 battery.charge",
       "GET DESC estacao1 device.mfr", "GET NUMLOGINS nada", "NETVER", "HELP", "VER x", "STARTTLS", "FROB", "",
       "LOGIN estacao1", "FSD estacao1", "SET VAR estacao1 ups.status OL", "INSTCMD estacao1 load.off",
       "USERNAME monuser", "USERNAME other", "LOGIN estacao1", "PASSWORD wrong", "PASSWORD again",
       "LOGIN estacao1", "LOGOUT"},
      {"USERNAME monuser", "PASSWORD s3cret-pass", "LOGIN nada", "LOGIN estacao1", "LOGIN estacao1",
       "GET NUMLOGINS estacao1", "FSD estacao1", "FSD nada", "PRIMARY estacao1", "SET VAR estacao1 ups.status OL",
       "SET VAR estacao1", "INSTCMD estacao1", "LOGOUT x", "LOGOUT"},
  };
  // Left out: an INSTCMD of a logged-in user, which vigil-nut refuses as
  // upsd refuses a user without the right (ERR ACCESS-DENIED), where upsd
  // first tells whether the UPS has that command.
  InNetns(lan_.second(), [&] {
    for (const auto& requests : connections) {
      int upsd = Connect(false, 3494), gateway = Connect(false, 3493);
      ASSERT_GE(upsd, 0);
      ASSERT_GE(gateway, 0);
      for (const std::string& request : requests) {
        std::string mine = Request(gateway, request + "\n"), theirs = Request(upsd, request + "\n");
        EXPECT_FALSE(mine.empty()) << request;
        EXPECT_EQ(mine, theirs) << request;
      }
      close(upsd);
      close(gateway);
    }
  });
}

TEST_F(NutGatewayTest, WithAKeyOnlyDatagramsSignedWithItAreBelievedAndEachRefusalIsToldOnce) {
  StartGateway(gateway_, std::string(kGatewayConf) + "KEY \"" + kNetKey + "\"\n");
  const std::string outage = PlainHex("estacao1", 1, 0);
  for (int i = 0; i < 3; ++i) {
    SendHex(server_, outage);
    SendHex(server_, SignedHex(outage, "outra chave"));
  }
  std::this_thread::sleep_for(milliseconds(500));
  EXPECT_EQ(Upsc(gateway_, "-l 127.0.0.1"), "") << "an unsigned or foreign datagram makes no station";

  SendHex(server_, SignedHex(outage, kNetKey));
  ASSERT_TRUE(WaitUntil([&] { return Upsc(gateway_, "-l 127.0.0.1") == "estacao1\n"; }, 8000));
  EXPECT_EQ(UpsStatus(gateway_, "estacao1"), "OB");
  std::string log = gateway_.Read("nut/gateway.log");
  auto count = [&log](const std::string& text) {
    size_t n = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("Datagrama sem assinatura recusado"), 1u) << log;
  EXPECT_EQ(count("Datagrama com assinatura invalida recusado"), 1u) << log;
}

TEST(NutGateway, RefusesAConfigurationOthersMayRead) {
  Sandbox box;
  box.Write("nut.conf", "USER monuser secret\n");
  CommandResult r = box.Run("chmod 644 /usr/local/nut.conf && " VIGIL_NUT_BIN " -c /usr/local/nut.conf");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("0600"), std::string::npos) << r.err;
  r = box.Run(VIGIL_NUT_BIN " -c /usr/local/missing.conf");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("/usr/local/missing.conf"), std::string::npos) << r.err;
}

}  // namespace
