// The daemon's log record: scrambled and back, cut short or longer than a
// record, and its line in parts.
#include <gtest/gtest.h>

#include "core/daemon_log_record.h"

using core::DaemonLogLine;
using core::ScrambleDaemonLogRecord;
using core::SplitDaemonLogLine;
using core::UnscrambleDaemonLogRecord;
using core::kDaemonLogRecordBytes;

namespace {

TEST(DaemonLogRecordTest, RecordsComeBackAsLinesOfTimeStationAndMessage) {
  const std::string line = "Wed Jun 30 21:49:08 1993 --> estacao1: Falta de Rede\n";
  uint8_t record[kDaemonLogRecordBytes];
  ScrambleDaemonLogRecord(line, record);
  EXPECT_EQ(record[0], 'W' ^ 0xA7);
  EXPECT_EQ(record[kDaemonLogRecordBytes - 1], 0xA7) << "the tail reads as mask bytes";
  EXPECT_EQ(UnscrambleDaemonLogRecord(record, sizeof record), line);
  EXPECT_EQ(UnscrambleDaemonLogRecord(record, 10), "Wed Jun 30");
  uint8_t longer[2 * kDaemonLogRecordBytes];
  ScrambleDaemonLogRecord(line, longer);
  ScrambleDaemonLogRecord("x", longer + kDaemonLogRecordBytes);
  EXPECT_EQ(UnscrambleDaemonLogRecord(longer, sizeof longer), line) << "one record at most";
  ScrambleDaemonLogRecord(std::string(300, 'a'), record);
  EXPECT_EQ(UnscrambleDaemonLogRecord(record, sizeof record), std::string(kDaemonLogRecordBytes, 'a'));

  std::optional<DaemonLogLine> parts = SplitDaemonLogLine(line);
  ASSERT_TRUE(parts);
  EXPECT_EQ(parts->time, "Wed Jun 30 21:49:08 1993");
  EXPECT_EQ(parts->station, "estacao1");
  EXPECT_EQ(parts->message, "Falta de Rede");
  EXPECT_EQ(SplitDaemonLogLine("t --> a: b: c")->message, "b: c");
  for (const char* bad : {"", "no arrow here", "Wed --> estacao1 no colon"}) EXPECT_FALSE(SplitDaemonLogLine(bad)) << bad;
}

}  // namespace
