// alerter with the network's key ("Seguranca" \ "Net Key") beside vigil20
// with its line 18, on one LAN of network namespaces: a keyed alerter
// client follows a keyed vigil20 server and refuses forged and replayed
// datagrams, telling each station and reason once; a keyed vigil20
// receiver follows a keyed alerter server.
#include <gtest/gtest.h>

#include <thread>

#include "alerter_fixture.h"
#include "daemon_fixture.h"
#include "lan_fixture.h"
#include "signed_lan.h"

namespace {

using Events = std::vector<int32_t>;

void AlerterKey(const Sandbox& box, const std::string& key) {
  CommandResult r = box.Run("VIGIL20_HOST_ROOT=/usr/local/root " VIGIL_REG_BIN
                            " add 'HKLM\\Software\\Tessaly\\Vigil 2.0\\Seguranca' /v 'Net Key' /t REG_SZ /d '" +
                            key + "' /f");
  ASSERT_EQ(r.status, 0) << r.err;
}

// alerter in the background, its process number kept so that the test can
// stop it; `prefix` goes before the command (libfaketime).
void StartAlerterKept(const Sandbox& box, const std::string& prefix = "") {
  box.Run(prefix + " VIGIL20_HOST_ROOT=/usr/local/root VIGIL20_SIMLINES=/usr/local/alines "
                   "VIGIL20_POWEROFF=/usr/local/sbin/poweroff " ALERTER_BIN
                   " -normal >> /usr/local/alerter.log 2>&1 & echo $! > /usr/local/alerter.pid");
}

bool StopAlerterKept(const Sandbox& box) {
  box.Run("kill $(cat /usr/local/alerter.pid)");
  return WaitUntil([&] { return box.Run("kill -0 $(cat /usr/local/alerter.pid) 2>/dev/null").status != 0; }, 10000);
}

class AlerterSignedLanTest : public TwoStationsTest {
 protected:
  void TearDown() override {
    TwoStationsTest::TearDown();
    for (const Sandbox* box : {&first_, &second_})
      if (!box->Read("alerter.pid").empty()) StopAlerterKept(*box);
  }
};

TEST_F(AlerterSignedLanTest, AKeyedClientFollowsAKeyedVigil20ServerAndRefusesForgedAndReplayedDatagrams) {
  const Sandbox& server = first_;
  const Sandbox& client = second_;
  std::vector<std::string> conf = LocalConf();
  conf.push_back("Chave da rede = " + kNetKey);
  server.WriteConf(conf);
  Lines(server, "set DSR CTS RI");
  AlerterClientOf(client, "ESTACAO1");
  AlerterKey(client, kNetKey);
  StartAlerterKept(client);
  ASSERT_TRUE(WaitUntil([&] { return AskPipeIn(client).size() == 216; }, 10000));
  ASSERT_EQ(StartDaemon(server).status, 0);
  ASSERT_TRUE(WaitUntil([&] { return Field(AskPipeIn(client), 64) == 600; }, 8000));
  server.Run(VIGIL_DGRAM_BIN " record /usr/local/recorded-datagrams >/dev/null 2>&1 &");

  Lines(server, "drop DSR");
  ASSERT_TRUE(WaitUntil([&] { return AlerterEvents(client) == Events{1}; }, 8000));
  std::string outage;
  ASSERT_TRUE(WaitUntil(
      [&] {
        std::string recorded = server.Read("recorded-datagrams");
        size_t at = recorded.find("4fd30301001c01");  // the power failure flag set
        if (at == std::string::npos) return false;
        outage = recorded.substr(at, recorded.find('\n', at) - at);
        return true;
      },
      8000));
  Lines(server, "raise DSR");
  ASSERT_TRUE(WaitUntil([&] { return AlerterEvents(client) == (Events{1, 2}); }, 8000));

  // Forged critical batteries under the server's name, and the recorded
  // outage sent again after the mains returned; each twice.
  const std::string critical = PlainHex("estacao1", 1, 1);
  const std::string good = SignedHex(critical, kNetKey);
  const std::vector<std::string> forged = {critical, SignedHex(critical, "outra chave"),
                                           Flipped(good, good.size() / 2 - 1), Flipped(good, 7, 0x80),
                                           good.substr(0, good.size() - 2), outage};
  for (int round = 0; round < 2; ++round)
    for (const auto& hex : forged) SendHex(server, hex);
  ASSERT_TRUE(WaitUntil([&] { return CountIn(client.Read("alerter.log"), "recusada: Datagrama repetido recusado") == 1; },
                        5000));
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  std::string debug = client.Read("alerter.log");
  for (const char* reason : {"Datagrama sem assinatura recusado", "Datagrama com assinatura invalida recusado",
                             "Datagrama com assinatura incompleta recusado", "Datagrama repetido recusado"})
    EXPECT_EQ(CountIn(debug, std::string("o de estacao1 recusada: ") + reason + "\n"), 1) << reason;
  // One event 12 ("Aviso de rede rejeitado") per station and reason.
  EXPECT_EQ(AlerterEvents(client), (Events{1, 2, 12, 12, 12, 12}));
  EXPECT_EQ(Field(AskPipeIn(client), 40), 0);  // batteryCritical
  EXPECT_EQ(Field(AskPipeIn(client), 44), 0);  // powerFailure

  // And after the client restarted, more than 5 minutes later by its clock.
  ASSERT_EQ(Vigil(server, "stop").status, 0);
  ASSERT_TRUE(StopAlerterKept(client));
  client.Write("faketime", "+6m\n");
  StartAlerterKept(client, "ASAN_OPTIONS=verify_asan_link_order=0 LD_PRELOAD=" FAKETIME_LIB
                           " FAKETIME_TIMESTAMP_FILE=/usr/local/faketime FAKETIME_NO_CACHE=1"
                           " FAKETIME_DONT_FAKE_MONOTONIC=1");
  ASSERT_TRUE(WaitUntil([&] { return AskPipeIn(client).size() == 216; }, 10000));
  SendHex(server, outage);
  SendHex(server, outage);
  ASSERT_TRUE(WaitUntil(
      [&] {
        return CountIn(client.Read("alerter.log"),
                       "o de estacao1 recusada: Datagrama fora da janela de 5 minutos do relogio recusado\n") == 1;
      },
      5000));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_EQ(Field(AskPipeIn(client), 44), 0);
  EXPECT_EQ(CountIn(client.Read("alerter.log"), "fora da janela"), 1);
  EXPECT_EQ(client.Read("recorded"), "");  // nothing shut down
}

TEST_F(AlerterSignedLanTest, AKeyedVigil20ReceiverFollowsAKeyedAlerterServer) {
  const Sandbox& server = first_;
  const Sandbox& receiver = second_;
  AlerterServerOnLine(server);
  AlerterKey(server, kNetKey);
  std::vector<std::string> conf = LocalConf({{7, "Nobreak ligado a este computador (sim/nao) = nao"},
                                             {9, "Enviar o estado pela rede (sim/nao) = nao"},
                                             {10, "Nome desta estacao = receptor"},
                                             {11, "Receber o estado pela rede (sim/nao) = sim"},
                                             {12, "Aceitar qualquer servidor (sim/nao) = nao"},
                                             {13, "Servidor aceito = posto7.exemplo.com.br"}});
  conf.push_back("Chave da rede = " + kNetKey);
  receiver.WriteConf(conf);
  ASSERT_EQ(StartDaemon(receiver).status, 0);
  StartAlerterKept(server);
  ASSERT_TRUE(WaitUntil([&] { return Peek(receiver).name == "posto7.exemplo.com.br"; }, 10000));
  AlerterLines(server, "drop DSR");
  ASSERT_TRUE(WaitForLog(receiver, "--> posto7.exemplo.com.br: Falta de Rede\n", 5000));
  AlerterLines(server, "raise DSR");
  ASSERT_TRUE(WaitForLog(receiver, "--> posto7.exemplo.com.br: Retorno da rede\n", 5000));
  EXPECT_EQ(LogText(receiver).find("recusado"), std::string::npos);
  // The status record holds the signed datagram last sent: 41 bytes and the trailer.
  std::string reply = AskPipeIn(server);
  ASSERT_EQ(reply.size(), 216u);
  EXPECT_EQ(reply.substr(88 + 41, 4), "VSG1");
}

}  // namespace
