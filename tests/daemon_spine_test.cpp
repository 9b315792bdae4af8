// The daemon's start, single-instance guard, commands and stop hand-shake,
// run for real in a private sandbox.
#include <csignal>
#include <sys/stat.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

#include "daemon_fixture.h"

namespace {

class DaemonSpineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    box_.WriteConf(LocalConf());
    box_.Write("lines", "DSR CTS RI\n");
  }
  void TearDown() override {
    if (HasFailure()) {
      std::printf("exits:\n%s\nconsole:\n%s\n", box_.Exits().c_str(), box_.Read("console").c_str());
    }
  }
  Sandbox box_;
};

TEST(DaemonCommandTest, VersionPrintsOneLineAndCreatesTheConfigurationFile) {
  Sandbox box;
  box.Run("mkdir vigil20");
  CommandResult r = Vigil(box, "version");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Vigil 2.0 - Linux (90412007 rev.: AA)\n");
  ASSERT_TRUE(box.Exists("vigil20/vigil20.conf"));
  EXPECT_EQ(box.Read("vigil20/vigil20.conf"), "");
  EXPECT_FALSE(IpcObjectsPresent(box));

  // Extra arguments are ignored; the file is only created, never changed.
  box.WriteConf(LocalConf());
  std::string before = box.Read("vigil20/vigil20.conf");
  r = Vigil(box, "version extra words");
  EXPECT_EQ(r.out, "Vigil 2.0 - Linux (90412007 rev.: AA)\n");
  EXPECT_EQ(box.Read("vigil20/vigil20.conf"), before);
}

TEST(DaemonCommandTest, StopWithoutDaemonFails) {
  Sandbox box;
  EXPECT_EQ(Vigil(box, "stop").status, 1);
}

TEST(DaemonCommandTest, LogCommandPrintsEveryRecordInClearText) {
  Sandbox box;
  std::string line1 = "Tue Dec  8 16:49:26 2026 --> servidor: Falta de Rede\n";
  std::string line2 = "Tue Dec  8 16:59:26 2026 --> servidor: Retorno da rede\n";
  std::string log;
  for (const auto& line : {line1, line2}) {
    std::string record(255, '\0');
    record.replace(0, line.size(), line);
    for (auto& c : record) c = static_cast<char>(c ^ 0xA7);
    log += record;
  }
  box.Write("vigil20/vigil20.log", log);
  CommandResult r = Vigil(box, "log");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, line1 + line2);

  box.Run("rm vigil20/vigil20.log");
  r = Vigil(box, "log");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "Erro ao abrir o aquivo de log...: No such file or directory\n");
}

TEST_F(DaemonSpineTest, SecondStartFailsWhileTheFirstRunsOnAndStopCleansUp) {
  ASSERT_EQ(StartDaemon(box_).status, 0);
  pid_t main = box_.DaemonMain();
  ASSERT_TRUE(WaitUntil([&] { return box_.DaemonWorker() != 0; }, 2000));
  pid_t worker = box_.DaemonWorker();
  EXPECT_NE(main, 0);
  // Only root may attach the block.
  EXPECT_NE(box_.Run("ipcs -m").out.find(" 600 "), std::string::npos);

  EXPECT_EQ(StartDaemon(box_).status, 1);
  EXPECT_EQ(box_.DaemonMain(), main);
  EXPECT_EQ(box_.DaemonWorker(), worker);

  EXPECT_EQ(Vigil(box_, "stop").status, 0);
  EXPECT_TRUE(box_.WaitDaemonGone(3000));
  EXPECT_FALSE(IpcObjectsPresent(box_));
  EXPECT_EQ(Vigil(box_, "stop").status, 1);
}

TEST_F(DaemonSpineTest, UnknownFirstArgumentStartsTheDaemon) {
  ASSERT_EQ(StartDaemon(box_, "stpo").status, 0);
  EXPECT_NE(box_.DaemonMain(), 0);
  EXPECT_EQ(Vigil(box_, "stop").status, 0);
  EXPECT_TRUE(box_.WaitDaemonGone(3000));
}

TEST_F(DaemonSpineTest, OneTerminationSignalEndsTheLoopsThenWaitsForClearance) {
  ASSERT_EQ(StartDaemon(box_).status, 0);
  pid_t main = box_.DaemonMain();
  ASSERT_TRUE(WaitUntil([&] { return box_.DaemonWorker() != 0; }, 2000));

  kill(main, SIGTERM);
  EXPECT_TRUE(WaitUntil([&] { return box_.DaemonWorker() == 0; }, 3000)) << "the worker did not end";
  usleep(300000);
  EXPECT_EQ(box_.DaemonMain(), main) << "the main process did not wait for the clearance";
  EXPECT_TRUE(IpcObjectsPresent(box_));

  kill(main, SIGTERM);
  EXPECT_TRUE(box_.WaitDaemonGone(3000));
  EXPECT_FALSE(IpcObjectsPresent(box_));
  EXPECT_NE(box_.Exits().find(" exit 0\n"), std::string::npos);
  EXPECT_EQ(box_.Exits().find("exit 1"), std::string::npos);
}

TEST_F(DaemonSpineTest, StopRemovesWhatAKilledDaemonLeftBehind) {
  ASSERT_EQ(StartDaemon(box_).status, 0);
  ASSERT_TRUE(WaitUntil([&] { return box_.DaemonWorker() != 0; }, 2000));
  kill(box_.DaemonMain(), SIGKILL);
  // The worker does not outlive the main process.
  EXPECT_TRUE(box_.WaitDaemonGone(3000));
  EXPECT_TRUE(IpcObjectsPresent(box_));

  CommandResult stop = Vigil(box_, "stop");
  EXPECT_FALSE(stop.timed_out);
  EXPECT_EQ(stop.status, 1);
  EXPECT_FALSE(IpcObjectsPresent(box_));

  ASSERT_EQ(StartDaemon(box_).status, 0);
  EXPECT_EQ(Vigil(box_, "stop").status, 0);
}

TEST_F(DaemonSpineTest, WithoutARoleTheDaemonRefusesToStart) {
  box_.WriteConf(LocalConf({{7, "Nobreak local = nao"}, {11, "Receber = nao"}}));
  CommandResult r = StartDaemon(box_);
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(box_.DaemonMain(), 0);
  EXPECT_FALSE(IpcObjectsPresent(box_));
}

// A failed fork must not leave the block and the semaphore set behind. The
// fork is made to fail with a pids cgroup that admits one process fewer
// than the daemon needs.
TEST_F(DaemonSpineTest, FailedForkLeavesNothingBehind) {
  std::string cgroup;
  if (std::filesystem::exists("/sys/fs/cgroup/pids/cgroup.procs"))
    cgroup = "/sys/fs/cgroup/pids/vigil-test-" + std::to_string(getpid());
  else if (std::filesystem::exists("/sys/fs/cgroup/cgroup.subtree_control"))
    cgroup = "/sys/fs/cgroup/vigil-test-" + std::to_string(getpid());
  if (cgroup.empty() || !std::filesystem::create_directory(cgroup)) GTEST_SKIP() << "no pids cgroup here";
  if (!std::filesystem::exists(cgroup + "/pids.max")) {
    std::filesystem::remove(cgroup);
    GTEST_SKIP() << "pids controller not enabled";
  }
  // The invoking vigil20 (exec'd over the shell) and the detached daemon:
  // the worker's fork fails.
  std::ofstream(cgroup + "/pids.max") << "2\n";
  CommandResult r = box_.Run("echo $$ > " + cgroup + "/cgroup.procs && exec " VIGIL20_BIN);
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(IpcObjectsPresent(box_));
  EXPECT_TRUE(box_.WaitDaemonGone(2000));
  WaitUntil([&] {
    std::error_code busy;
    return std::filesystem::remove(cgroup, busy);
  }, 3000);
}

}  // namespace

namespace {

// What the running daemon makes of some lines of its configuration file.
TEST(DaemonConfigurationTest, RunningDaemonReadsTheFileByPosition) {
  struct Case {
    std::map<int, std::string> changes;
    int total;
    std::string name;
  };
  const Case cases[] = {
      {{{1, "Autonomia = 15"}}, 900, "estacao1"},
      {{{1, "Autonomia =15"}}, 300, "estacao1"},  // the value starts two characters after "="
      {{{1, "Autonomia"}}, 0, "estacao1"},        // no "=": the setting stays at zero
      {{{10, "Nome = localhost"}}, 600, "posto7"},  // the host name up to its first "."
      {{{10, "Nome = localhost  "}}, 600, "localhost  "},
      {{{10, "Nome = " + std::string(40, 'n')}}, 600, std::string(32, 'n')},
  };
  for (const auto& c : cases) {
    Sandbox box;
    box.WriteConf(LocalConf(c.changes));
    box.Write("lines", "DSR CTS RI\n");
    ASSERT_EQ(StartDaemon(box).status, 0);
    ASSERT_TRUE(WaitUntil([&] { return Peek(box).paused == 1; }, 3000));
    Block b = Peek(box);
    EXPECT_EQ(b.total, c.total);
    // The name is the peek tool's last field; cut keeps its blanks.
    EXPECT_EQ(box.Run(VIGIL_PEEK_BIN " | cut -d' ' -f14-").out, c.name + "\n");
    EXPECT_EQ(Vigil(box, "stop").status, 0);
  }
}

// The log written by the daemon itself: a full log loses its oldest record.
TEST(DaemonConfigurationTest, CrlfLineEndsAndANulByteKeepEverySettingInItsPlace) {
  Sandbox box;
  auto lines = LocalConf({{5, "Avisos sonoros (sim/nao) = nao"},
                          {10, "Nome desta estacao = bartest"},
                          {16, "Executar comando antes de desligar (sim/nao) = sim"},
                          {17, "Comando = /usr/local/antes"}});
  lines[2] = "Desligar no" + std::string(1, '\0') + " fim da autonomia = sim";
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  box.Write("vigil20/vigil20.conf", text);
  box.Write("antes", "#!/bin/sh\necho ran >> /usr/local/antes.ran\n");
  chmod(box.Path("antes").c_str(), 0755);
  box.Write("lines", "DSR CTS RI\n");
  ListenForDatagrams(box);
  ASSERT_EQ(StartDaemon(box).status, 0);
  ASSERT_TRUE(WaitUntil([&] { return !Datagrams(box).empty(); }, 3000));
  EXPECT_EQ(Datagrams(box).front().name, "bartest");
  EXPECT_EQ(Datagrams(box).front().size, 27);

  Lines(box, "drop CTS");
  ASSERT_TRUE(WaitForLog(box, "--> bartest: Desligamento iniciado\n", 3000));
  EXPECT_NE(LogText(box).find("--> bartest: Bateria em nivel critico\n"), std::string::npos);
  EXPECT_TRUE(WaitUntil([&] { return box.Read("recorded") == "/sbin/poweroff \n"; }, 3000));
  EXPECT_EQ(box.Read("antes.ran"), "ran\n");
  EXPECT_EQ(Vigil(box, "stop").status, 0);
}

TEST(DaemonLogTest, DaemonWrittenRecordsAndTheThousandAndFirst) {
  Sandbox box;
  box.WriteConf(LocalConf());
  box.Write("lines", "DSR CTS RI\n");
  std::string old_log;
  for (int i = 0; i < 1000; ++i) {
    std::string line = "Mon Dec  7 10:00:00 2026 --> antigo: registro " + std::to_string(i) + "\n";
    std::string record(255, '\0');
    record.replace(0, line.size(), line);
    for (auto& ch : record) ch = static_cast<char>(ch ^ 0xA7);
    old_log += record;
  }
  box.Write("vigil20/vigil20.log", old_log);
  ASSERT_EQ(StartDaemon(box).status, 0);
  box.Write("lines", "CTS RI\n");
  ASSERT_TRUE(WaitUntil([&] { return Vigil(box, "log").out.find("Falta de Rede") != std::string::npos; }, 3000));

  std::string log = box.Read("vigil20/vigil20.log");
  ASSERT_EQ(log.size(), 1000u * 255);
  EXPECT_EQ(log.substr(0, 999 * 255), old_log.substr(255));
  std::string last = log.substr(999 * 255);
  std::string clear;
  for (char ch : last) clear += static_cast<char>(ch ^ 0xA7);
  size_t end = clear.find('\n');
  ASSERT_NE(end, std::string::npos);
  std::string line = clear.substr(0, end + 1);
  // ctime's 24 characters, then the station and the message.
  EXPECT_EQ(line.size(), 24u + std::string(" --> estacao1: Falta de Rede\n").size());
  EXPECT_EQ(line.substr(24), " --> estacao1: Falta de Rede\n");
  EXPECT_EQ(clear.substr(end + 1), std::string(255 - end - 1, '\0'));
  EXPECT_FALSE(box.Exists("vigil20/vigil20.logtmp"));

  std::string printed = Vigil(box, "log").out;
  EXPECT_EQ(CountOf(printed, "\n"), 1000);
  EXPECT_EQ(printed.find("registro 0\n"), std::string::npos);
  EXPECT_NE(printed.find("antigo: registro 1\n"), std::string::npos);
  EXPECT_EQ(Vigil(box, "stop").status, 0);
}

}  // namespace
