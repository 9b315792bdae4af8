// The applet beside a real alerter, in a host root of the test's own:
// refused while alerter runs (by its mutex, or as the running service),
// writing nothing; after a confirmed Apply it saves, starts the installed
// service and the supervisor from the system directory. And vigil20s
// showing a real alerter's status from its pipe.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <unistd.h>

#include "tests/alerter_fixture.h"
#include "tests/applet/tmux_terminal.h"

namespace {

constexpr const char* kRefusal = "Você deve encerrar o Vigil 2.0 antes de modificar suas configurações.";
constexpr const char* kStartQuestion = "Iniciar o Vigil 2.0?";

CommandResult Sc(const std::string& command) {
  return RunProcess({"/bin/sh", "-c", std::string(VIGIL_SC_BIN " ") + command}, 30000);
}

bool WaitServiceState(const char* state, int timeoutMs) {
  return WaitUntil([&] { return Sc("query Vigil20").out.find(state) != std::string::npos; }, timeoutMs);
}

std::string SettingsText() {
  return RunProcess({VIGIL_REG_BIN, "query", "HKLM\\Software\\Tessaly\\Vigil 2.0", "/s"}, 5000).out;
}

// The process running `program`, 0 when there is none.
long ProcessOf(const std::string& program) {
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    std::error_code error;
    auto exe = std::filesystem::read_symlink(entry.path() / "exe", error);
    if (!error && exe == program) return std::stol(entry.path().filename().string());
  }
  return 0;
}

class AppletBesideAlerter : public ::testing::Test {
 protected:
  void SetUp() override {
    host.Setting("ComPort", 1);
    host.Setting("Interval", 100);
  }
  void TearDown() override {
    if (Sc("stop Vigil20").status == 0) WaitServiceState("STOPPED", 10000);
  }
  // vigil-control with the library built here, to its end (no sheet may
  // open: it would wait for keys).
  CommandResult RunControl() const { return RunProcess({VIGIL_CONTROL_BIN, VIGIL20_CPL}, 30000); }
  void InstallService() const {
    CommandResult install = RunProcess({ALERTER_BIN, "-install"}, 10000);
    ASSERT_EQ(install.status, 0) << install.err;
  }

  AlerterHost host;
};

TEST_F(AppletBesideAlerter, ARunningAlerterOrItsRunningServiceRefusesTheSheetAndWritesNothing) {
  host.Session("yes");
  std::string before = SettingsText();
  ASSERT_NE(before.find("ComPort"), std::string::npos);

  // Outside the service manager: found by its mutex.
  auto alerter = host.Start();
  ASSERT_TRUE(host.WaitServing());
  CommandResult control = RunControl();
  EXPECT_EQ(control.status, 0) << control.err;
  EXPECT_EQ(CountIn(host.Boxes(), kRefusal), 1) << host.Boxes();
  alerter->Kill();
  alerter->Wait();

  // Installed and running: found by the service's state.
  InstallService();
  ASSERT_EQ(Sc("start Vigil20").status, 0);
  ASSERT_TRUE(WaitServiceState("RUNNING", 10000)) << host.Read("run/scm/Vigil20.log");
  control = RunControl();
  EXPECT_EQ(control.status, 0) << control.err;
  EXPECT_EQ(CountIn(host.Boxes(), kRefusal), 2) << host.Boxes();

  EXPECT_EQ(CountIn(host.Boxes(), kStartQuestion), 0) << "refused: nothing is offered to start";
  EXPECT_EQ(SettingsText(), before);
}

TEST_F(AppletBesideAlerter, AfterApplyTheInstalledServiceAndTheSupervisorAreStarted) {
  InstallService();
  std::string supervisor = host.Path("system32/vigil20s.exe");
  std::filesystem::create_directories(host.Path("system32"));
  std::filesystem::copy_file(VIGIL20S_BIN, supervisor);
  host.Session("yes");  // the Apply confirmation and the question to start

  std::string command = "VIGIL20_HOST_ROOT=" + host.Path("") + " VIGIL20_SIMLINES=" + host.Path("lines") +
                        " VIGIL20_POWEROFF=" + host.Path("poweroff") + " " VIGIL_CONTROL_BIN " " VIGIL20_CPL " 2>" +
                        host.Path("errors");
  {
    TmuxTerminal terminal(command, 100, 32);
    ASSERT_TRUE(terminal.WaitFor("Vigil 2.0 - Configurações da Supervisão do No-Break")) << terminal.Screen();
    terminal.Send("Enter");
    ASSERT_TRUE(terminal.WaitEnded(30000)) << terminal.Screen() << host.Read("errors");
  }
  EXPECT_NE(host.Boxes().find("Fechar esta janela e salvar as alterações?"), std::string::npos) << host.Boxes();
  EXPECT_EQ(CountIn(host.Boxes(), kStartQuestion), 1) << host.Boxes();
  EXPECT_NE(SettingsText().find("Max Events"), std::string::npos) << "saved: every setting is written";

  EXPECT_TRUE(WaitServiceState("RUNNING", 10000)) << Sc("query Vigil20").out;
  long started = 0;
  ASSERT_TRUE(WaitUntil([&] { return (started = ProcessOf(supervisor)) != 0; }, 10000));
  std::string arguments = ReadWholeFile("/proc/" + std::to_string(started) + "/cmdline");
  EXPECT_EQ(arguments, supervisor + std::string("\0-normal\0", 9));
  kill(static_cast<pid_t>(started), SIGTERM);
}

TEST_F(AppletBesideAlerter, TheSupervisorShowsTheStatusFromThePipeOnceOrUntilClosed) {
  CommandResult silent = RunProcess({VIGIL20S_BIN}, 10000);
  EXPECT_EQ(silent.status, 1);
  EXPECT_NE(silent.out.find("O Vigil 2.0 nao responde (erro 2)."), std::string::npos) << silent.out;

  host.Session("yes");
  auto alerter = host.Start();
  ASSERT_TRUE(host.WaitServing());
  CommandResult once = RunProcess({VIGIL20S_BIN}, 10000);
  EXPECT_EQ(once.status, 0);
  EXPECT_NE(once.out.find("Rede eletrica:         normal\n"), std::string::npos) << once.out;
  EXPECT_NE(once.out.find("Estacao:               (local)\n"), std::string::npos);

  // -normal keeps asking and writes each new status.
  std::string shown = host.Path("shown");
  std::string error;
  auto watching = ChildProcess::Start({"/bin/sh", "-c", "exec " VIGIL20S_BIN " -normal > '" + shown + "'"}, {}, &error);
  ASSERT_TRUE(watching) << error;
  ASSERT_TRUE(WaitUntil([&] { return ReadWholeFile(shown).find("normal") != std::string::npos; }, 10000));
  host.Lines("drop DSR");
  EXPECT_TRUE(WaitUntil([&] { return ReadWholeFile(shown).find("FALTA DE ENERGIA") != std::string::npos; }, 15000))
      << ReadWholeFile(shown);
  watching->Kill();
  watching->Wait();
  alerter->Kill();
  alerter->Wait();
}

}  // namespace
