// The history on disk: its records (cut, changed, too long), a station's
// two files and their bound, torn tails, the limit on stations, and what
// the recorder writes for a station's life.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "web/history_events.h"
#include "web/history_recorder.h"
#include "web/history_store.h"
#include "web_test_support.h"

namespace {

using namespace web;
using web_test::Datagram;
using web_test::TempFolder;

HistoryRecord Sample(int64_t ms, bool pf = false, int left = 600) {
  HistoryRecord r;
  r.unixMs = ms;
  r.flags.mains_failure = pf;
  r.autonomy_left_s = static_cast<int16_t>(left);
  r.autonomy_nominal_s = 600;
  r.autonomy_full_s = 600;
  return r;
}

TEST(HistoryRecordTest, RoundTripsAndRefusesCutChangedAndLongerInput) {
  HistoryRecord r = Sample(1765000000123, true, -5);
  r.kind = RecordKind::kEvent;
  r.event = kEventMainsFailure;
  r.flags.battery_critical = r.flags.silent = true;
  r.time_on_battery_s = 40000;
  uint8_t bytes[kHistoryRecordBytes];
  ASSERT_TRUE(EncodeHistoryRecord(r, bytes));
  std::optional<HistoryRecord> back = DecodeHistoryRecord(bytes, sizeof bytes);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->unixMs, 1765000000123);
  EXPECT_EQ(back->kind, RecordKind::kEvent);
  EXPECT_EQ(back->event, kEventMainsFailure);
  EXPECT_EQ(back->autonomy_left_s, -5);
  EXPECT_EQ(back->time_on_battery_s, 40000);
  EXPECT_TRUE(back->flags == r.flags);

  for (size_t cut = 0; cut < sizeof bytes; ++cut) EXPECT_FALSE(DecodeHistoryRecord(bytes, cut)) << cut;
  uint8_t longer[kHistoryRecordBytes + 1] = {};
  std::copy(bytes, bytes + sizeof bytes, longer);
  EXPECT_FALSE(DecodeHistoryRecord(longer, sizeof longer));
  for (size_t i = 0; i < sizeof bytes; ++i)
    for (int bit = 0; bit < 8; ++bit) {
      uint8_t flipped[kHistoryRecordBytes];
      std::copy(bytes, bytes + sizeof bytes, flipped);
      flipped[i] ^= static_cast<uint8_t>(1 << bit);
      EXPECT_FALSE(DecodeHistoryRecord(flipped, sizeof flipped)) << i << ":" << bit;
    }
}

TEST(HistoryFileStemTest, EveryNameHasOneSafeStemAndComesBack) {
  for (std::string name : {std::string("estacao1"), std::string("PC-Sala.empresa"), std::string("../../etc"),
                           std::string("a b%c"), std::string(""), std::string("\x01\xff\xe7", 3), std::string("Aa")}) {
    std::string stem = HistoryFileStem(name);
    EXPECT_EQ(stem.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789-_%ABCDEF"), std::string::npos) << stem;
    EXPECT_EQ(StationOfStem(stem), name) << stem;
  }
  // Letter case apart even where file names are not.
  EXPECT_NE(HistoryFileStem("Estacao"), HistoryFileStem("estacao"));
  for (const char* bad : {"%4", "%zz", "%61", "a%", "%2e%2"}) EXPECT_FALSE(StationOfStem(bad)) << bad;
}

TEST(HistoryStoreTest, KeepsAStationsRecordsInTwoBoundedFilesOldestGoingFirst) {
  TempFolder folder;
  HistoryStore store(folder.path(), {10 * kHistoryRecordBytes, 8});
  std::string error;
  ASSERT_TRUE(store.Open(&error)) << error;
  for (int i = 0; i < 35; ++i) ASSERT_TRUE(store.Append("estacao1", Sample(1000 * i), &error)) << error;
  HistoryStore::Reading reading = store.Read("estacao1");
  // Two files of ten at most: the newest 15 to 20 records, in order.
  ASSERT_GE(reading.records.size(), 11u);
  ASSERT_LE(reading.records.size(), 20u);
  EXPECT_EQ(reading.records.back().unixMs, 34000);
  for (size_t i = 1; i < reading.records.size(); ++i)
    EXPECT_EQ(reading.records[i].unixMs - reading.records[i - 1].unixMs, 1000);
  EXPECT_EQ(reading.damaged, 0u);
  size_t files = 0, bytes = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
    ++files;
    bytes += std::filesystem::file_size(entry.path());
  }
  EXPECT_EQ(files, 2u);
  EXPECT_LE(bytes, 20 * kHistoryRecordBytes);
  EXPECT_EQ(store.Read("estacao1", 30000).records.size(), 5u);
  EXPECT_EQ(store.Last("estacao1")->unixMs, 34000);
  EXPECT_EQ(store.Stations(), std::vector<std::string>{"estacao1"});
}

TEST(HistoryStoreTest, ATornOrDamagedRecordIsSkippedAndTheNextOneStartsOnItsBoundary) {
  TempFolder folder;
  HistoryStore store(folder.path());
  std::string error;
  ASSERT_TRUE(store.Open(&error));
  ASSERT_TRUE(store.Append("estacao1", Sample(1000), &error));
  ASSERT_TRUE(store.Append("estacao1", Sample(2000), &error));
  std::string file = folder / (HistoryFileStem("estacao1") + ".hist");
  {
    // A record cut short: 17 bytes of a third.
    std::ofstream out(file, std::ios::binary | std::ios::app);
    out << std::string(17, '\x56');
  }
  HistoryStore::Reading cut = store.Read("estacao1");
  EXPECT_EQ(cut.records.size(), 2u);
  EXPECT_EQ(cut.damaged, 1u);
  ASSERT_TRUE(store.Append("estacao1", Sample(3000), &error));
  {
    // And one byte changed in the first record.
    std::fstream io(file, std::ios::binary | std::ios::in | std::ios::out);
    io.seekp(5);
    io.put('\x7f');
  }
  HistoryStore::Reading after = store.Read("estacao1");
  ASSERT_EQ(after.records.size(), 2u);
  EXPECT_EQ(after.records[0].unixMs, 2000);
  EXPECT_EQ(after.records[1].unixMs, 3000);
  EXPECT_EQ(after.damaged, 1u);
  EXPECT_EQ(std::filesystem::file_size(file), 3 * kHistoryRecordBytes);
}

TEST(HistoryStoreTest, BeyondTheStationLimitTheOneHeardLongestAgoLosesItsHistory) {
  TempFolder folder;
  HistoryStore store(folder.path(), {64 * kHistoryRecordBytes, 3});
  std::string error;
  ASSERT_TRUE(store.Open(&error));
  ASSERT_TRUE(store.Append("velha", Sample(1000), &error));
  ASSERT_TRUE(store.Append("media", Sample(2000), &error));
  ASSERT_TRUE(store.Append("nova", Sample(3000), &error));
  ASSERT_TRUE(store.Append("velha", Sample(4000), &error));
  ASSERT_TRUE(store.Append("quarta", Sample(5000), &error));
  EXPECT_EQ(store.Stations(), (std::vector<std::string>{"nova", "quarta", "velha"}));
  EXPECT_TRUE(store.Read("media").records.empty());
}

struct RecorderFixture : ::testing::Test {
  TempFolder folder;
  HistoryStore store{folder.path()};
  std::vector<std::pair<std::string, int>> counted;
  HistoryRecorder recorder{store, nullptr, [this](const std::string& s, int k, int64_t) { counted.push_back({s, k}); }};
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(store.Open(&error));
  }
  std::vector<int> Events(const std::string& station) {
    std::vector<int> events;
    for (const HistoryRecord& r : store.Read(station).records)
      events.push_back(r.kind == RecordKind::kEvent ? r.event : 0);
    return events;
  }
};

TEST_F(RecorderFixture, AnEventForEachChangeASampleByPeriodAndSilence) {
  const int64_t t = 1765000000000;
  recorder.OnDatagram("estacao1", Datagram("estacao1"), t);
  recorder.OnDatagram("estacao1", Datagram("estacao1"), t + 5000);               // nothing new, too soon
  recorder.OnDatagram("estacao1", Datagram("estacao1", {1}, 600), t + 10000);    // mains failure
  recorder.OnDatagram("estacao1", Datagram("estacao1", {1}, 595), t + 15000);    // too soon
  recorder.OnDatagram("estacao1", Datagram("estacao1", {1}, 570), t + 40000);    // a sample on battery
  recorder.OnDatagram("estacao1", Datagram("estacao1", {1, 1, 1}, 560), t + 45000);  // critical and bypass at once
  recorder.OnDatagram("estacao1", Datagram("estacao1", {0, 0, 1}, 560), t + 50000);  // mains back, battery recovered
  recorder.OnSilent("estacao1", t + 90000);
  recorder.OnSilent("estacao1", t + 95000);  // told once
  recorder.OnDatagram("estacao1", Datagram("estacao1", {0, 0, 1}), t + 120000);
  EXPECT_EQ(Events("estacao1"),
            (std::vector<int>{kEventHeard, kEventMainsFailure, 0, kEventBatteryCritical, kEventBypassOn,
                              kEventMainsReturn, kEventBatteryRecovered, kEventSilent, kEventHeard}));
  HistoryStore::Reading reading = store.Read("estacao1");
  EXPECT_TRUE(reading.records[7].flags.silent);
  EXPECT_EQ(reading.records[2].autonomy_left_s, 570);
  EXPECT_EQ(counted.size(), 8u);
  // On mains, the next sample after fifteen minutes.
  recorder.OnDatagram("estacao1", Datagram("estacao1", {0, 0, 1}), t + 120000 + kMainsSampleMs - 1);
  recorder.OnDatagram("estacao1", Datagram("estacao1", {0, 0, 1}), t + 120000 + kMainsSampleMs);
  EXPECT_EQ(Events("estacao1").size(), 10u);
}

TEST_F(RecorderFixture, AfterARestartTheLastStateIsKnownAndOnlyChangesAreEvents) {
  const int64_t t = 1765000000000;
  recorder.OnDatagram("estacao1", Datagram("estacao1", {1}), t);
  HistoryRecorder again(store, nullptr, nullptr);
  EXPECT_EQ(again.Resume(), std::vector<std::string>{"estacao1"});
  again.OnDatagram("estacao1", Datagram("estacao1", {1}, 500), t + 1000);  // same state: a sample
  again.OnDatagram("estacao1", Datagram("estacao1"), t + 2000);
  EXPECT_EQ(Events("estacao1"), (std::vector<int>{kEventHeard, kEventMainsFailure, 0, kEventMainsReturn}));
}

}  // namespace
