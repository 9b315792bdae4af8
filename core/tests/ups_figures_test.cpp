#include "core/ups_figures.h"

#include <gtest/gtest.h>

namespace core {
namespace {

UpsState Measured() {
  UpsState s;
  s.charge_percent = 87;
  s.runtime_s = 1260;
  s.load_percent = 23.5;
  s.input_voltage_v = 219.7;
  s.battery_voltage_v = 13.4;
  return s;
}

constexpr int64_t kWritten = 1796000000000;

TEST(UpsFigures, WhatIsWrittenReadsBackAndOnlyTheMeasuredFiguresAreTaken) {
  UpsState written = Measured();
  written.mains_failure = true;
  written.autonomy_left_s = 99;
  std::optional<UpsFigures> read = ParseUpsFigures(UpsFiguresText("servidor", kWritten, written));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->station, "servidor");
  EXPECT_EQ(read->writtenUnixMs, kWritten);
  EXPECT_EQ(read->measured, Measured());  // no flag, no autonomy figure

  UpsState shown;
  shown.autonomy_left_s = 300;
  ASSERT_TRUE(TakeUpsFigures(*read, "servidor", kWritten + 1000, &shown));
  EXPECT_EQ(shown.charge_percent, 87);
  EXPECT_EQ(shown.runtime_s, 1260);
  EXPECT_EQ(shown.autonomy_left_s, 300);  // the datagram's, kept
}

TEST(UpsFigures, AFigureTheUpsDoesNotMeasureStaysEmpty) {
  UpsState partial;
  partial.charge_percent = 50;
  partial.load_percent = 1500;  // beyond any plausible load: not written
  std::string text = UpsFiguresText("s", kWritten, partial);
  EXPECT_EQ(text.find("load_percent"), std::string::npos);
  std::optional<UpsFigures> read = ParseUpsFigures(text);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->measured.charge_percent, 50);
  EXPECT_FALSE(read->measured.load_percent);
  EXPECT_FALSE(read->measured.runtime_s);
  EXPECT_FALSE(read->measured.input_voltage_v);
}

TEST(UpsFigures, OnlyFreshFiguresOfTheSameStationAreTaken) {
  std::optional<UpsFigures> read = ParseUpsFigures(UpsFiguresText("servidor", kWritten, Measured()));
  ASSERT_TRUE(read);
  UpsState shown;
  EXPECT_FALSE(TakeUpsFigures(*read, "outro", kWritten, &shown));
  EXPECT_FALSE(TakeUpsFigures(*read, "servidor", kWritten + kUpsFiguresStaleAfterMs + 1, &shown));
  EXPECT_FALSE(TakeUpsFigures(*read, "servidor", kWritten - kUpsFiguresRefreshMs - 1, &shown));
  EXPECT_EQ(shown, UpsState());
  EXPECT_TRUE(TakeUpsFigures(*read, "servidor", kWritten + kUpsFiguresStaleAfterMs, &shown));
}

TEST(UpsFigures, TruncatedFlippedAndOverLongFilesNeverGiveAWrongFigure) {
  const std::string whole = UpsFiguresText("servidor", kWritten, Measured());
  // Cut anywhere: either refused, or each figure present is whole and right.
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    std::optional<UpsFigures> read = ParseUpsFigures(std::string_view(whole).substr(0, cut));
    if (!read) continue;
    EXPECT_EQ(read->station, "servidor") << cut;
    EXPECT_EQ(read->writtenUnixMs, kWritten) << cut;
    const UpsState& m = read->measured;
    if (m.charge_percent) {
      EXPECT_EQ(*m.charge_percent, 87) << cut;
    }
    if (m.runtime_s) {
      EXPECT_EQ(*m.runtime_s, 1260) << cut;
    }
    if (m.battery_voltage_v) {
      EXPECT_EQ(*m.battery_voltage_v, 13.4) << cut;
    }
  }
  EXPECT_FALSE(ParseUpsFigures(""));
  EXPECT_FALSE(ParseUpsFigures(whole.substr(0, whole.find("written"))));  // no time

  // Every byte flipped in turn: nothing out of range, nothing crashes.
  for (size_t at = 0; at < whole.size(); ++at) {
    std::string flipped = whole;
    flipped[at] = static_cast<char>(flipped[at] ^ 0x5A);
    std::optional<UpsFigures> read = ParseUpsFigures(flipped);
    if (!read) continue;
    const UpsState& m = read->measured;
    EXPECT_LE(m.charge_percent.value_or(0), 100) << at;
    EXPECT_GE(m.runtime_s.value_or(0), 0) << at;
    EXPECT_LE(read->station.size(), 32u) << at;
  }

  EXPECT_FALSE(ParseUpsFigures(whole + std::string(kUpsFiguresMax, '#')));
  EXPECT_FALSE(ParseUpsFigures("vigil ups figures 1\nstation=" + std::string(33, 'x') + "\nwritten_unix_ms=1\n"));
  std::optional<UpsFigures> wild =
      ParseUpsFigures("vigil ups figures 1\nstation=s\nwritten_unix_ms=5\ncharge_percent=nan\nload_percent=-3\n"
                      "input_voltage_v=1e300\nruntime_s=99999999999\nbattery_voltage_v=" +
                      std::string(40, '1') + "\nlater_key=7\n");
  ASSERT_TRUE(wild);
  EXPECT_EQ(wild->measured, UpsState());
}

TEST(UpsFigures, ANameWithALineBreakCannotForgeALine) {
  std::optional<UpsFigures> read = ParseUpsFigures(UpsFiguresText("a\ncharge_percent=1", kWritten, UpsState()));
  ASSERT_TRUE(read);
  EXPECT_FALSE(read->measured.charge_percent);
  EXPECT_EQ(read->station, "a?charge_percent=1");
}

// Written at once, again on a change but not faster than every 2 s, and
// again within every refresh period even when nothing changed.
TEST(UpsFigures, ThePaceOfTheWriter) {
  UpsFiguresPace pace;
  const std::string a = UpsFiguresText("s", 0, Measured()), b = a + "load_percent=1.0\n";
  EXPECT_TRUE(UpsFiguresDue(pace, a, 5000));
  pace = {a, 5000};
  EXPECT_FALSE(UpsFiguresDue(pace, a, 6000));
  EXPECT_FALSE(UpsFiguresDue(pace, b, 6999));
  EXPECT_TRUE(UpsFiguresDue(pace, b, 7000));
  EXPECT_FALSE(UpsFiguresDue(pace, a, 5000 + kUpsFiguresRefreshMs / 2 - 1));
  EXPECT_TRUE(UpsFiguresDue(pace, a, 5000 + kUpsFiguresRefreshMs / 2));
}

}  // namespace
}  // namespace core
