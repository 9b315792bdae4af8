// alerter and vigil20 on one LAN (network namespaces joined by veth), both
// ways by the one datagram: an alerter client following a vigil20 server,
// a vigil20 receiver following an alerter server; and the alerter server's
// own sending.
#include <gtest/gtest.h>

#include <cstdlib>

#include "alerter_fixture.h"
#include "daemon_fixture.h"
#include "lan_fixture.h"

namespace {

using Events = std::vector<int32_t>;

using AlerterLanTest = TwoStationsTest;

TEST_F(AlerterLanTest, AnAlerterClientFollowsAVigil20ServerAndNoticesItsSilence) {
  const Sandbox& server = first_;
  const Sandbox& client = second_;
  server.WriteConf(LocalConf());
  Lines(server, "set DSR CTS RI");
  AlerterClientOf(client, "ESTACAO1");
  AlerterSetting(client, "BadServerDelay", 8);  // the server repeats every 5 s
  StartAlerter(client);
  ASSERT_TRUE(WaitUntil([&] { return AskPipeIn(client).size() == 216; }, 10000));
  ASSERT_EQ(StartDaemon(server).status, 0);
  ASSERT_TRUE(WaitUntil([&] { return Field(AskPipeIn(client), 64) == 600; }, 8000));  // the server's figures

  Lines(server, "drop DSR");
  ASSERT_TRUE(WaitUntil([&] { return AlerterEvents(client) == Events{1}; }, 8000));
  Lines(server, "raise DSR");
  ASSERT_TRUE(WaitUntil([&] { return AlerterEvents(client) == (Events{1, 2}); }, 8000));

  // Silence: the server is lost, without an event; its return clears it.
  ASSERT_EQ(Vigil(server, "stop").status, 0);
  ASSERT_TRUE(WaitUntil([&] { return Field(AskPipeIn(client), 56) == 1; }, 20000));
  ASSERT_EQ(StartDaemon(server).status, 0);
  ASSERT_TRUE(WaitUntil([&] { return Field(AskPipeIn(client), 56) == 0; }, 10000));
  EXPECT_EQ(AlerterEvents(client), (Events{1, 2}));
}

TEST_F(AlerterLanTest, AVigil20ReceiverFollowsAnAlerterServer) {
  const Sandbox& server = first_;
  const Sandbox& receiver = second_;
  AlerterServerOnLine(server);
  receiver.WriteConf(LocalConf({{7, "Nobreak ligado a este computador (sim/nao) = nao"},
                                {9, "Enviar o estado pela rede (sim/nao) = nao"},
                                {10, "Nome desta estacao = receptor"},
                                {11, "Receber o estado pela rede (sim/nao) = sim"},
                                {12, "Aceitar qualquer servidor (sim/nao) = nao"},
                                {13, "Servidor aceito = posto7.exemplo.com.br"}}));
  ASSERT_EQ(StartDaemon(receiver).status, 0);
  StartAlerter(server);
  ASSERT_TRUE(WaitUntil([&] { return Peek(receiver).name == "posto7.exemplo.com.br"; }, 10000));

  AlerterLines(server, "drop DSR");
  ASSERT_TRUE(WaitForLog(receiver, "--> posto7.exemplo.com.br: Falta de Rede\n", 5000));
  AlerterLines(server, "raise DSR");
  ASSERT_TRUE(WaitForLog(receiver, "--> posto7.exemplo.com.br: Retorno da rede\n", 5000));
  EXPECT_EQ(AlerterEvents(server), (Events{1, 2}));
}

TEST_F(AlerterLanTest, TheServerNotifiesOnItsFirstTickAndRepeatsAfterTheDelay) {
  const Sandbox& server = first_;
  const Sandbox& peer = second_;
  AlerterLines(server, "set DSR CTS RI");
  AlerterSetting(server, "ComPort", 1);
  AlerterSetting(server, "Net Mode", 4);
  AlerterSetting(server, "Interval", 100);
  AlerterSetting(server, "BroadcastDelay", 1);
  ListenForDatagrams(peer);
  StartAlerter(server);
  ASSERT_TRUE(WaitUntil([&] { return Datagrams(peer).size() >= 3; }, 10000));
  auto seen = Datagrams(peer);
  EXPECT_EQ(seen[0].size, 20 + 21);
  EXPECT_EQ(seen[0].pf + seen[0].bl + seen[0].bp + seen[0].cf + seen[0].ao, 0);
  EXPECT_EQ(seen[0].total, 900);
  EXPECT_EQ(seen[0].left, 900);
  EXPECT_EQ(seen[0].name, "posto7.exemplo.com.br");
  // Repeats wait for the delay, counted in whole seconds (so the first may
  // come early in the second the program started in).
  EXPECT_GE(seen[2].at_ms - seen[1].at_ms, 500);
  // The status record holds the last datagram sent and the name it carried.
  std::string reply = AskPipeIn(server);
  EXPECT_EQ(reply.substr(8, 22), std::string("posto7.exemplo.com.br") + '\0');
  EXPECT_EQ(static_cast<unsigned char>(reply[88]), 0x4F);
  EXPECT_EQ(static_cast<unsigned char>(reply[88 + 19]), 21);
}

TEST(AlerterNetwork, WithoutItsOwnAddressTheServerDoesNotStart) {
  Sandbox box;
  PrivateNames(box, "127.0.0.1 localhost\n");
  AlerterLines(box, "set DSR CTS RI");
  AlerterSetting(box, "ComPort", 1);
  AlerterSetting(box, "Net Mode", 4);
  CommandResult result = box.Run(
      "VIGIL20_HOST_ROOT=/usr/local/root VIGIL20_SIMLINES=/usr/local/alines VIGIL20_POWEROFF=/usr/local/sbin/poweroff " ALERTER_BIN
      " -normal");
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("Alerta: N\u00e3o foi poss\u00edvel abrir a conex\u00e3o de rede para sinaliza\u00e7\u00e3o remota."),
            std::string::npos)
      << result.err;
}

TEST(AlerterNetwork, AListenerWhosePortIsTakenDoesNotStart) {
  Sandbox box;
  PrivateNames(box, "127.0.0.1 localhost\n");
  // A program that keeps the port to itself (the Vigil programs share it).
  box.Run(VIGIL_DGRAM_BIN " hold >/dev/null 2>&1 &");
  ASSERT_TRUE(WaitUntil([&] { return box.Run("grep -q ':0A58 ' /proc/net/udp").status == 0; }, 3000));
  AlerterSetting(box, "ComMode", 2);
  AlerterSetting(box, "Net Mode", 5);
  CommandResult result = box.Run("VIGIL20_HOST_ROOT=/usr/local/root VIGIL20_POWEROFF=/usr/local/sbin/poweroff " ALERTER_BIN " -normal");
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("The specified address is already in use\n"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("Alerta: N\u00e3o foi poss\u00edvel abrir a conex\u00e3o de rede.\nUma inst\u00e2ncia do "
                            "servi\u00e7o pode j\u00e1 estar rodando."),
            std::string::npos);
}

}  // namespace
