#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "linux/log_file.h"

using core::ScrambleDaemonLogRecord;
using core::UnscrambleDaemonLogRecord;

namespace fs = std::filesystem;

namespace {

class LogFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vigil-log-test-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    log_ = dir_ + "/vigil20.log";
    tmp_ = dir_ + "/vigil20.logtmp";
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Bytes() const {
    std::ifstream in(log_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::string Record(size_t index) const {
    std::string all = Bytes();
    return UnscrambleDaemonLogRecord(reinterpret_cast<const uint8_t*>(all.data()) + index * kRecordSize,
                            std::min<size_t>(kRecordSize, all.size() - index * kRecordSize));
  }
  int Append(const std::string& message, int limit = 1000) {
    return AppendLogRecord(log_.c_str(), tmp_.c_str(), limit, FormatLogLine(0, "estacao", message.c_str()));
  }

  std::string dir_, log_, tmp_;
};

TEST(LogLineTest, FormatAndScrambling) {
  setenv("TZ", "UTC", 1);
  tzset();
  std::string line = FormatLogLine(0, "servidor", "Falta de Rede");
  EXPECT_EQ(line, "Thu Jan  1 00:00:00 1970 --> servidor: Falta de Rede\n");

  uint8_t record[kRecordSize];
  ScrambleDaemonLogRecord(line, record);
  for (size_t i = 0; i < line.size(); ++i) ASSERT_EQ(record[i], static_cast<uint8_t>(line[i] ^ 0xA7));
  for (size_t i = line.size(); i < kRecordSize; ++i) ASSERT_EQ(record[i], 0xA7) << i;
  EXPECT_EQ(UnscrambleDaemonLogRecord(record, kRecordSize), line);
  // A torn record reads as far as it goes, never past it.
  EXPECT_EQ(UnscrambleDaemonLogRecord(record, 10), line.substr(0, 10));
}

TEST(LogLineTest, PercentSignsAreText) {
  std::string line = FormatLogLine(0, "%s%n", "100% %d");
  EXPECT_NE(line.find("--> %s%n: 100% %d\n"), std::string::npos);
}

TEST(LogLineTest, OverlongLineIsCutToOneRecord) {
  std::string name(400, 'n');
  std::string line = FormatLogLine(0, name.c_str(), "x");
  EXPECT_EQ(line.size(), static_cast<size_t>(kRecordSize));
  uint8_t record[kRecordSize];
  ScrambleDaemonLogRecord(line, record);
  EXPECT_EQ(UnscrambleDaemonLogRecord(record, kRecordSize), line);
}

TEST_F(LogFileTest, FirstMessageCreatesOneRecord) {
  EXPECT_EQ(Append("Falta de Rede"), 1);
  EXPECT_EQ(Bytes().size(), static_cast<size_t>(kRecordSize));
  EXPECT_NE(Record(0).find("--> estacao: Falta de Rede\n"), std::string::npos);
}

TEST_F(LogFileTest, FullLogDropsTheOldestRecordAndLeavesNoTemporaryFile) {
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(Append("m" + std::to_string(i)), 1);
  ASSERT_EQ(Bytes().size(), 1000u * kRecordSize);
  std::string before = Bytes();

  EXPECT_EQ(Append("m1000"), 1);
  std::string after = Bytes();
  ASSERT_EQ(after.size(), 1000u * kRecordSize);
  // The 999 newest old records are kept byte for byte.
  EXPECT_EQ(after.substr(0, 999 * kRecordSize), before.substr(kRecordSize));
  EXPECT_NE(Record(0).find(": m1\n"), std::string::npos);
  EXPECT_NE(Record(999).find(": m1000\n"), std::string::npos);
  EXPECT_FALSE(fs::exists(tmp_));
}

TEST_F(LogFileTest, TornLastRecordIsCompletedNotShifted) {
  ASSERT_EQ(Append("inteiro"), 1);
  std::string torn = Bytes().substr(0, 100);
  std::ofstream(log_, std::ios::binary | std::ios::app) << torn;
  ASSERT_EQ(Append("depois"), 1);
  EXPECT_EQ(Bytes().size(), 3u * kRecordSize);
  EXPECT_EQ(Record(1), Record(0).substr(0, 100));
  EXPECT_NE(Record(2).find(": depois\n"), std::string::npos);

  // The same when the torn record sits in a full log being trimmed.
  for (int i = 0; i < 3; ++i) ASSERT_EQ(Append("x"), 1);
  std::ofstream(log_, std::ios::binary | std::ios::app) << torn;
  ASSERT_EQ(Append("ultimo", 6), 1);
  EXPECT_EQ(Bytes().size(), 6u * kRecordSize);
  EXPECT_NE(Record(5).find(": ultimo\n"), std::string::npos);
}

TEST_F(LogFileTest, UnwritableLogLosesTheMessage) {
  std::string missing = dir_ + "/no/such/dir/vigil20.log";
  EXPECT_EQ(AppendLogRecord(missing.c_str(), tmp_.c_str(), 1000, "x\n"), -1);
}

TEST_F(LogFileTest, KilledWriterLeavesTheOldOrTheNewLogWhole) {
  for (int i = 0; i < 50; ++i) ASSERT_EQ(Append("seed" + std::to_string(i), 50), 1);
  for (int round = 0; round < 25; ++round) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0;; ++i) Append("r" + std::to_string(i), 50);
    }
    usleep(2000 + round * 1700);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    std::string all = Bytes();
    ASSERT_EQ(all.size(), 50u * kRecordSize) << "round " << round;
    for (size_t r = 0; r < 50; ++r) {
      std::string text = Record(r);
      ASSERT_EQ(text.back(), '\n') << "round " << round << " record " << r;
      ASSERT_NE(text.find(" --> estacao: "), std::string::npos);
    }
  }
}

TEST(FileSizeTest, CountsRecordsPartialLastOneIncluded) {
  EXPECT_EQ(FileSize(nullptr), -1);
  FILE* f = std::tmpfile();
  EXPECT_EQ(FileSize(f), 0);
  std::string bytes(kRecordSize * 2 + 1, 'x');
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  EXPECT_EQ(FileSize(f), 3);
  EXPECT_EQ(std::ftell(f), 0);
  std::fclose(f);
}

}  // namespace
