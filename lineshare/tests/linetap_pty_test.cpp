// LineTap on a real serial port: a pseudo-terminal whose modem lines the
// modem shim answers from a line file (tests/support/pty_com_port.h), so that
// the serial code of each system runs end to end: on Windows under Wine
// CreateFileA, the settings, EscapeCommFunction and GetCommModemStatus; on
// Linux termios and the modem ioctls, with COMn reached through the host
// root's dosdevices link. The master and the slaves are separate processes.
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

#include "lineshare/tests/peer.h"
#include "tests/support/pty_com_port.h"
#include "tests/support/test_host.h"

namespace {

class LineTapOnAPtyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port_ = std::make_unique<PtyComPort>(host_.ScratchPath("."));
    port_->Set("DSR CTS");
    number_ = std::to_string(port_->number());
  }

  // Asks the master's DSR until it reads `wanted`, within `timeoutMs`.
  bool MasterReadsDsr(Peer& master, int wanted, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      if (master.Int("serialGetDsr") == wanted) return true;
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }

  TestHost host_;
  std::unique_ptr<PtyComPort> port_;
  std::string number_;
};

TEST_F(LineTapOnAPtyTest, AMasterReadsThePortAndASlaveInAnotherProcessSeesTheSameWord) {
  Peer master, slave;
  EXPECT_EQ(slave.SlaveReads(), (std::vector<int>{-1, -1, -1})) << "before any master";
  ASSERT_EQ(master.Int("serialOpen " + number_ + " 0"), 1);
  EXPECT_EQ(slave.SlaveReads(), (std::vector<int>{-1, -1, -1})) << "opening reads nothing";

  // What the monitoring program does: DTR off, RTS on, seen on the pty's side.
  EXPECT_NE(master.Int("serialSetDtr 1"), 0);
  EXPECT_EQ(port_->Outputs(), "RTS DTR\n");
  EXPECT_NE(master.Int("serialSetDtr 0"), 0);
  EXPECT_NE(master.Int("serialSetRts 1"), 0);
  EXPECT_EQ(port_->Outputs(), "RTS\n");

  EXPECT_EQ(master.Int("serialGetDsr"), 1);
  EXPECT_EQ(master.Int("serialGetCts"), 1);
  EXPECT_EQ(master.Int("serialGetRing"), 0);
  EXPECT_EQ(slave.SlaveReads(), (std::vector<int>{1, 1, 0}));

  // Mains failure: DSR drops; the slave sees it with the CTS of that read.
  port_->Set("CTS RI");
  EXPECT_EQ(slave.SlaveReads(), (std::vector<int>{1, 1, 0})) << "slaves never touch the port";
  EXPECT_EQ(master.Int("serialGetDsr"), 0);
  EXPECT_EQ(slave.SlaveReads(), (std::vector<int>{1, 0, 1}));

  EXPECT_EQ(master.Int("serialClose"), 1);
  EXPECT_EQ(slave.SlaveReads(), (std::vector<int>{-1, -1, -1}));
  EXPECT_EQ(port_->Outputs().find("DTR"), std::string::npos) << "closing drops DTR";
}

TEST_F(LineTapOnAPtyTest, AnAdapterPulledIsNoReadingForEveryoneUntilItIsBackAsItWas) {
  Peer master, slave;
  ASSERT_EQ(master.Int("serialOpen " + number_ + " 0"), 1);
  ASSERT_NE(master.Int("serialSetDtr 0"), 0);
  ASSERT_NE(master.Int("serialSetRts 1"), 0);
  ASSERT_EQ(master.Int("serialGetCts"), 1);

  port_->Pull();
  EXPECT_EQ(master.Int("serialGetCts"), -3);
  EXPECT_EQ(slave.SlaveReads(), (std::vector<int>{-3, -3, -3}));
  // The old handle fails for good, and the port is not there to open again.
  std::this_thread::sleep_for(std::chrono::milliseconds(1200));
  EXPECT_EQ(master.Int("serialGetDsr"), -3);
  EXPECT_EQ(slave.SlaveReads(), (std::vector<int>{-3, -3, -3}));

  // Back, with the mains out: a new device, opened and set up as the first.
  port_->Plug("CTS");
  ASSERT_TRUE(MasterReadsDsr(master, 0, 5000));
  EXPECT_EQ(slave.SlaveReads(), (std::vector<int>{1, 0, 0}));
  EXPECT_EQ(port_->Outputs(), "RTS\n") << "DTR off and RTS on again";
  EXPECT_EQ(master.Int("serialClose"), 1);
}

TEST_F(LineTapOnAPtyTest, HandshakeSettingsAreAcceptedAndUnmappedOrHighPortsRefused) {
  Peer master;
  EXPECT_EQ(master.Int("serialOpen 10 0"), -1) << "COM10 is not a plain device name";
  EXPECT_EQ(master.Int("serialOpen 8 0"), -1) << "no device behind COM8";
  EXPECT_EQ(master.Int("serialOpen " + number_ + " 1"), 1);
  EXPECT_EQ(master.Int("serialGetDsr"), 1);
}

}  // namespace
