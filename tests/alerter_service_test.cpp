// alerter as the service "Vigil20" of the service control manager
// stand-in: installed, started, queried, stopped and removed with its own
// command line and with vigil-sc.
#include <gtest/gtest.h>

#include <filesystem>

#include "alerter_fixture.h"

namespace {

CommandResult Sc(const std::string& command) {
  return RunProcess({"/bin/sh", "-c", std::string(VIGIL_SC_BIN " ") + command}, 30000);
}

std::string StateOf(const std::string& query) {
  size_t at = query.find("STATE");
  return at == std::string::npos ? "" : query.substr(at, query.find('\n', at) - at);
}

bool WaitState(const char* state, int timeoutMs) {
  return WaitUntil([&] { return StateOf(Sc("query Vigil20").out).find(state) != std::string::npos; }, timeoutMs);
}

class AlerterServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host.Session("no");
    host.Setting("ComPort", 1);
    host.Setting("Interval", 100);
  }
  void TearDown() override {
    // Whatever happened, no service is left running.
    if (Sc("stop Vigil20").status == 0) WaitState("STOPPED", 10000);
  }
  AlerterHost host;
};

TEST_F(AlerterServiceTest, InstalledStartedQueriedStoppedAndRemoved) {
  // Installed from a folder with a blank in its name: the image path is quoted.
  std::string folder = host.Path("Program Files");
  std::filesystem::create_directories(folder);
  std::string program = folder + "/alerter";
  std::filesystem::copy_file(ALERTER_BIN, program);
  CommandResult install = RunProcess({program, "-install", "-remove"}, 10000);
  ASSERT_EQ(install.status, 0) << install.err;
  EXPECT_EQ(install.err, "Servi\u00e7o instalado com sucesso.\n");  // the first command wins
  CommandResult record = RunProcess({VIGIL_REG_BIN, "query", "HKLM\\System\\CurrentControlSet\\Services\\Vigil20"}, 5000);
  EXPECT_NE(record.out.find("ImagePath    REG_EXPAND_SZ    \"" + program + "\"\n"), std::string::npos) << record.out;
  EXPECT_NE(record.out.find("DisplayName    REG_SZ    Vigil 2.0\n"), std::string::npos);
  EXPECT_NE(record.out.find("Start    REG_DWORD    0x2\n"), std::string::npos);
  CommandResult query = Sc("query Vigil20");
  EXPECT_EQ(StateOf(query.out), "STATE              : 1  STOPPED ");

  CommandResult start = RunProcess({program, "-start"}, 30000);
  EXPECT_EQ(start.status, 0);
  EXPECT_EQ(start.err, "Servi\u00e7o iniciado com sucesso.");
  ASSERT_TRUE(WaitState("RUNNING", 10000)) << Sc("query Vigil20").out << host.Read("run/scm/Vigil20.log");
  EXPECT_EQ(AskPipe("\n").size(), 216u);  // the service watches the UPS
  // A program started by hand meanwhile is refused as a second instance.
  EXPECT_EQ(host.Run({}).status, 1);

  CommandResult stop = RunProcess({program, "-stop"}, 30000);
  EXPECT_EQ(stop.err, "Servi\u00e7o encerrado com sucesso.");
  query = Sc("query Vigil20");
  EXPECT_EQ(StateOf(query.out), "STATE              : 1  STOPPED ");
  EXPECT_NE(query.out.find("WIN32_EXIT_CODE    : 0  (0x0)"), std::string::npos);

  // vigil-sc returns once the request is taken.
  EXPECT_EQ(Sc("start Vigil20").status, 0);
  ASSERT_TRUE(WaitState("RUNNING", 10000));
  EXPECT_EQ(Sc("start Vigil20").status, 1056 & 0xFF);
  EXPECT_EQ(Sc("stop Vigil20").status, 0);
  ASSERT_TRUE(WaitState("STOPPED", 10000));

  // Removing a running service stops it first.
  EXPECT_EQ(Sc("start Vigil20").status, 0);
  ASSERT_TRUE(WaitState("RUNNING", 10000));
  CommandResult remove = RunProcess({program, "-remove"}, 30000);
  EXPECT_EQ(remove.err, "Servi\u00e7o removido com sucesso.");
  CommandResult gone = Sc("query Vigil20");
  EXPECT_EQ(gone.status, 1060 & 0xFF);
  EXPECT_NE(gone.out.find("FAILED 1060:"), std::string::npos);
  EXPECT_EQ(AskPipe("\n", 500), "");
}

TEST_F(AlerterServiceTest, AFailedStartUpEndsTheServiceWithError1066) {
  host.Setting("ComMode", 0);
  ASSERT_EQ(host.Run({"-install"}).status, 0);
  EXPECT_EQ(Sc("start Vigil20").status, 0);
  ASSERT_TRUE(WaitState("STOPPED", 10000));
  CommandResult query = Sc("query Vigil20");
  EXPECT_NE(query.out.find("WIN32_EXIT_CODE    : 1066  (0x42a)"), std::string::npos) << query.out;
  // In service mode the start-up messages go to the console session too.
  EXPECT_NE(host.Boxes().find("Nenhum modo de comunica"), std::string::npos);
  EXPECT_EQ(host.Run({"-remove"}).status, 0);
}

TEST_F(AlerterServiceTest, CommandsOnAServiceThatIsNotInstalledFail) {
  CommandResult stop = host.Run({"/STOP"});
  EXPECT_EQ(stop.status, 1);
  EXPECT_EQ(stop.err, "Erro ao parar o servico: The specified service does not exist as an installed service.\r\n");
  EXPECT_EQ(host.Run({"-stop", "-silent"}).err, "");
  // Installed but started by hand: the manager refuses it, it runs as an ordinary program.
  ASSERT_EQ(host.Run({"-install"}).status, 0);
  auto alerter = host.Start({});
  EXPECT_TRUE(host.WaitServing());
  alerter->Kill();
  alerter->Wait();
  EXPECT_EQ(host.Run({"-remove"}).status, 0);
}

}  // namespace
