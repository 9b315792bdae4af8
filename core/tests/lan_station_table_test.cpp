// The stations heard on the LAN: one per station name, updated by each
// believed datagram, bounded, and stale after the silence rule.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/lan_station_table.h"

using core::LanDatagram;
using core::LanSignature;
using core::LanStation;
using core::LanStationTable;
using core::kLanStaleAfterMs;

namespace {

LanDatagram Datagram(const std::string& name, uint16_t left = 600, uint16_t onBattery = 0) {
  LanDatagram d;
  std::memcpy(d.name, name.data(), name.size());
  d.name_len = static_cast<uint8_t>(name.size());
  d.power_fail = onBattery > 0;
  d.autonomy_total = d.autonomy_base = 600;
  d.autonomy_left = left;
  d.discharge_time = onBattery;
  return d;
}

TEST(LanStationTable, KeepsTheLastDatagramOfEachStationWithWhereAndWhen) {
  LanStationTable table;
  ASSERT_NE(table.Record(Datagram("srv"), LanSignature::kNone, "10.0.0.1", 1000, 1797000000), nullptr);
  const LanStation* srv =
      table.Record(Datagram("srv", 0xFFFB, 605), LanSignature::kVerified, "10.0.0.2", 6000, 1797000005);
  ASSERT_NE(srv, nullptr);
  EXPECT_EQ(table.Find("srv"), srv);
  EXPECT_EQ(srv->name, "srv");
  EXPECT_EQ(srv->last.power_fail, 1);
  EXPECT_EQ(srv->RemainingSeconds(), -5);
  EXPECT_EQ(srv->OnBatterySeconds(), 605);
  EXPECT_EQ(srv->signature, LanSignature::kVerified);
  EXPECT_EQ(srv->sourceAddress, "10.0.0.2");
  EXPECT_EQ(srv->heardMs, 6000);
  EXPECT_EQ(srv->heardUnix, 1797000005);
  EXPECT_EQ(srv->datagrams, 2u);
  EXPECT_EQ(table.All().size(), 1u);
}

TEST(LanStationTable, NamesAreComparedByteForByte) {
  LanStationTable table;
  table.Record(Datagram("SRV"), LanSignature::kNone, "a", 0, 0);
  table.Record(Datagram("srv"), LanSignature::kNone, "b", 0, 0);
  table.Record(Datagram(std::string("s\0v", 3)), LanSignature::kNone, "c", 0, 0);
  table.Record(Datagram(""), LanSignature::kNone, "d", 0, 0);
  EXPECT_EQ(table.All().size(), 4u);
  ASSERT_NE(table.Find(std::string("s\0v", 3)), nullptr);
  EXPECT_EQ(table.Find(std::string("s\0v", 3))->sourceAddress, "c");
  EXPECT_EQ(table.Find("")->sourceAddress, "d");
  EXPECT_EQ(table.Find("Srv"), nullptr);
}

TEST(LanStationTable, StaleAfterThirtySecondsOfSilence) {
  LanStationTable table;
  const LanStation* s = table.Record(Datagram("srv"), LanSignature::kNone, "x", 10000, 0);
  EXPECT_FALSE(s->Stale(10000 + kLanStaleAfterMs));
  EXPECT_TRUE(s->Stale(10000 + kLanStaleAfterMs + 1));
}

TEST(LanStationTable, WhenFullOnlyTheStalestStaleStationMakesRoomAndIsNamed) {
  LanStationTable table(2);
  std::optional<std::string> forgotten;
  table.Record(Datagram("a"), LanSignature::kNone, "x", 0, 0, &forgotten);
  table.Record(Datagram("b"), LanSignature::kNone, "x", 20000, 0, &forgotten);
  EXPECT_EQ(table.Record(Datagram("c"), LanSignature::kNone, "x", 25000, 0, &forgotten), nullptr);
  EXPECT_FALSE(forgotten);
  EXPECT_NE(table.Record(Datagram("a"), LanSignature::kNone, "x", 25000, 0, &forgotten), nullptr)
      << "a known station is always taken";
  const LanStation* a = table.Find("a");
  ASSERT_NE(table.Record(Datagram("c"), LanSignature::kNone, "x", 20000 + kLanStaleAfterMs + 1, 0, &forgotten),
            nullptr);
  EXPECT_EQ(forgotten, "b");
  EXPECT_EQ(table.Find("b"), nullptr);
  EXPECT_EQ(table.Find("a"), a) << "the others stay where they were";
  EXPECT_EQ(table.All().size(), 2u);
}

}  // namespace
