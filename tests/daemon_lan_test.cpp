// Two stations on one LAN (network namespaces joined by veth): a server
// broadcasting its UPS state and a receiver acting on it.
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

#include "daemon_fixture.h"

namespace {

using std::chrono::milliseconds;

std::vector<std::string> ReceiverConf(const std::string& server, bool accept_any) {
  return LocalConf({{7, "Nobreak ligado a este computador (sim/nao) = nao"},
                    {9, "Enviar o estado pela rede (sim/nao) = nao"},
                    {10, "Nome desta estacao = receptor"},
                    {11, "Receber o estado pela rede (sim/nao) = sim"},
                    {12, std::string("Aceitar qualquer servidor (sim/nao) = ") + (accept_any ? "sim" : "nao")},
                    {13, "Servidor aceito = " + server}});
}

// A stand-in server sending one notification a second from `box`.
void Broadcast(const Sandbox& box, const std::string& name, const std::string& flags) {
  box.Run(VIGIL_DGRAM_BIN " send 255.255.255.255 1000 0 " + name + " " + flags +
          " 600 600 590 10 >/dev/null 2>&1 &");
}

class LanTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (HasFailure())
      std::printf("receiver log:\n%s\nreceiver console:\n%s\n", LogText(receiver_).c_str(),
                  receiver_.Read("console").c_str());
  }
  VethLan lan_;
  Sandbox server_{In(lan_.first())};
  Sandbox receiver_{In(lan_.second())};
};

TEST_F(LanTest, ReceiverFollowsARealServerAndNoticesItsSilence) {
  server_.WriteConf(LocalConf());
  Lines(server_, "set DSR CTS RI");
  receiver_.WriteConf(ReceiverConf("estacao1", false));
  ASSERT_EQ(StartDaemon(receiver_).status, 0);
  ASSERT_EQ(StartDaemon(server_).status, 0);
  ASSERT_TRUE(WaitUntil([&] { return Peek(receiver_).name == "estacao1"; }, 3000));

  Lines(server_, "drop DSR");
  ASSERT_TRUE(WaitForLog(receiver_, "--> estacao1: Falta de Rede\n", 3000));
  // The receiver shows the server's figures on its own console.
  ASSERT_TRUE(WaitUntil([&] { return receiver_.Read("console").find("--> estacao1: Autonomia = 10 (") != std::string::npos; },
                        2000));
  Lines(server_, "raise DSR");
  ASSERT_TRUE(WaitForLog(receiver_, "--> estacao1: Retorno da rede\n", 3000));

  // The server goes silent: lost after 30 seconds, announced once.
  ASSERT_EQ(Vigil(server_, "stop").status, 0);
  auto silent = std::chrono::steady_clock::now();
  ASSERT_TRUE(WaitForLog(receiver_, "Problemas na comunicacao. Verifique o cabo serial\n", 45000));
  auto waited = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - silent).count();
  EXPECT_GE(waited, 24);  // the last datagram may have come up to 5 s before the stop

  ASSERT_EQ(StartDaemon(server_).status, 0);
  ASSERT_TRUE(WaitForLog(receiver_, "Comunicacao Ok\n", 8000));
  EXPECT_EQ(CountOf(LogText(receiver_), "Problemas na comunicacao"), 1);
}

TEST_F(LanTest, NamesAreCaseSensitiveUnlessAnyServerIsAccepted) {
  receiver_.WriteConf(ReceiverConf("servidor", false));
  ASSERT_EQ(StartDaemon(receiver_).status, 0);
  Broadcast(server_, "Servidor", "1 0 0 0 0");
  ASSERT_TRUE(WaitForLog(receiver_, "--> servidor: Problemas na comunicacao. Verifique o cabo serial\n", 45000));
  EXPECT_EQ(LogText(receiver_).find("Falta de Rede"), std::string::npos);

  ASSERT_EQ(Vigil(receiver_, "stop").status, 0);
  receiver_.WriteConf(ReceiverConf("servidor", true));
  ASSERT_EQ(StartDaemon(receiver_).status, 0);
  ASSERT_TRUE(WaitForLog(receiver_, "--> Servidor: Falta de Rede\n", 5000));
}

TEST_F(LanTest, OnlyWholeNotificationsAreTaken) {
  receiver_.WriteConf(ReceiverConf("x", true));
  ASSERT_EQ(StartDaemon(receiver_).status, 0);
  // A power failure behind a wrong header, and a notification cut short.
  const std::string figures = "0258" "0258" "024e" "0000";
  const std::string servidor = "08" "7365727669646f72";
  server_.Run(VIGIL_DGRAM_BIN " raw 255.255.255.255 4fd30302" "001c" "0100000000" + figures + servidor);
  server_.Run(VIGIL_DGRAM_BIN " raw 255.255.255.255 4fd30301" "001c" "0100000000" "0258");
  std::this_thread::sleep_for(milliseconds(1500));
  EXPECT_EQ(LogText(receiver_), "");
  EXPECT_EQ(Peek(receiver_).pf, 0);

  // A length byte claiming 200 name bytes, 40 of them sent: 32 are taken.
  std::string forty_a;
  for (int i = 0; i < 40; ++i) forty_a += "41";
  server_.Run(VIGIL_DGRAM_BIN " raw 255.255.255.255 4fd30301" "003c" "0100000000" + figures + "c8" + forty_a);
  ASSERT_TRUE(WaitForLog(receiver_, "--> " + std::string(32, 'A') + ": Falta de Rede\n", 3000));
  EXPECT_EQ(Peek(receiver_).name, std::string(32, 'A'));
}

TEST_F(LanTest, ReceiverShutsItsOwnComputerDownOnAReceivedCriticalBattery) {
  receiver_.WriteConf(ReceiverConf("servidor", false));
  ASSERT_EQ(StartDaemon(receiver_).status, 0);
  Broadcast(server_, "servidor", "1 1 0 0 0");
  ASSERT_TRUE(WaitForLog(receiver_, "--> servidor: Desligamento iniciado\n", 5000));
  std::string log = LogText(receiver_);
  EXPECT_LT(log.find("--> servidor: Bateria em nivel critico\n"), log.find("Desligamento iniciado"));
  EXPECT_TRUE(WaitForRecorded(receiver_, "/sbin/poweroff \n")) << receiver_.Read("recorded");
  EXPECT_EQ(server_.Read("recorded"), "");
  EXPECT_TRUE(WaitUntil([&] { return receiver_.DaemonWorker() == 0; }, 3000));
}

// The lines of a configuration as a Windows editor saves them.
std::string WithCrlf(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

TEST_F(LanTest, AReceiverWithItsOwnUpsActsOnItsOwnEndOfAutonomy) {
  server_.WriteConf(LocalConf({{1, "Autonomia em minutos = 60"}}));
  Lines(server_, "set DSR CTS RI");
  // One minute of its own battery, and the server's name saved with CRLF.
  auto conf = ReceiverConf("estacao1", false);
  conf[0] = "Autonomia em minutos = 1";
  conf[6] = "Nobreak ligado a este computador (sim/nao) = sim";
  receiver_.Write("vigil20/vigil20.conf", WithCrlf(conf));
  ASSERT_EQ(StartDaemon(receiver_).status, 0);
  ASSERT_EQ(StartDaemon(server_).status, 0);

  Lines(server_, "drop DSR");
  ASSERT_TRUE(WaitForLog(receiver_, "--> estacao1: Falta de Rede\n", 8000));
  // The server still has most of its hour; the receiver's own minute ends.
  ASSERT_TRUE(WaitForLog(receiver_, "--> estacao1: Termino da autonomia prevista\n", 75000));
  ASSERT_TRUE(WaitForLog(receiver_, "--> estacao1: Desligamento iniciado\n", 3000));
  EXPECT_TRUE(WaitForRecorded(receiver_, "/sbin/poweroff \n")) << receiver_.Read("recorded");
  EXPECT_EQ(server_.Read("recorded"), "");
  EXPECT_EQ(Peek(server_).ao, 0);
}

TEST_F(LanTest, TheFirstDatagramAfterASilenceIsActedOn) {
  receiver_.WriteConf(ReceiverConf("x", true));
  ASSERT_EQ(StartDaemon(receiver_).status, 0);
  // A name with a newline cannot forge a log line.
  const std::string figures = "0258" "0258" "024e" "000a";
  const std::string forged = "0c" "7372760a466f726a61646f21";  // "srv\nForjado!"
  server_.Run(VIGIL_DGRAM_BIN " raw 255.255.255.255 4fd30301" "0020" "0100000000" + figures + forged);
  ASSERT_TRUE(WaitForLog(receiver_, "--> srv?Forjado!: Falta de Rede\n", 3000));
  EXPECT_EQ(CountOf(LogText(receiver_), "\n"), 1);
  // The console's line is the log's, written after it.
  const std::string line = "--> srv?Forjado!: Falta de Rede\n";
  ASSERT_TRUE(WaitUntil([&] { return receiver_.Read("console").find(line) != std::string::npos; }, 3000))
      << receiver_.Read("console");
  EXPECT_EQ(receiver_.Read("console").find("\nForjado!"), std::string::npos);

  ASSERT_TRUE(WaitForLog(receiver_, "Problemas na comunicacao. Verifique o cabo serial\n", 45000));
  // A server shutting down may send one datagram only.
  server_.Run(VIGIL_DGRAM_BIN " send 255.255.255.255 1000 1 servidor 1 1 0 0 0 600 600 20 580");
  ASSERT_TRUE(WaitForLog(receiver_, "--> servidor: Desligamento iniciado\n", 3000));
  std::string log = LogText(receiver_);
  EXPECT_LT(log.find("--> servidor: Comunicacao Ok\n"), log.find("--> servidor: Bateria em nivel critico\n"));
  EXPECT_TRUE(WaitForRecorded(receiver_, "/sbin/poweroff \n")) << receiver_.Read("recorded");
}

}  // namespace
