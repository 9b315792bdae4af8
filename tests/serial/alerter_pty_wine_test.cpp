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
#include <functional>
#include <sstream>
#include <thread>

#include "platform/named_pipe.h"
#include "tests/support/child_process.h"
#include "tests/support/pty_com_port.h"
#include "tests/support/test_host.h"

namespace {

using Clock = std::chrono::steady_clock;
using Events = std::vector<int32_t>;

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (done()) return true;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

// The status pipe's record, or nothing.
std::string Ask(const std::string& request) {
  platform::PipeClient* client = nullptr;
  if (platform::ConnectToPipe("\\\\.\\pipe\\vigil20_pipe", 3000, &client) != 0) return "";
  std::string reply;
  if (platform::WritePipeClient(client, request.data(), static_cast<uint32_t>(request.size())) == 0) {
    char buffer[4096];
    uint32_t got = 0;
    if (platform::ReadPipeClient(client, buffer, sizeof buffer, &got, 3000) == 0) reply.assign(buffer, got);
  }
  platform::ClosePipeClient(client);
  return reply;
}

int32_t Field(const std::string& reply, size_t offset) {
  if (reply.size() < offset + 4) return -999;
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(reply[offset + i]);
  return static_cast<int32_t>(value);
}

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
    ASSERT_TRUE(WaitUntil([] { return Field(Ask("\n"), 64) == 900; }, 30000)) << "alerter did not serve";
  }
  // Ends it in order.
  void Stop() {
    Ask("c");
    EXPECT_EQ(alerter_->Wait(), 0);
  }
  Events Logged() const {
    std::ifstream in(host_.WindowsDirectory() + "\\EvtVigil20.dat", std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    std::string text = bytes.str();
    Events codes;
    for (size_t at = 0; at + 28 <= text.size(); at += 28) codes.push_back(static_cast<unsigned char>(text[at + 24]));
    return codes;
  }
  bool WaitEvents(const Events& codes, int timeoutMs) {
    return WaitUntil([&] { return Logged() == codes; }, timeoutMs);
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
  ASSERT_TRUE(WaitUntil([] { return Field(Ask("\n"), 76) >= 1; }, 10000)) << "the discharge did not start";

  port_->Pull();
  int32_t onBattery = Field(Ask("\n"), 76);
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  std::string reply = Ask("\n");
  EXPECT_EQ(Field(reply, 44), 1) << "still on battery: a lost cable is no mains return";
  EXPECT_GE(Field(reply, 76), onBattery + 2) << "the countdown runs on";
  EXPECT_EQ(Logged(), Events{1});

  port_->Plug("CTS RI");
  EXPECT_TRUE(WaitUntil([&] { return port_->Outputs() == "RTS\n"; }, 10000)) << "the new device set up again";
  port_->Set("DSR CTS RI");
  ASSERT_TRUE(WaitEvents({1, 2}, 10000));
  Stop();
}

}  // namespace
