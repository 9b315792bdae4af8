// UpsState at the edges of the LAN datagram and of CState: every flag and
// figure lands in its own field, both ways, and what an edge cannot carry
// is left alone or read as unknown.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/datagram_state.h"
#include "core/packet.h"
#include "core/record_state.h"

using core::CState;
using core::LanDatagram;
using core::PutStateInDatagram;
using core::PutStateInRecord;
using core::StateOfDatagram;
using core::StateOfRecord;
using core::UpsState;

namespace {

// Each flag alone, so that a flag put in its neighbour's field shows.
std::vector<UpsState> OneFlagEach() {
  std::vector<UpsState> states(5);
  states[0].mains_failure = true;
  states[1].battery_critical = true;
  states[2].bypass = true;
  states[3].signal_fault = true;
  states[4].autonomy_end = true;
  for (UpsState& s : states) {
    s.autonomy_nominal_s = 600;
    s.autonomy_full_s = 540;
    s.autonomy_left_s = -25;
    s.time_on_battery_s = 565;
  }
  return states;
}

TEST(UpsStateEdges, TheDatagramCarriesEachFlagAndFigureInItsOwnField) {
  for (const UpsState& s : OneFlagEach()) {
    LanDatagram d;
    PutStateInDatagram(s, &d);
    EXPECT_EQ(d.power_fail, s.mains_failure ? 1 : 0);
    EXPECT_EQ(d.battery_low, s.battery_critical ? 1 : 0);
    EXPECT_EQ(d.bypass, s.bypass ? 1 : 0);
    EXPECT_EQ(d.signal_fault, s.signal_fault ? 1 : 0);
    EXPECT_EQ(d.autonomy_over, s.autonomy_end ? 1 : 0);
    EXPECT_EQ(d.autonomy_total, 600);
    EXPECT_EQ(d.autonomy_base, 540);
    EXPECT_EQ(d.autonomy_left, 0xFFE7);
    EXPECT_EQ(d.discharge_time, 565);
    EXPECT_EQ(StateOfDatagram(d), s);
  }
  // A figure that the state does not know goes as 0; what the datagram
  // cannot carry is not read back.
  UpsState measured;
  measured.shutdown_started = true;
  measured.charge_percent = 80;
  LanDatagram d;
  d.autonomy_total = 7;
  PutStateInDatagram(measured, &d);
  EXPECT_EQ(d.autonomy_total, 0);
  UpsState back = StateOfDatagram(d);
  EXPECT_FALSE(back.shutdown_started);
  EXPECT_EQ(back.charge_percent, std::nullopt);
  EXPECT_EQ(back.autonomy_left_s, 0);
}

TEST(UpsStateEdges, TheRecordCarriesEachFlagAndFigureAndKeepsItsOwnFields) {
  for (const UpsState& s : OneFlagEach()) {
    CState r{};
    std::strcpy(r.hostName, "estacao1");
    r.serverLost = 1;
    r.fromNetwork = 1;
    PutStateInRecord(s, &r);
    EXPECT_EQ(r.powerFailure, s.mains_failure ? 1 : 0);
    EXPECT_EQ(r.batteryCritical, s.battery_critical ? 1 : 0);
    EXPECT_EQ(r.bypass, s.bypass ? 1 : 0);
    EXPECT_EQ(r.signalFault, s.signal_fault ? 1 : 0);
    EXPECT_EQ(r.autonomyEnd, s.autonomy_end ? 1 : 0);
    EXPECT_EQ(r.nominalAutonomy, 600);
    EXPECT_EQ(r.fullAutonomy, 540);
    EXPECT_EQ(r.remainingAutonomy, -25);
    EXPECT_EQ(r.timeOnBattery, 565);
    EXPECT_STREQ(r.hostName, "estacao1");
    EXPECT_EQ(r.serverLost, 1);
    EXPECT_EQ(r.fromNetwork, 1);
    EXPECT_EQ(StateOfRecord(r), s);
  }
}

TEST(UpsStateEdges, ARecordBuiltIntoADatagramReadsBackTheSame) {
  for (const UpsState& s : OneFlagEach()) {
    CState sent{};
    PutStateInRecord(s, &sent);
    size_t size = core::BuildPacket(sent, "estacao1");
    ASSERT_EQ(size, core::kLanHeaderSize + 8);
    CState received{};
    ASSERT_TRUE(core::ParsePacket(sent.packet, size, &received));
    EXPECT_EQ(StateOfRecord(received), s);
    EXPECT_STREQ(received.hostName, "estacao1");
  }
}

}  // namespace
