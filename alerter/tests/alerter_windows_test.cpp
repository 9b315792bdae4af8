// alerter.exe under Wine, in the throwaway prefix of each test: settings
// written with reg.exe, the UPS on the line simulator, the event file in
// the Windows directory, the status pipe from this program and from
// vigil20s.exe, and the service in Wine's service manager.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "linesim/line_sim.h"
#include "platform/window_messages.h"
#include "tests/support/child_process.h"
#include "tests/support/power_supply_tree.h"
#include "tests/support/record_fields.h"
#include "tests/support/status_pipe_client.h"
#include "tests/support/test_host.h"
#include "tests/support/wait_until.h"

namespace {

using Events = std::vector<int32_t>;

// Each look under Wine opens the pipe or reads a file: every 50 ms will do.
constexpr int kPollMs = 50;

const char kKey[] = "HKLM\\Software\\Tessaly\\Vigil 2.0";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class AlerterUnderWine : public ::testing::Test {
 protected:
  void SetUp() override {
    // The runner's line file, which Wine's service manager knows too.
    const char* runnerLines = std::getenv("VIGIL20_SIMLINES");
    ASSERT_TRUE(runnerLines && *runnerLines) << "run with VIGIL_WINE_SIMLINES set";
    lines_ = runnerLines;
    SetLines(linesim::kDsr | linesim::kCts | linesim::kRi);
    SetEnvironment("VIGIL20_SIMLINES", lines_);
    Setting("ComPort", 1);
    Setting("Interval", 100);
    Setting("Signal Filter", 0);
  }
  void TearDown() override { UnsetEnvironment("VIGIL20_SIMLINES"); }

  void SetLines(int inputs) { ASSERT_TRUE(linesim::WriteInputs(NativePath(lines_), inputs)); }
  void Setting(const std::string& name, int value) {
    CommandResult r = RunProcess({"reg.exe", "add", kKey, "/v", name, "/t", "REG_DWORD", "/d", std::to_string(value), "/f"}, 60000);
    ASSERT_EQ(r.status, 0) << r.err;
  }
  void Setting(const std::string& name, const std::string& text) {
    CommandResult r = RunProcess({"reg.exe", "add", kKey, "/v", name, "/t", "REG_SZ", "/d", text, "/f"}, 60000);
    ASSERT_EQ(r.status, 0) << r.err;
  }
  std::unique_ptr<ChildProcess> Start() {
    ChildProcess::Options options;
    options.captureErrors = true;
    std::string error;
    auto child = ChildProcess::Start({ALERTER_EXE, "-normal"}, options, &error);
    EXPECT_TRUE(child) << error;
    return child;
  }
  Events EventsLogged() const {
    return EventFileCodes(ReadFile(host_.WindowsDirectory() + "\\EvtVigil20.dat"));
  }
  bool WaitEvents(const Events& codes, int timeoutMs) {
    return WaitUntil([&] { return EventsLogged() == codes; }, timeoutMs, kPollMs);
  }

  TestHost host_;
  std::string lines_;
};

TEST_F(AlerterUnderWine, LogsADsrDropInTheWindowsDirectory) {
  Setting("LogStartStop", 1);
  auto alerter = Start();
  ASSERT_TRUE(WaitEvents({10}, 30000));
  SetLines(linesim::kCts | linesim::kRi);
  ASSERT_TRUE(WaitEvents({10, 1}, 10000));
  SetLines(linesim::kDsr | linesim::kCts | linesim::kRi);
  ASSERT_TRUE(WaitEvents({10, 1, 2}, 10000));
  // The outputs while watching: DTR off, RTS on.
  EXPECT_EQ(ReadFile(NativePath(lines_ + ".out")), "RTS\n");
  AskStatusPipe("c");
  EXPECT_EQ(alerter->Wait(), 0);
}

TEST_F(AlerterUnderWine, AnswersTheStatusPipeAndRefusesASecondInstance) {
  auto alerter = Start();
  std::string reply;
  // Until the monitor window is made the record is still all zero.
  ASSERT_TRUE(WaitUntil([&] { return Int32Field(reply = AskStatusPipe("\n"), 64) == 900; }, 30000, kPollMs));
  EXPECT_EQ(reply.size(), 216u);
  EXPECT_EQ(Int32Field(reply, 0), 0);
  EXPECT_EQ(Int32Field(reply, 64), 900);
  EXPECT_EQ(Int32Field(reply, 44), 0);
  SetLines(linesim::kDsr | linesim::kRi);  // CTS inactive: battery critical
  EXPECT_TRUE(WaitUntil([&] { return Int32Field(AskStatusPipe("\n"), 40) == 1; }, 10000, kPollMs));
  EXPECT_EQ(AskStatusPipe("x"), "");  // refused, no reply
  // The supervisor shows the same record.
  CommandResult shown = RunProcess({VIGIL20S_EXE}, 60000);
  EXPECT_EQ(shown.status, 0);
  EXPECT_NE(shown.out.find("Bateria:               CRITICA"), std::string::npos) << shown.out;

  CommandResult second = RunProcess({ALERTER_EXE, "-normal"}, 60000);
  EXPECT_EQ(second.status, 1);

  // A user's logon, as the window system tells every top-level window.
  platform::BroadcastSendMessage(platform::kWmUserChanged, 0, 0);
  EXPECT_TRUE(WaitUntil([&] { return !EventsLogged().empty() && EventsLogged().back() == 50; }, 10000, kPollMs));
  // The third configuration request ends the program in order.
  platform::BroadcastSendMessage(platform::RegisterMessageName("Vigil_Config_Change_Notify"), 0, 3);
  EXPECT_EQ(alerter->Wait(), 0);
}

// Wine answers GetSystemPowerStatus from /sys/class/power_supply, which the
// runner made a folder of this run (VIGIL_POWER_SUPPLY_TREE): a USB UPS as
// the system's battery, without a short-term battery device under Wine.
TEST_F(AlerterUnderWine, FollowsAUsbUpsThatTheSystemShowsAsItsBattery) {
  const char* folder = std::getenv("VIGIL_POWER_SUPPLY_TREE");
  ASSERT_TRUE(folder && *folder) << "run through tests/support/wine/run.sh";
  PowerSupplyTree tree(NativePath(folder));
  Setting("UsbPort", "usb");
  // The power-off is the Linux tests' to record; here the events suffice.
  Setting("Low Bat Shutdown", 0);
  Setting("Timeout Shutdown", 0);
  auto alerter = Start();
  ASSERT_TRUE(WaitUntil([&] { return Int32Field(AskStatusPipe("\n"), 64) == 900; }, 30000, kPollMs));
  // The serial lines all say mains and are not opened.
  EXPECT_EQ(ReadFile(NativePath(lines_ + ".out")), "");

  tree.OnBattery(60, 600);
  ASSERT_TRUE(WaitEvents({1}, 10000));
  EXPECT_EQ(Int32Field(AskStatusPipe("\n"), 44), 1);
  tree.OnMains(61);
  ASSERT_TRUE(WaitEvents({1, 2}, 10000));
  tree.OnBattery(3, 30);  // under 5 %: Wine's critical
  ASSERT_TRUE(WaitEvents({1, 2, 4}, 10000));
  std::string reply = AskStatusPipe("\n");
  EXPECT_EQ(Int32Field(reply, 40), 1);
  EXPECT_EQ(Int32Field(reply, 44), 1);
  AskStatusPipe("c");
  EXPECT_EQ(alerter->Wait(), 0);
}

TEST_F(AlerterUnderWine, AUsbNameWithNoBatteryEndsTheStartUp) {
  Setting("UsbPort", "usb");
  // The runner's folder is empty: Wine reports no battery.
  CommandResult result = RunProcess({ALERTER_EXE, "-normal"}, 60000);
  EXPECT_EQ(result.status, 1);
}

std::string ScQuery() { return RunProcess({"sc.exe", "query", "Vigil20"}, 60000).out; }

bool WaitServiceState(const char* state, int timeoutMs) {
  return WaitUntil([&] { return ScQuery().find(state) != std::string::npos; }, timeoutMs, kPollMs);
}

TEST_F(AlerterUnderWine, InstallsStartsStopsAndRemovesItselfAsAService) {
  CommandResult install = RunProcess({ALERTER_EXE, "-install"}, 60000);
  ASSERT_EQ(install.status, 0) << install.err;
  EXPECT_NE(install.err.find("instalado com sucesso."), std::string::npos);
  EXPECT_TRUE(WaitServiceState("STOPPED", 10000)) << ScQuery();

  CommandResult start = RunProcess({ALERTER_EXE, "-start"}, 60000);
  EXPECT_EQ(start.status, 0) << start.err;
  ASSERT_TRUE(WaitServiceState("RUNNING", 30000)) << ScQuery();
  // The service reads the simulator from C:\windows\system32.
  std::string reply;
  EXPECT_TRUE(WaitUntil([&] { return (reply = AskStatusPipe("\n")).size() == 216; }, 30000, kPollMs));
  SetLines(linesim::kCts | linesim::kRi);
  EXPECT_TRUE(WaitEvents({1}, 10000));

  CommandResult stop = RunProcess({ALERTER_EXE, "-stop"}, 60000);
  EXPECT_EQ(stop.status, 0) << stop.err;
  EXPECT_TRUE(WaitServiceState("STOPPED", 30000)) << ScQuery();
  EXPECT_NE(ScQuery().find("WIN32_EXIT_CODE    : 0"), std::string::npos);

  CommandResult remove = RunProcess({ALERTER_EXE, "-remove"}, 60000);
  EXPECT_EQ(remove.status, 0) << remove.err;
  CommandResult gone = RunProcess({"sc.exe", "query", "Vigil20"}, 60000);
  EXPECT_NE(gone.status, 0) << gone.out << gone.err;
}

TEST_F(AlerterUnderWine, AServiceWhoseStartUpFailsStopsWithError1066) {
  Setting("ComMode", 0);
  ASSERT_EQ(RunProcess({ALERTER_EXE, "-install"}, 60000).status, 0);
  RunProcess({ALERTER_EXE, "-start"}, 60000);
  ASSERT_TRUE(WaitServiceState("STOPPED", 30000)) << ScQuery();
  EXPECT_NE(ScQuery().find("1066"), std::string::npos) << ScQuery();
  EXPECT_EQ(RunProcess({ALERTER_EXE, "-remove"}, 60000).status, 0);
}

}  // namespace
