// alerter.exe under Wine on COM3, the runner's pseudo-terminal whose modem
// lines the modem shim answers (tests/support/pty_com_port.h): its events
// through Wine's serial calls and LineTap.dll, and an adapter pulled in the
// middle of a discharge and plugged back. (What it tells of the loss and
// the return goes to the debug output, which Wine writes to its own
// standard error, out of this program's reach: the Linux test of the same
// program checks it.)
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/support/child_process.h"
#include "tests/support/pty_com_port.h"
#include "tests/support/record_fields.h"
#include "tests/support/status_pipe_client.h"
#include "tests/support/test_host.h"
#include "tests/support/wait_until.h"

namespace {

using Events = std::vector<int32_t>;

// Each look under Wine opens the pipe or reads a file: every 50 ms will do.
constexpr int kPollMs = 50;

class AlerterOnAPtyUnderWine : public ::testing::Test {
 protected:
  void SetUp() override {
    port_ = std::make_unique<PtyComPort>("");
    port_->Set("DSR CTS RI");
    Setting("ComPort", port_->number());
    Setting("Interval", 100);
    Setting("Signal Filter", 2);
    Setting("Low Bat Shutdown", 0);  // a critical battery is only logged
  }

  void Setting(const std::string& name, int value) {
    CommandResult r = RunProcess({"reg.exe", "add", "HKLM\\Software\\Tessaly\\Vigil 2.0", "/v", name, "/t", "REG_DWORD",
                                  "/d", std::to_string(value), "/f"},
                                 60000);
    ASSERT_EQ(r.status, 0) << r.err;
  }
  void Start() {
    ChildProcess::Options options;
    std::string error;
    alerter_ = ChildProcess::Start({ALERTER_EXE, "-normal"}, options, &error);
    ASSERT_TRUE(alerter_) << error;
    ASSERT_TRUE(WaitUntil([] { return Int32Field(AskStatusPipe("\n"), 64) == 900; }, 30000, kPollMs))
        << "alerter did not serve";
  }
  // Ends it in order.
  void Stop() {
    AskStatusPipe("c");
    EXPECT_EQ(alerter_->Wait(), 0);
  }
  Events Logged() const {
    std::ifstream in(host_.WindowsDirectory() + "\\EvtVigil20.dat", std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return EventFileCodes(bytes.str());
  }
  bool WaitEvents(const Events& codes, int timeoutMs) {
    return WaitUntil([&] { return Logged() == codes; }, timeoutMs, kPollMs);
  }

  TestHost host_;
  std::unique_ptr<PtyComPort> port_;
  std::unique_ptr<ChildProcess> alerter_;
};

TEST_F(AlerterOnAPtyUnderWine, MainsFailureBypassCriticalBatteryAndTheirEndsAreItsEventsOnTheDevice) {
  Start();
  // DTR off and RTS on, through EscapeCommFunction.
  EXPECT_EQ(port_->Outputs(), "RTS\n");
  port_->Set("CTS RI");
  ASSERT_TRUE(WaitEvents({1}, 10000));
  port_->Set("DSR CTS RI");
  ASSERT_TRUE(WaitEvents({1, 2}, 10000));
  port_->Set("DSR CTS");  // RI inactive: bypass, as "Tipo Bypass" 0 has it
  ASSERT_TRUE(WaitEvents({1, 2, 30}, 10000));
  port_->Set("DSR CTS RI");
  ASSERT_TRUE(WaitEvents({1, 2, 30, 31}, 10000));
  port_->Set("DSR RI");
  ASSERT_TRUE(WaitEvents({1, 2, 30, 31, 4}, 10000));
  port_->Set("DSR CTS RI");
  ASSERT_TRUE(WaitEvents({1, 2, 30, 31, 4, 2}, 10000));
  Stop();
}

TEST_F(AlerterOnAPtyUnderWine, AnAdapterPulledDuringADischargeIsNoMainsReturnAndTheCountdownRunsOn) {
  Start();
  port_->Set("CTS RI");
  ASSERT_TRUE(WaitEvents({1}, 10000));
  ASSERT_TRUE(WaitUntil([] { return Int32Field(AskStatusPipe("\n"), 76) >= 1; }, 10000, kPollMs))
      << "the discharge did not start";

  port_->Pull();
  int32_t onBattery = Int32Field(AskStatusPipe("\n"), 76);
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  std::string reply = AskStatusPipe("\n");
  EXPECT_EQ(Int32Field(reply, 44), 1) << "still on battery: a lost cable is no mains return";
  EXPECT_GE(Int32Field(reply, 76), onBattery + 2) << "the countdown runs on";
  EXPECT_EQ(Logged(), Events{1});

  port_->Plug("CTS RI");
  EXPECT_TRUE(WaitUntil([&] { return port_->Outputs() == "RTS\n"; }, 10000, kPollMs)) << "the new device set up again";
  port_->Set("DSR CTS RI");
  ASSERT_TRUE(WaitEvents({1, 2}, 10000));
  Stop();
}

}  // namespace
