// The real alerter on a serial port of its host root: COM3 links to a pty
// whose modem lines the shim answers (tests/support/pty_com_port.h), so that
// LineTap's termios and modem calls run under it. Its events on the device,
// the cable question, and an adapter pulled in the middle of a discharge and
// plugged back.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "alerter_fixture.h"
#include "tests/support/pty_com_port.h"

namespace {

using Events = std::vector<int32_t>;

class AlerterOnATtyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port_ = std::make_unique<PtyComPort>(host_.Path(""));
    port_->Set("DSR CTS RI");
    host_.Setting("ComPort", port_->number());
    host_.Setting("Interval", 100);
    host_.Setting("Signal Filter", 2);
    host_.Session("yes");
  }
  void TearDown() override {
    if (HasFailure()) std::printf("errors:\n%s\nboxes:\n%s\n", Errors().c_str(), host_.Boxes().c_str());
  }
  // Its standard error in a file, where the test reads it as it grows.
  void Start() {
    ChildProcess::Options options;
    options.ownGroup = true;
    options.pipeOutput = false;
    std::string error;
    alerter_ = ChildProcess::Start(
        {"/bin/sh", "-c", std::string("exec " ALERTER_BIN " -normal 2>'") + host_.Path("alerter.err") + "'"}, options,
        &error);
    ASSERT_TRUE(alerter_) << error;
    ASSERT_TRUE(host_.WaitServing());
  }
  std::string Errors() const { return host_.Read("alerter.err"); }

  AlerterHost host_;
  std::unique_ptr<PtyComPort> port_;
  std::unique_ptr<ChildProcess> alerter_;
};

TEST_F(AlerterOnATtyTest, MainsFailureBypassAndTheirEndsAreItsEventsOnTheDevice) {
  Start();
  // DTR off and RTS on, through termios and the modem calls.
  EXPECT_EQ(port_->Outputs(), "RTS\n");
  port_->Set("CTS RI");
  ASSERT_TRUE(host_.WaitForEvents({1}, 5000));
  EXPECT_EQ(Field(AskPipe("\n"), 44), 1);
  port_->Set("DSR CTS RI");
  ASSERT_TRUE(host_.WaitForEvents({1, 2}, 5000));
  port_->Set("DSR CTS");  // RI inactive: bypass, as "Tipo Bypass" 0 has it
  ASSERT_TRUE(host_.WaitForEvents({1, 2, 30}, 5000));
  port_->Set("DSR CTS RI");
  ASSERT_TRUE(host_.WaitForEvents({1, 2, 30, 31}, 5000));
}

TEST_F(AlerterOnATtyTest, ACriticalBatteryOnTheDeviceShutsTheComputerDown) {
  Start();
  port_->Set("DSR RI");
  ASSERT_TRUE(host_.WaitForEvents({4, 6}, 5000));
  // The sessions are given ten seconds to end first.
  EXPECT_TRUE(WaitUntil([&] { return host_.Read("recorded") == "called --force\n"; }, 20000)) << host_.Read("recorded");
  EXPECT_EQ(alerter_->Wait(), 0);
}

TEST_F(AlerterOnATtyTest, AllInputsDownOnTheDeviceAskAboutTheCable) {
  Start();
  port_->Set("");
  EXPECT_EQ(alerter_->Wait(), 0) << "the answer Yes ends the program in order";
  EXPECT_EQ(CountIn(host_.Boxes(), "todos os alarmes est\u00e3o ativos"), 1) << host_.Boxes();
  EXPECT_EQ(host_.Events(), Events{});
}

TEST_F(AlerterOnATtyTest, AnAdapterPulledDuringADischargeIsToldOnceAndTheCountdownRunsOn) {
  Start();
  port_->Set("CTS RI");
  ASSERT_TRUE(host_.WaitForEvents({1}, 5000));
  ASSERT_TRUE(WaitUntil([] { return Field(AskPipe("\n"), 76) >= 1; }, 5000)) << "the discharge did not start";

  port_->Pull();
  ASSERT_TRUE(WaitUntil([&] { return Errors().find("perdida") != std::string::npos; }, 5000));
  int32_t onBattery = Field(AskPipe("\n"), 76);
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  std::string reply = AskPipe("\n");
  EXPECT_EQ(Field(reply, 44), 1) << "still on battery: a lost cable is no mains return";
  EXPECT_GE(Field(reply, 76), onBattery + 2) << "the countdown runs on";
  EXPECT_EQ(host_.Events(), Events{1});

  port_->Plug("CTS RI");
  ASSERT_TRUE(WaitUntil([&] { return Errors().find("restabelecida") != std::string::npos; }, 5000));
  EXPECT_TRUE(WaitUntil([&] { return port_->Outputs() == "RTS\n"; }, 2000)) << "the new device set up again";
  port_->Set("DSR CTS RI");
  ASSERT_TRUE(host_.WaitForEvents({1, 2}, 5000));
  EXPECT_EQ(CountIn(Errors(), "Comunica\xE7\xE3o com o NoBreak perdida"), 1);
  EXPECT_EQ(CountIn(Errors(), "Comunica\xE7\xE3o com o NoBreak restabelecida na porta COM3."), 1);
}

}  // namespace
