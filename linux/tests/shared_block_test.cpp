#include <algorithm>
#include <csignal>
#include <string>
#include <gtest/gtest.h>
#include <sys/ipc.h>
#include <sys/sem.h>

#include "linux/shared_block.h"
#include "linux/signals.h"

namespace {

// A private semaphore set: the test never touches the daemon's key.
class SemaphoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    set_ = semget(IPC_PRIVATE, 1, IPC_CREAT | 0600);
    ASSERT_GE(set_, 0);
    ASSERT_EQ(semctl(set_, 0, SETVAL, 1), 0);
  }
  void TearDown() override { semctl(set_, 0, IPC_RMID); }
  int Value() { return semctl(set_, 0, GETVAL); }
  int set_ = -1;
};

TEST_F(SemaphoreTest, WaitTakesAndPostGivesBackNeverAboveOne) {
  EXPECT_EQ(SemWait(set_, "t"), 0);
  EXPECT_EQ(Value(), 0);
  EXPECT_EQ(SemPost(set_, "t"), 0);
  EXPECT_EQ(Value(), 1);
  // Giving back a lock one does not hold leaves it at 1.
  EXPECT_EQ(SemPost(set_, "t"), 1);
  EXPECT_EQ(Value(), 1);
}

TEST_F(SemaphoreTest, FailureIsReportedWithTheLabel) {
  semctl(set_, 0, IPC_RMID);
  testing::internal::CaptureStdout();
  EXPECT_LT(SemWait(set_, "Envia Mensagens"), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout().rfind("Envia Mensagens -1 ERROR = ", 0), 0u);
  set_ = semget(IPC_PRIVATE, 1, IPC_CREAT | 0600);
}

// Each test's own bytes stand for the block; the accessors are pointed back
// at nothing afterwards.
class BlockTest : public ::testing::Test {
 protected:
  void SetUp() override { UseBlock(block_); }
  void TearDown() override { UseBlock(nullptr); }
  uint8_t block_[kBlockSize] = {};
};

TEST_F(BlockTest, SixteenBitFiguresHighByteFirstAndWrapped) {
  core::UpsState figures;
  figures.autonomy_nominal_s = 1092 * 60;
  WriteAutonomyFigures(figures);
  EXPECT_EQ(block_[kAutonomyNominal], 0xFF);
  EXPECT_EQ(block_[kAutonomyNominal + 1], 0xF0);
  EXPECT_EQ(ReadUpsState().autonomy_nominal_s, 65520);
  figures = {};
  figures.autonomy_left_s = 1093 * 60;
  WriteAutonomyFigures(figures);
  EXPECT_EQ(ReadUpsState().autonomy_left_s, (1093 * 60) % 65536);
  EXPECT_EQ(block_[kAutonomyFull], 0);  // neighbours untouched
  EXPECT_EQ(block_[kAutonomyNominal + 1], 0xF0) << "an empty figure keeps what the block has";
}

TEST_F(BlockTest, RemainingAutonomyReadsSignedTheOthersNot) {
  core::UpsState figures;
  figures.autonomy_left_s = -5;
  figures.time_on_battery_s = 40000;
  WriteAutonomyFigures(figures);
  EXPECT_EQ(block_[kAutonomyLeft], 0xFF);
  EXPECT_EQ(block_[kAutonomyLeft + 1], 0xFB);
  core::UpsState read = ReadUpsState();
  EXPECT_EQ(read.autonomy_left_s, -5);
  EXPECT_EQ(read.time_on_battery_s, 40000);
  EXPECT_FALSE(read.charge_percent) << "the block has no room for measured figures";
}

TEST_F(BlockTest, EachFlagHasItsOwnByte) {
  const struct {
    void (*write)(bool);
    int offset;
    bool core::UpsState::*flag;
  } flags[] = {
      {WriteMainsFailure, kMainsFailure, &core::UpsState::mains_failure},
      {WriteBatteryCritical, kBatteryCritical, &core::UpsState::battery_critical},
      {WriteBypass, kBypass, &core::UpsState::bypass},
      {WriteSignalFault, kSignalFault, &core::UpsState::signal_fault},
      {WriteAutonomyEnd, kAutonomyEnd, &core::UpsState::autonomy_end},
  };
  const core::UpsState clear = ReadUpsState();
  for (const auto& f : flags) {
    f.write(true);
    EXPECT_EQ(block_[f.offset], 1) << f.offset;
    core::UpsState read = ReadUpsState();
    EXPECT_TRUE(read.*f.flag) << f.offset;
    EXPECT_FALSE(SameUpsFlags(read, clear)) << f.offset;
    int set = 0;
    for (int i = kMainsFailure; i <= kAutonomyEnd; ++i) set += block_[i];
    EXPECT_EQ(set, 1) << "only byte " << f.offset;
    f.write(false);
    EXPECT_EQ(block_[f.offset], 0) << f.offset;
  }
  core::UpsState figures_only;
  figures_only.autonomy_left_s = 99;
  EXPECT_TRUE(SameUpsFlags(figures_only, clear)) << "the figures do not count";
}

TEST_F(BlockTest, ControlBytesAndTheStopCommand) {
  BlockSetRunning(true);
  EXPECT_EQ(block_[kRunning], 1);
  EXPECT_TRUE(BlockRunning());
  block_[kStartGate] = 1;
  EXPECT_FALSE(BlockStartGateOpen());
  BlockOpenStartGate();
  EXPECT_EQ(block_[kStartGate], 0);
  BlockSetWorkerPaused(true);
  EXPECT_EQ(block_[kWorkerPaused], 1);
  EXPECT_TRUE(BlockWorkerPaused());
  EXPECT_FALSE(BlockStopRequested());
  AskToStop(block_);
  EXPECT_EQ(block_[kStopRequest], 1);
  EXPECT_EQ(block_[kRunning], 0);
  EXPECT_TRUE(BlockStopRequested());
  EXPECT_FALSE(BlockRunning());
}

TEST_F(BlockTest, NameIsCutToThirtyTwoAndTheAreaCleared) {
  std::fill(block_, block_ + kBlockSize, 0xEE);
  std::string name(40, 'a');
  BlockSetName(name.c_str(), 40);
  EXPECT_EQ(block_[kNameLen], 32);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(block_ + kName), 32), std::string(32, 'a'));
  EXPECT_EQ(block_[kBlockSize - 1], 0);
  BlockSetName("ab", 2);
  EXPECT_EQ(block_[kNameLen], 2);
  EXPECT_EQ(block_[kName + 2], 0);
  EXPECT_EQ(block_[kWorkerPaused], 0xEE);  // bytes before the name area untouched
}

TEST_F(BlockTest, NameReadBackAsStoredAndShownWithoutControls) {
  BlockSetName("a\nb", 3);
  char raw[kNameMax];
  ASSERT_EQ(BlockName(raw), 3);
  EXPECT_EQ(std::string(raw, 3), "a\nb");
  char shown[kNameMax + 1];
  BlockDisplayName(shown);
  EXPECT_STREQ(shown, "a?b");
  // A length byte beyond the area, as only a corrupted block could hold.
  block_[kNameLen] = 200;
  EXPECT_EQ(BlockName(raw), kNameMax);
}

TEST(SignalTest, TerminationBeforeTheBlockExistsIsRememberedNotWritten) {
  UseBlock(nullptr);
  InstallStopHandlers();
  raise(SIGTERM);
  EXPECT_TRUE(StopWasSignalled());

  uint8_t block[kBlockSize] = {};
  block[kRunning] = 1;
  UseBlock(block);
  raise(SIGINT);
  EXPECT_EQ(block[kRunning], 0);
  UseBlock(nullptr);
  signal(SIGTERM, SIG_DFL);
  signal(SIGINT, SIG_DFL);
  signal(SIGQUIT, SIG_DFL);
}

}  // namespace
