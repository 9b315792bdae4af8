#include <csignal>
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

TEST(BlockTest, SixteenBitFiguresHighByteFirstAndWrapped) {
  uint8_t block[kBlockSize] = {};
  shmem = block;
  BlockPut16(kAutonomyTotal, 1092 * 60);
  EXPECT_EQ(block[kAutonomyTotal], 0xFF);
  EXPECT_EQ(block[kAutonomyTotal + 1], 0xF0);
  EXPECT_EQ(BlockGet16(kAutonomyTotal), 65520);
  BlockPut16(kAutonomyLeft, 1093 * 60);
  EXPECT_EQ(BlockGet16(kAutonomyLeft), (1093 * 60) % 65536);
  EXPECT_EQ(block[kAutonomyBase], 0);  // neighbours untouched
  shmem = nullptr;
}

TEST(BlockTest, NameIsCutToThirtyTwoAndTheAreaCleared) {
  uint8_t block[kBlockSize];
  std::fill(block, block + kBlockSize, 0xEE);
  shmem = block;
  std::string name(40, 'a');
  BlockSetName(name.c_str(), 40);
  EXPECT_EQ(block[kNameLen], 32);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(block + kName), 32), std::string(32, 'a'));
  EXPECT_EQ(block[kBlockSize - 1], 0);
  BlockSetName("ab", 2);
  EXPECT_EQ(block[kNameLen], 2);
  EXPECT_EQ(block[kName + 2], 0);
  EXPECT_EQ(block[kWorkerPaused], 0xEE);  // bytes before the name area untouched
  shmem = nullptr;
}

TEST(SignalTest, TerminationBeforeTheBlockExistsIsRememberedNotWritten) {
  shmem = nullptr;
  InstallStopHandlers();
  raise(SIGTERM);
  EXPECT_TRUE(StopWasSignalled());

  uint8_t block[kBlockSize] = {};
  block[kRunning] = 1;
  shmem = block;
  raise(SIGINT);
  EXPECT_EQ(block[kRunning], 0);
  shmem = nullptr;
  signal(SIGTERM, SIG_DFL);
  signal(SIGINT, SIG_DFL);
  signal(SIGQUIT, SIG_DFL);
}

}  // namespace
