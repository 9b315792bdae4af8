// The agent's event window over a real file.
#include "eventfile/event_file.h"

#include <gtest/gtest.h>

#include "tests/support/test_host.h"

using core::kEventFileName;

namespace {

TEST(EventWindow, FollowsTheNewestRecordsOfTheFile) {
  TestHost host;
  CEventFile writer(kEventFileName);
  ASSERT_TRUE(writer.OpenForWriting());
  for (int32_t i = 0; i < 250; ++i) writer.AppendAt(1000 + i, 1700000000);
  CEventFile reader(kEventFileName);
  ASSERT_TRUE(reader.OpenForReading());

  EventWindow window = ComputeEventWindow(reader.Count(), 100);
  EXPECT_EQ(window.n, 100);
  EXPECT_EQ(reader.ReadCode(RecordOfRow(window, 1)), 1000 + 150);
  EXPECT_EQ(reader.ReadCode(RecordOfRow(window, 100)), 1000 + 249);

  writer.AppendAt(1000 + 250, 1700000000);
  window = ComputeEventWindow(reader.Count(), 100);
  EXPECT_EQ(window.n, 100);
  EXPECT_EQ(reader.ReadCode(RecordOfRow(window, 1)), 1000 + 151);
  EXPECT_EQ(reader.ReadCode(RecordOfRow(window, 100)), 1000 + 250);

  // Rows outside 1..n are unreadable, never a record before the window.
  for (int32_t row : {0, -1, 101}) {
    EXPECT_EQ(RecordOfRow(window, row), -1) << row;
    EXPECT_EQ(reader.ReadCode(RecordOfRow(window, row)), 0) << row;
  }
}

TEST(EventWindow, SmallFilesShowEveryRecord) {
  EventWindow window = ComputeEventWindow(30, 100);
  EXPECT_EQ(window.n, 30);
  EXPECT_EQ(RecordOfRow(window, 1), 0);
  EXPECT_EQ(RecordOfRow(window, 30), 29);
}

TEST(EventWindow, WithoutRecordsOneUnreadableRowIsShown) {
  TestHost host;
  CEventFile missing(kEventFileName);
  EXPECT_FALSE(missing.OpenForReading());
  EventWindow window = ComputeEventWindow(missing.Count(), 100);
  EXPECT_EQ(window.n, 1);
  EXPECT_EQ(window.first, 0);
  EXPECT_EQ(missing.ReadCode(RecordOfRow(window, 1)), 0);
  char text[32] = "none";
  EXPECT_FALSE(missing.ReadTimeText(RecordOfRow(window, 1), text, sizeof text));
  EXPECT_STREQ(text, "none");
}

TEST(EventWindow, ANegativeMaximumShowsNothing) {
  EventWindow window = ComputeEventWindow(50, -5);
  EXPECT_EQ(window.n, 0);
  EXPECT_EQ(window.first, 50);
  EXPECT_EQ(RecordOfRow(window, 1), -1);
  window = ComputeEventWindow(50, 0);
  EXPECT_EQ(window.n, 0);
}

}  // namespace
