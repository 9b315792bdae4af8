// vigil20 stations with the network's key (line 18) on one LAN of network
// namespaces: they follow each other; forged and replayed datagrams are
// refused, reported once per station and reason; keyed and unkeyed
// stations meet as the key allows; the 5-minute clock rule.
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

#include "daemon_fixture.h"
#include "signed_lan.h"

namespace {

using std::chrono::milliseconds;

const std::string kKeyLine = "Chave da rede = " + kNetKey;

std::vector<std::string> Keyed(std::vector<std::string> lines, const std::string& keyLine = kKeyLine) {
  lines.push_back(keyLine);
  return lines;
}

std::vector<std::string> ReceiverConf() {
  return LocalConf({{7, "Nobreak ligado a este computador (sim/nao) = nao"},
                    {9, "Enviar o estado pela rede (sim/nao) = nao"},
                    {10, "Nome desta estacao = receptor"},
                    {11, "Receber o estado pela rede (sim/nao) = sim"},
                    {12, "Aceitar qualquer servidor (sim/nao) = nao"},
                    {13, "Servidor aceito = estacao1"}});
}

// The receiver's dynamic build under libfaketime, its clock moved by the
// offset in /usr/local/faketime.
CommandResult StartShifted(const Sandbox& box, const std::string& offset) {
  box.Write("faketime", offset + "\n");
  return box.Run("ASAN_OPTIONS=verify_asan_link_order=0 LD_PRELOAD=" FAKETIME_LIB
                 " FAKETIME_TIMESTAMP_FILE=/usr/local/faketime FAKETIME_NO_CACHE=1"
                 " FAKETIME_DONT_FAKE_MONOTONIC=1 VIGIL20_SIMLINES=/usr/local/lines " VIGIL20_DYNAMIC_BIN);
}

class SignedLanTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (HasFailure())
      std::printf("server log:\n%s\nreceiver log:\n%s\n", LogText(server_).c_str(), LogText(receiver_).c_str());
  }
  VethLan lan_;
  Sandbox server_{In(lan_.first())};
  Sandbox receiver_{In(lan_.second())};
};

TEST_F(SignedLanTest, KeyedStationsFollowEachOtherAndRefuseForgedAndReplayedDatagrams) {
  server_.WriteConf(Keyed(LocalConf()));
  Lines(server_, "set DSR CTS RI");
  receiver_.WriteConf(Keyed(ReceiverConf()));
  ASSERT_EQ(StartDaemon(receiver_).status, 0);
  ASSERT_EQ(StartDaemon(server_).status, 0);
  ASSERT_TRUE(WaitUntil([&] { return Peek(receiver_).name == "estacao1"; }, 8000));
  // The server's own broadcasts, recorded whole beside it.
  server_.Run(VIGIL_DGRAM_BIN " record /usr/local/recorded-datagrams >/dev/null 2>&1 &");

  // Forgeries of a critical battery under the server's name, each sent twice.
  const std::string critical = PlainHex("estacao1", 1, 1);
  const std::string good = SignedHex(critical, kNetKey);
  ASSERT_EQ(good.size(), (28u + 28u) * 2);
  const std::vector<std::pair<std::string, std::string>> forgeries = {
      {critical, "Datagrama sem assinatura recusado"},
      {SignedHex(critical, "outra chave"), "Datagrama com assinatura invalida recusado"},
      {Flipped(good, good.size() / 2 - 1), "Datagrama com assinatura invalida recusado"},  // the MAC
      {Flipped(SignedHex(PlainHex("estacao1", 0, 0), kNetKey), 7), "Datagrama com assinatura invalida recusado"},
      {Flipped(good, 15, 0x80), "Datagrama com assinatura invalida recusado"},  // a figure
      {good.substr(0, good.size() - 10), "Datagrama com assinatura incompleta recusado"},
  };
  for (int round = 0; round < 2; ++round)
    for (const auto& forged : forgeries) SendHex(server_, forged.first);
  ASSERT_TRUE(WaitForLog(receiver_, "--> estacao1: Datagrama com assinatura incompleta recusado\n", 3000));
  std::this_thread::sleep_for(milliseconds(500));
  std::string log = LogText(receiver_);
  EXPECT_EQ(CountOf(log, "--> estacao1: Datagrama sem assinatura recusado\n"), 1);
  EXPECT_EQ(CountOf(log, "--> estacao1: Datagrama com assinatura invalida recusado\n"), 1);
  EXPECT_EQ(CountOf(log, "--> estacao1: Datagrama com assinatura incompleta recusado\n"), 1);
  EXPECT_EQ(log.find("Bateria em nivel critico"), std::string::npos);
  EXPECT_EQ(log.find("Falta de Rede"), std::string::npos);
  EXPECT_EQ(Peek(receiver_).bl, 0);
  // On the console too, where the log's lines go.
  EXPECT_NE(receiver_.Read("console").find("--> estacao1: Datagrama sem assinatura recusado\n"), std::string::npos);

  // A real outage, recorded, then sent again after the mains returned.
  Lines(server_, "drop DSR");
  ASSERT_TRUE(WaitForLog(receiver_, "--> estacao1: Falta de Rede\n", 5000));
  std::string outage;
  ASSERT_TRUE(WaitUntil(
      [&] {
        std::string recorded = server_.Read("recorded-datagrams");
        // The last recorded line with the power failure flag (byte 6).
        size_t end = recorded.rfind('\n');
        while (end != std::string::npos && end > 0) {
          size_t start = recorded.rfind('\n', end - 1);
          std::string line = recorded.substr(start == std::string::npos ? 0 : start + 1,
                                             end - (start == std::string::npos ? 0 : start + 1));
          if (line.size() > 14 && line.substr(12, 2) == "01") {
            outage = line;
            return true;
          }
          if (start == std::string::npos) break;
          end = start;
        }
        return false;
      },
      3000));
  ASSERT_EQ(outage.size(), (28u + 28u) * 2) << outage;
  Lines(server_, "raise DSR");
  ASSERT_TRUE(WaitForLog(receiver_, "--> estacao1: Retorno da rede\n", 5000));
  SendHex(server_, outage);
  SendHex(server_, outage);
  ASSERT_TRUE(WaitForLog(receiver_, "--> estacao1: Datagrama repetido recusado\n", 3000));

  // Again after the receiver restarted (its table of stations empty), more
  // than 5 minutes later by its clock: refused for its age.
  ASSERT_EQ(Vigil(server_, "stop").status, 0);
  ASSERT_EQ(Vigil(receiver_, "stop").status, 0);
  ASSERT_EQ(StartShifted(receiver_, "+6m").status, 0);
  SendHex(server_, outage);
  SendHex(server_, outage);
  ASSERT_TRUE(WaitForLog(receiver_, "--> estacao1: Datagrama fora da janela de 5 minutos do relogio recusado\n", 3000));
  std::this_thread::sleep_for(milliseconds(500));
  log = LogText(receiver_);
  EXPECT_EQ(CountOf(log, "Falta de Rede"), 1);
  EXPECT_EQ(CountOf(log, "Datagrama repetido recusado"), 1);
  EXPECT_EQ(CountOf(log, "Datagrama fora da janela de 5 minutos do relogio recusado"), 1);
  EXPECT_EQ(Peek(receiver_).pf, 0);
  EXPECT_EQ(receiver_.Read("recorded"), "");  // nothing shut down
  EXPECT_EQ(server_.Read("recorded"), "");
}

TEST_F(SignedLanTest, UnkeyedReceiverFollowsAKeyedServerAndKeyedOneIgnoresAnUnkeyedServer) {
  server_.WriteConf(Keyed(LocalConf()));
  Lines(server_, "set DSR CTS RI");
  receiver_.WriteConf(ReceiverConf());
  ASSERT_EQ(StartDaemon(receiver_).status, 0);
  ASSERT_EQ(StartDaemon(server_).status, 0);
  Lines(server_, "drop DSR");
  ASSERT_TRUE(WaitForLog(receiver_, "--> estacao1: Falta de Rede\n", 8000));
  Lines(server_, "raise DSR");
  ASSERT_TRUE(WaitForLog(receiver_, "--> estacao1: Retorno da rede\n", 5000));

  // The other way: an empty key line is no key.
  ASSERT_EQ(Vigil(server_, "stop").status, 0);
  ASSERT_EQ(Vigil(receiver_, "stop").status, 0);
  server_.WriteConf(Keyed(LocalConf(), "Chave da rede = "));
  receiver_.WriteConf(Keyed(ReceiverConf()));
  ASSERT_EQ(StartDaemon(receiver_).status, 0);
  ASSERT_EQ(StartDaemon(server_).status, 0);
  Lines(server_, "drop DSR");
  ASSERT_TRUE(WaitForLog(receiver_, "--> estacao1: Datagrama sem assinatura recusado\n", 8000));
  // Two more datagrams at least (one at once on the change, then every 5 s).
  std::this_thread::sleep_for(milliseconds(6000));
  std::string log = LogText(receiver_);
  EXPECT_EQ(CountOf(log, "Datagrama sem assinatura recusado"), 1);
  EXPECT_EQ(CountOf(log, "Falta de Rede"), 1);  // only the first run's
}

TEST_F(SignedLanTest, ASenderTenMinutesAheadIsRefused) {
  server_.WriteConf(Keyed(LocalConf()));
  Lines(server_, "set DSR CTS RI");
  receiver_.WriteConf(Keyed(ReceiverConf()));
  ASSERT_EQ(StartDaemon(receiver_).status, 0);
  ASSERT_EQ(StartShifted(server_, "+10m").status, 0);
  Lines(server_, "drop DSR");
  ASSERT_TRUE(
      WaitForLog(receiver_, "--> estacao1: Datagrama fora da janela de 5 minutos do relogio recusado\n", 8000));
  std::this_thread::sleep_for(milliseconds(5500));
  std::string log = LogText(receiver_);
  EXPECT_EQ(CountOf(log, "Datagrama fora da janela"), 1);
  EXPECT_EQ(log.find("Falta de Rede"), std::string::npos);
}

}  // namespace
