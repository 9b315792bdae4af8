// LineTap on a real Windows serial port under Wine: COM3 is a
// pseudo-terminal (set up by tests/support/wine/run.sh) whose modem lines
// the LD_PRELOAD shim answers from a line file, so that the win32 serial
// code runs end to end: CreateFileA, the settings, EscapeCommFunction and
// GetCommModemStatus. The master and the slaves are separate processes.
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

#include "lineshare/tests/peer.h"
#include "tests/support/test_host.h"

namespace {

class LineTapOnAPtyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* lines = std::getenv("VIGIL_PTY_LINES");
    const char* port = std::getenv("VIGIL_WINE_PTY_PORT");
    ASSERT_TRUE(lines && port) << "run through the Wine runner with VIGIL_WINE_PTY_PORT set";
    lines_ = lines;
    port_ = port;
    // The port itself, not the simulator.
    UnsetEnvironment("VIGIL20_SIMLINES");
    WriteLines(lines_, "DSR CTS");
  }
  std::string Outputs() { return ReadText(lines_ + ".out"); }

  TestHost host_;
  std::string lines_, port_;
};

TEST_F(LineTapOnAPtyTest, AMasterReadsThePortAndASlaveInAnotherProcessSeesTheSameWord) {
  Peer master, slave;
  EXPECT_EQ(slave.SlaveReads(), (std::vector<int>{-1, -1, -1})) << "before any master";
  ASSERT_EQ(master.Int("serialOpen " + port_ + " 0"), 1);
  EXPECT_EQ(slave.SlaveReads(), (std::vector<int>{-1, -1, -1})) << "opening reads nothing";

  // What the monitoring program does: DTR off, RTS on, seen on the pty's side.
  EXPECT_NE(master.Int("serialSetDtr 1"), 0);
  EXPECT_EQ(Outputs(), "RTS DTR\n");
  EXPECT_NE(master.Int("serialSetDtr 0"), 0);
  EXPECT_NE(master.Int("serialSetRts 1"), 0);
  EXPECT_EQ(Outputs(), "RTS\n");

  EXPECT_EQ(master.Int("serialGetDsr"), 1);
  EXPECT_EQ(master.Int("serialGetCts"), 1);
  EXPECT_EQ(master.Int("serialGetRing"), 0);
  EXPECT_EQ(slave.SlaveReads(), (std::vector<int>{1, 1, 0}));

  // Mains failure: DSR drops; the slave sees it with the CTS of that read.
  WriteLines(lines_, "CTS RI");
  EXPECT_EQ(slave.SlaveReads(), (std::vector<int>{1, 1, 0})) << "slaves never touch the port";
  EXPECT_EQ(master.Int("serialGetDsr"), 0);
  EXPECT_EQ(slave.SlaveReads(), (std::vector<int>{1, 0, 1}));

  EXPECT_EQ(master.Int("serialClose"), 1);
  EXPECT_EQ(slave.SlaveReads(), (std::vector<int>{-1, -1, -1}));
  EXPECT_EQ(Outputs().find("DTR"), std::string::npos) << "closing drops DTR";
}

TEST_F(LineTapOnAPtyTest, AFailedStatusReadIsMinusThreeForEveryone) {
  Peer master, slave;
  ASSERT_EQ(master.Int("serialOpen " + port_ + " 0"), 1);
  ASSERT_EQ(master.Int("serialGetCts"), 1);
  std::filesystem::remove(NativePath(lines_));  // the shim then fails TIOCMGET
  EXPECT_EQ(master.Int("serialGetCts"), -3);
  EXPECT_EQ(slave.SlaveReads(), (std::vector<int>{-3, -3, -3}));
  WriteLines(lines_, "DSR");
  EXPECT_EQ(master.Int("serialGetDsr"), 1);
  EXPECT_EQ(slave.SlaveReads(), (std::vector<int>{0, 1, 0}));
}

TEST_F(LineTapOnAPtyTest, HandshakeSettingsAreAcceptedAndUnmappedOrHighPortsRefused) {
  Peer master;
  EXPECT_EQ(master.Int("serialOpen 10 0"), -1) << "COM10 is not a plain device name";
  EXPECT_EQ(master.Int("serialOpen 8 0"), -1) << "no device behind COM8";
  EXPECT_EQ(master.Int("serialOpen " + port_ + " 1"), 1);
  EXPECT_EQ(master.Int("serialGetDsr"), 1);
}

}  // namespace
