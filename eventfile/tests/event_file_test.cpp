#include "eventfile/event_file.h"

#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <limits>

#include "platform/directories.h"
#include "tests/support/test_host.h"

using core::kEventFileName;

namespace {

class EventFileTest : public ::testing::Test {
 protected:
  std::string FilePath() const {
    return host_.WindowsDirectory() + platform::PathSeparator() + kEventFileName;
  }
  void WriteBytes(size_t count) {
    std::filesystem::create_directories(host_.WindowsDirectory());
    std::ofstream(FilePath(), std::ios::binary) << std::string(count, '\x01');
  }
  std::string Bytes() const {
    std::ifstream in(FilePath(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  TestHost host_;
};

TEST_F(EventFileTest, LivesInTheWindowsDirectory) {
  CEventFile file(kEventFileName);
  EXPECT_EQ(file.Path(), FilePath());
  EXPECT_FALSE(file.IsOpen());
}

TEST_F(EventFileTest, AppendedRecordsAreTwentyEightLittleEndianBytes) {
  CEventFile writer(kEventFileName);
  ASSERT_TRUE(writer.OpenForWriting());
  std::time_t when = 1700000000;
  const std::tm* converted = std::localtime(&when);
  ASSERT_NE(converted, nullptr);
  std::tm local = *converted;
  writer.AppendAt(1, when);
  writer.AppendAt(0x01020304, when);
  std::string bytes = Bytes();
  ASSERT_EQ(bytes.size(), 56u);
  int32_t fields[7];
  std::memcpy(fields, bytes.data(), 28);
  EXPECT_EQ(fields[0], local.tm_mday);
  EXPECT_EQ(fields[1], local.tm_mon + 1);
  EXPECT_EQ(fields[2], local.tm_year + 1900);
  EXPECT_EQ(fields[3], local.tm_hour);
  EXPECT_EQ(fields[4], local.tm_min);
  EXPECT_EQ(fields[5], local.tm_sec);
  EXPECT_EQ(fields[6], 1);
  EXPECT_EQ(bytes.substr(28 + 24, 4), "\x04\x03\x02\x01");

  // Reopening for writing never truncates.
  ASSERT_TRUE(writer.OpenForWriting());
  writer.Append(2);
  EXPECT_EQ(Bytes().size(), 84u);
}

TEST_F(EventFileTest, AReaderSeesWhatTheWriterAppends) {
  CEventFile reader(kEventFileName);
  EXPECT_FALSE(reader.OpenForReading()) << "the reader never creates the file";
  EXPECT_FALSE(std::filesystem::exists(FilePath()));

  CEventFile writer(kEventFileName);
  ASSERT_TRUE(writer.OpenForWriting());
  ASSERT_TRUE(reader.OpenForReading());
  EXPECT_EQ(reader.Count(), -1);
  writer.AppendAt(10, 1700000000);
  EXPECT_EQ(reader.Count(), 1);
  EXPECT_EQ(reader.ReadCode(0), 10);
  writer.AppendAt(11, 1700000000);
  EXPECT_EQ(reader.Count(), 2);
  EXPECT_EQ(reader.ReadCode(1), 11);
}

TEST_F(EventFileTest, AnEmptyFileHasNoRecords) {
  WriteBytes(0);
  CEventFile file(kEventFileName);
  ASSERT_TRUE(file.OpenForReading());
  EXPECT_EQ(file.Count(), -1);
  EXPECT_EQ(file.ReadCode(0), 0);
  char text[32] = "untouched";
  EXPECT_FALSE(file.ReadTimeText(0, text, sizeof text));
  EXPECT_STREQ(text, "untouched");
}

TEST_F(EventFileTest, TrailingBytesOfAPartialRecordAreIgnored) {
  for (size_t size : {29u, 55u}) {
    WriteBytes(size);
    CEventFile file(kEventFileName);
    ASSERT_TRUE(file.OpenForReading());
    EXPECT_EQ(file.Count(), 1) << size;
    EXPECT_EQ(file.ReadCode(0), 0x01010101) << size;
    EXPECT_EQ(file.ReadCode(1), 0) << size;
    char text[32] = "untouched";
    EXPECT_FALSE(file.ReadTimeText(1, text, sizeof text));
    EXPECT_STREQ(text, "untouched");
  }
  WriteBytes(27);
  CEventFile file(kEventFileName);
  ASSERT_TRUE(file.OpenForReading());
  EXPECT_EQ(file.Count(), 0);
}

TEST_F(EventFileTest, IndexesBeforeTheStartOrPastTheEndAreUnreadable) {
  CEventFile file(kEventFileName);
  ASSERT_TRUE(file.OpenForWriting());
  file.AppendAt(1, 1700000000);
  file.AppendAt(2, 1700000000);
  char text[32] = "untouched";
  for (int32_t k : {-1, -2, INT32_MIN, 2, 3, INT32_MAX}) {
    EXPECT_EQ(file.ReadCode(k), 0) << k;
    EXPECT_FALSE(file.ReadTimeText(k, text, sizeof text)) << k;
  }
  EXPECT_STREQ(text, "untouched");
  EXPECT_EQ(file.ReadCode(1), 2);
}

TEST_F(EventFileTest, TimeTextIsDayMonthYearHourMinuteSecond) {
  CEventFile file(kEventFileName);
  ASSERT_TRUE(file.OpenForWriting());
  std::time_t when = 1700000000;
  const std::tm* converted = std::localtime(&when);
  ASSERT_NE(converted, nullptr);
  std::tm local = *converted;
  file.AppendAt(5, when);
  char expected[32];
  std::strftime(expected, sizeof expected, "%d/%m/%Y %H:%M:%S", &local);
  char text[32];
  ASSERT_TRUE(file.ReadTimeText(0, text, sizeof text));
  EXPECT_STREQ(text, expected);
  EXPECT_EQ(std::strlen(text), 19u);

  char small[11];
  ASSERT_TRUE(file.ReadTimeText(0, small, sizeof small));
  EXPECT_EQ(std::string(small), std::string(expected).substr(0, 10)) << "cut to the buffer";
}

TEST_F(EventFileTest, ARecordWithoutLocalTimeKeepsItsCode) {
  CEventFile file(kEventFileName);
  ASSERT_TRUE(file.OpenForWriting());
  // A moment too far away for any calendar makes the local time conversion fail.
  file.AppendAt(4, std::numeric_limits<std::time_t>::max());
  EXPECT_EQ(file.ReadCode(0), 4);
  char text[32];
  ASSERT_TRUE(file.ReadTimeText(0, text, sizeof text));
  EXPECT_STREQ(text, "00/00/0000 -01:-01:-01");
}

TEST_F(EventFileTest, AnUnknownCodeIsStoredUnchanged) {
  CEventFile file(kEventFileName);
  ASSERT_TRUE(file.OpenForWriting());
  file.Append(3);
  file.Append(-7);
  EXPECT_EQ(file.ReadCode(0), 3);
  EXPECT_EQ(file.ReadCode(1), -7);
}

TEST_F(EventFileTest, AClosedFileDoesNothingAndReadsNothing) {
  CEventFile file(kEventFileName);
  file.Append(1);
  EXPECT_FALSE(std::filesystem::exists(FilePath()));
  EXPECT_EQ(file.Count(), -1);
  EXPECT_EQ(file.ReadCode(0), 0);
  char text[8] = "same";
  EXPECT_FALSE(file.ReadTimeText(0, text, sizeof text));
  EXPECT_STREQ(text, "same");
  ASSERT_TRUE(file.OpenForWriting());
  file.Close();
  EXPECT_FALSE(file.IsOpen());
  file.Append(1);
  EXPECT_EQ(std::filesystem::file_size(FilePath()), 0u);
}

}  // namespace
