// The real alerter on the Linux stand-ins, started as an ordinary program
// (and as a service) in a host root of its own, with a short "Interval".
// None of these tests touches the network: "Net Mode" stays 0.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "alerter_fixture.h"

namespace {

using Events = std::vector<int32_t>;

const std::string kAlreadyRunning = "30 Alerta: Uma inst\u00e2ncia do Vigil 2.0 j\u00e1 est\u00e1 rodando.\n";

class AlerterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host.Session("yes");
    host.Setting("ComPort", 1);
    host.Setting("Interval", 100);
    host.Setting("Signal Filter", 0);
  }
  void TearDown() override {
    if (HasFailure()) std::printf("boxes:\n%s\n", host.Boxes().c_str());
  }
  AlerterHost host;
};

TEST_F(AlerterTest, ASecondInstanceIsRefusedAndACrashedOneFreesTheName) {
  auto first = host.Start();
  ASSERT_TRUE(host.WaitServing());
  CommandResult second = host.Run({"-normal"});
  EXPECT_EQ(second.status, 1);
  EXPECT_EQ(host.Boxes(), kAlreadyRunning);

  first->Kill();
  first->Wait();
  auto third = host.Start();
  EXPECT_TRUE(host.WaitServing());
  EXPECT_EQ(CountIn(host.Boxes(), "Uma inst"), 1);
}

TEST_F(AlerterTest, NoCommunicationModeEndsStartUpEvenWithANetwork) {
  host.Setting("ComMode", 0);
  host.Setting("Net Mode", 4);
  CommandResult result = host.Run({"-normal"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(host.Boxes(),
            "30 Alerta: Nenhum modo de comunica\u00e7\u00e3o com o NoBreak est\u00e1 configurado, o Vigil ser\u00e1 "
            "encerrado.\n");
}

TEST(AlerterDefaults, WithoutSettingsItWarnsAndWatchesCom2WithTheDefaults) {
  AlerterHost host;
  host.Session("yes");
  auto alerter = host.Start();
  ASSERT_TRUE(host.WaitServing());
  EXPECT_EQ(host.Boxes(),
            "30 Alerta: Aten\u00e7\u00e3o: A supervis\u00e3o do NoBreak est\u00e1 operando com as configura\u00e7\u00f5es "
            "default!\\nVoc\u00ea deve ajustar os par\u00e2metros deste servi\u00e7o no painel de controle para "
            "obter\\num funcionamento adequado.\n");
  std::string reply = AskPipe("\n");
  EXPECT_EQ(Field(reply, 64), 900);  // "Autonomia Nominal"
  EXPECT_EQ(Field(reply, 72), 900);
  // The port is open with DTR off and RTS on.
  EXPECT_EQ(host.Read("lines.out"), "RTS\n");
}

TEST_F(AlerterTest, AnUnwritableWindowsDirectoryIsToldOnceAndMonitoringGoesOn) {
  // A file where the Windows directory should be.
  std::FILE* f = std::fopen(host.Path("windows").c_str(), "w");
  std::fclose(f);
  auto alerter = host.Start();
  ASSERT_TRUE(host.WaitServing());
  host.Lines("drop DSR");
  EXPECT_TRUE(WaitUntil([] { return Field(AskPipe("\n"), 44) == 1; }, 5000));
  EXPECT_EQ(CountIn(host.Boxes(), "Erro na abertura do arquivo de eventos!"), 1);
}

TEST_F(AlerterTest, ADsrDropIsEvent1AndAGlitchShorterThanTheFilterIsNothing) {
  host.Setting("Interval", 200);
  host.Setting("Signal Filter", 5);  // seven ticks of one pattern: 1.4 s
  host.Setting("LogStartStop", 1);
  auto alerter = host.Start();
  ASSERT_TRUE(host.WaitForEvents({10}, 5000));
  host.Lines("drop DSR");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  host.Lines("raise DSR");
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  EXPECT_EQ(host.Events(), Events{10});

  host.Lines("drop DSR");
  EXPECT_TRUE(host.WaitForEvents({10, 1}, 5000));
  EXPECT_EQ(Field(AskPipe("\n"), 44), 1);
  host.Lines("raise DSR");
  EXPECT_TRUE(host.WaitForEvents({10, 1, 2}, 5000));
}

TEST_F(AlerterTest, CriticalBatteryThenMainsReturnLogs4And2AndCancelsTheShutdown) {
  host.Setting("Interval", 1000);  // three ticks to cancel in: 3 s
  auto alerter = host.Start();
  ASSERT_TRUE(host.WaitServing());
  host.Lines("drop CTS");
  ASSERT_TRUE(host.WaitForEvents({4}, 5000));
  host.Lines("raise CTS");
  EXPECT_TRUE(host.WaitForEvents({4, 2}, 3000));
  std::this_thread::sleep_for(std::chrono::seconds(4));
  EXPECT_EQ(host.Events(), (Events{4, 2}));
  EXPECT_EQ(host.Read("recorded"), "");
}

TEST_F(AlerterTest, EndOfAutonomyLogs20And5AndShutsDownOnce) {
  host.Setting("Interval", 200);
  host.Setting("Autonomia Nominal", 2);
  auto alerter = host.Start();
  ASSERT_TRUE(host.WaitServing());
  host.Lines("drop DSR");
  ASSERT_TRUE(host.WaitForEvents({1, 20}, 8000));
  ASSERT_TRUE(host.WaitForEvents({1, 20, 5}, 8000));  // fifteen ticks later
  EXPECT_EQ(alerter->Wait(), 0);                       // the request was accepted: the program ends
  EXPECT_EQ(host.Read("recorded"), "called \n");
}

TEST_F(AlerterTest, TheForcedShutdownEndsTheSessionsFirst) {
  host.Setting("Interval", 200);
  ChildProcess::Options options;
  std::string error;
  auto listener = ChildProcess::Start({VIGIL_MSG_BIN, "listen", "40"}, options, &error);
  ASSERT_TRUE(listener) << error;
  auto alerter = host.Start();
  ASSERT_TRUE(host.WaitServing());
  host.Lines("drop CTS");
  ASSERT_TRUE(host.WaitForEvents({4, 6}, 5000));
  std::string first, second;
  ASSERT_TRUE(listener->ReadLine(&first));
  EXPECT_EQ(first, "WM_QUERYENDSESSION 1 0");
  EXPECT_EQ(host.Read("recorded"), "");  // ten seconds, then the end of the session
  ASSERT_TRUE(listener->ReadLine(&second));
  EXPECT_EQ(second, "WM_ENDSESSION 1 0");
  EXPECT_EQ(alerter->Wait(), 0);
  EXPECT_EQ(host.Read("recorded"), "called --force\n");
  EXPECT_EQ(host.Events(), (Events{4, 6}));
}

const char kCableQuestion[] =
    "34 Alerta: O Vigil 2.0 detectou que todos os alarmes est\u00e3o ativos.\\nEsta situa\u00e7\u00e3o pode ocorrer em "
    "alguns casos, mas em geral indica uma falha ou aus\u00eancia do cabo de conex\u00e3o do PC ao NoBreak.\\nDeseja "
    "encerrar o servi\u00e7o e verificar o cabo?\n";

TEST(AlerterCable, AYesToTheCableQuestionEndsTheProgram) {
  AlerterHost host;
  host.Session("yes");
  host.Setting("ComPort", 1);
  host.Setting("Interval", 100);
  host.Setting("LogStartStop", 1);
  host.Lines("set");  // every input inactive
  auto alerter = host.Start();
  EXPECT_EQ(alerter->Wait(), 0);
  EXPECT_EQ(host.Boxes(), kCableQuestion);
  EXPECT_EQ(host.Events(), (Events{10, 11}));  // an orderly exit, no alarm logged
}

TEST(AlerterCable, ANoLeavesTheFaultStandingAndIsNotAskedAgain) {
  AlerterHost host;
  host.Session("no");
  host.Setting("ComPort", 1);
  host.Setting("Interval", 100);
  host.Setting("Signal Filter", 0);
  host.Lines("set");
  auto alerter = host.Start();
  ASSERT_TRUE(WaitUntil([] { return Field(AskPipe("\n"), 52) == 1; }, 5000));
  std::this_thread::sleep_for(std::chrono::seconds(1));
  EXPECT_EQ(host.Boxes(), kCableQuestion);
  std::string reply = AskPipe("\n");
  EXPECT_EQ(Field(reply, 44), 0);  // no power failure, no critical battery: a fault
  EXPECT_EQ(Field(reply, 40), 0);
  EXPECT_TRUE(host.Events().empty());
}

TEST_F(AlerterTest, TheStatusPipeAnswersRefusesAndCannotBeBlockedByIdleClients) {
  auto alerter = host.Start();
  ASSERT_TRUE(host.WaitServing());
  host.Lines("drop DSR");
  std::string reply;
  ASSERT_TRUE(WaitUntil([&] { return Field(reply = AskPipe("\n"), 44) == 1; }, 5000));
  ASSERT_EQ(reply.size(), 216u);
  EXPECT_EQ(Field(reply, 0), 0);
  EXPECT_EQ(Field(reply, 64), 900);
  EXPECT_EQ(reply.substr(8, 32).find('\0'), 0u);  // no notification sent: no name

  EXPECT_EQ(AskPipe("x"), "");
  EXPECT_TRUE(WaitUntil([&] { return CountIn(host.Boxes(), "Soicita\u00e7\u00e3o do supervisor desconhecida.") == 1; }, 3000));
  EXPECT_NE(host.Boxes().find("200030 Alerta: Soicita"), std::string::npos);

  // Ten clients that never ask: the pipe still serves after them.
  std::vector<platform::PipeClient*> idle(10);
  for (auto& client : idle) ASSERT_EQ(platform::ConnectToPipe(kStatusPipe, 1000, &client), 0u);
  EXPECT_EQ(AskPipe("\n", 15000).size(), 216u);
  for (auto* client : idle) platform::ClosePipeClient(client);
  EXPECT_EQ(CountIn(host.Boxes(), "Falha na cri\u00e7\u00e3o do canal de comunica\u00e7\u00e3o com o supervisor."), 1);

  // 99 ends the program at once.
  AskPipe("c");
  EXPECT_EQ(alerter->Wait(), 0);
}

TEST_F(AlerterTest, ConfigChangeNotificationsAreAnsweredAndThirdEndsTheProgram) {
  host.Setting("LogStartStop", 1);
  ChildProcess::Options options;
  std::string error;
  auto listener = ChildProcess::Start({VIGIL_MSG_BIN, "listen", "30"}, options, &error);
  ASSERT_TRUE(listener) << error;
  auto alerter = host.Start();
  ASSERT_TRUE(host.WaitServing());
  std::string pid = std::to_string(alerter->Id());
  auto send = [](const char* name, const char* w, const char* l) {
    return RunProcess({VIGIL_MSG_BIN, "send", name, w, l}, 10000).out;
  };
  EXPECT_NE(send("Vigil_Config_Change_Notify", "0", "1").find(pid + " 1\n"), std::string::npos);
  EXPECT_NE(send("Vigil_Config_Change_Notify", "1", "1").find(pid + " 0\n"), std::string::npos);
  EXPECT_NE(send("Vigil_Config_Change_Notify", "0", "2").find(pid + " 1\n"), std::string::npos);
  send("WM_USERCHANGED", "0", "0");
  EXPECT_TRUE(host.WaitForEvents({10, 50}, 3000));
  EXPECT_NE(send("Vigil_Config_Change_Notify", "0", "3").find(pid + " 1\n"), std::string::npos);
  EXPECT_EQ(alerter->Wait(), 0);
  EXPECT_EQ(host.Events(), (Events{10, 50, 11}));

  // The listener saw the requests (from vigil-msg) and the program's
  // replies, in whichever order the two came to it.
  std::vector<std::string> lines;
  for (std::string line; lines.size() < 8 && listener->ReadLine(&line);) lines.push_back(line);
  std::sort(lines.begin(), lines.end());
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "Vigil_Config_Change_Notify 0 1", "Vigil_Config_Change_Notify 0 2",
                       "Vigil_Config_Change_Notify 0 3", "Vigil_Config_Change_Notify 1 1",
                       "Vigil_Config_Change_Notify 1 10", "Vigil_Config_Change_Notify 1 12",
                       "Vigil_Config_Change_Notify 1 13", "WM_USERCHANGED 0 0"}));
}

}  // namespace
