// LineTap across real processes: a master that owns the (simulated) port and
// slaves that read the shared record, each a separate process that loaded
// the library.
#include <filesystem>
#include <gtest/gtest.h>

#include "lineshare/tests/peer.h"
#include "tests/support/test_host.h"

namespace {

class LineTapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    lines_ = host_.ScratchPath("lines");
    SetEnvironment("VIGIL20_SIMLINES", lines_);
    SetLines("DSR CTS");
  }
  void TearDown() override { UnsetEnvironment("VIGIL20_SIMLINES"); }
  void SetLines(const std::string& names) { WriteLines(lines_, names); }
  static std::vector<int> SlaveReads(Peer& slave) { return slave.SlaveReads(); }

  TestHost host_;
  std::string lines_;
};

TEST_F(LineTapTest, ExportsTheTenEntryPointsByNameAndNothingElse) {
  Peer peer;  // refuses to start unless all ten are found by name
  EXPECT_EQ(peer.Call("_ZN8platform14OpenSerialPortERKNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEEPS5_"),
            "missing")
      << "the platform layer inside stays hidden";
}

TEST_F(LineTapTest, SlavesSeeTheMastersLastReadAndNothingBeforeOrAfter) {
  Peer master, slave;
  EXPECT_EQ(SlaveReads(slave), (std::vector<int>{-1, -1, -1})) << "before any master";

  ASSERT_EQ(master.Int("serialOpen 2 0"), 1);
  EXPECT_EQ(master.Int("serialSetDtr 0"), 1);
  EXPECT_EQ(master.Int("serialSetRts 1"), 1);
  EXPECT_EQ(ReadText(lines_ + ".out"), "RTS\n");
  EXPECT_EQ(SlaveReads(slave), (std::vector<int>{-1, -1, -1})) << "opening reads nothing";

  EXPECT_EQ(master.Int("serialGetDsr"), 1);
  EXPECT_EQ(SlaveReads(slave), (std::vector<int>{1, 1, 0}));

  // The UPS drops DSR (mains failure); the slave sees it after the master's
  // next read of any input, with the CTS of that same read.
  SetLines("CTS RI");
  EXPECT_EQ(SlaveReads(slave), (std::vector<int>{1, 1, 0})) << "slaves never touch the port";
  EXPECT_EQ(master.Int("serialGetDsr"), 0);
  EXPECT_EQ(SlaveReads(slave), (std::vector<int>{1, 0, 1}));
  EXPECT_EQ(master.Int("serialGetCts"), 1);
  EXPECT_EQ(master.Int("serialGetRing"), 1);

  // A slave that arrives later sees the same record.
  Peer late;
  EXPECT_EQ(SlaveReads(late), (std::vector<int>{1, 0, 1}));

  EXPECT_EQ(master.Int("serialClose"), 1);
  EXPECT_EQ(SlaveReads(slave), (std::vector<int>{-1, -1, -1}));
  EXPECT_EQ(SlaveReads(late), (std::vector<int>{-1, -1, -1}));
}

TEST_F(LineTapTest, AFailedReadIsMinusThreeForEveryone) {
  Peer master, slave;
  ASSERT_EQ(master.Int("serialOpen 1 0"), 1);
  ASSERT_EQ(master.Int("serialGetCts"), 1);
  ASSERT_TRUE(std::filesystem::remove(NativePath(lines_)));  // the cable is pulled out
  EXPECT_EQ(master.Int("serialGetCts"), -3);
  EXPECT_EQ(SlaveReads(slave), (std::vector<int>{-3, -3, -3}));
  SetLines("DSR");
  EXPECT_EQ(master.Int("serialGetDsr"), 1);
  EXPECT_EQ(SlaveReads(slave), (std::vector<int>{0, 1, 0}));
}

TEST_F(LineTapTest, PortTenAndAbsentOrBusyPortsAreRefused) {
  Peer master, other;
  EXPECT_EQ(master.Int("serialOpen 10 0"), -1);
  EXPECT_EQ(master.Int("serialOpen 0 0"), -1);
  ASSERT_EQ(master.Int("serialOpen 9 1"), 1);
  EXPECT_EQ(other.Int("serialOpen 9 0"), -1) << "the port is held by the first master";
  EXPECT_EQ(other.Int("serialSetDtr 1"), 0) << "no port, no output";
  std::filesystem::remove(NativePath(lines_));
  Peer third;
  EXPECT_EQ(third.Int("serialOpen 1 0"), -1) << "no line file: no port";
}

TEST_F(LineTapTest, AMasterThatDiesWithoutClosingIsNoMasterToTheSlaves) {
  Peer slave;
  {
    Peer master;
    ASSERT_EQ(master.Int("serialOpen 2 0"), 1);
    ASSERT_EQ(master.Int("serialGetDsr"), 1);
    ASSERT_EQ(SlaveReads(slave), (std::vector<int>{1, 1, 0}));
    master.Stop(/*kill=*/true);
  }
  // Its last reading would say the mains is on while nobody watches the UPS.
  EXPECT_EQ(SlaveReads(slave), (std::vector<int>{-1, -1, -1})) << "a killed master's reading is stale";
  slave.Stop();
  Peer fresh;
  EXPECT_EQ(SlaveReads(fresh), (std::vector<int>{-1, -1, -1})) << "as loaded, once nobody held it";
}

}  // namespace

namespace {

// A master killed while a slave reads: the slave hears "no master" at once,
// and a new master takes the port and is seen from its first read.
TEST_F(LineTapTest, AfterAKilledMasterANewMasterTakesThePortAndIsSeen) {
  Peer slave;
  Peer first;
  ASSERT_EQ(first.Int("serialOpen 2 0"), 1);
  ASSERT_EQ(first.Int("serialGetDsr"), 1);
  ASSERT_EQ(SlaveReads(slave), (std::vector<int>{1, 1, 0}));
  first.Stop(/*kill=*/true);
  SetLines("CTS RI");
  EXPECT_EQ(SlaveReads(slave), (std::vector<int>{-1, -1, -1})) << "no master since the kill";

  Peer second;
  ASSERT_EQ(second.Int("serialOpen 2 0"), 1) << "the killed master does not keep the port";
  ASSERT_EQ(second.Int("serialGetCts"), 1);
  EXPECT_EQ(SlaveReads(slave), (std::vector<int>{1, 0, 1}));
  SetLines("");
  ASSERT_EQ(second.Int("serialGetRing"), 0);
  EXPECT_EQ(SlaveReads(slave), (std::vector<int>{0, 0, 0}));
}

}  // namespace
