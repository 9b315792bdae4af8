// One event of a station told both by the LAN and by this computer's own
// record: one row, one count, in both layouts (vigil-web beside a server,
// whose own log names its own station; vigil-web on a client, whose own
// record names the server it follows), while a real second event of the
// same kind a few seconds later still counts as a second.
#include <gtest/gtest.h>

#include "web/history_events.h"
#include "web/same_event.h"
#include "web/station_history.h"

#include "page_fixture.h"

namespace {

using namespace web;
using web_test::Count;
using web_test::Datagram;
using web_test::kT0;

TEST(SameEventTest, PairsAcrossOriginsOfOneKindWithinTheWindowEachReportOnce) {
  const EventReport lan{EventOrigin::kLan, kEventMainsFailure, kT0};
  EXPECT_TRUE(SameEvent(lan, {EventOrigin::kOwn, kEventMainsFailure, kT0 - 800}));
  EXPECT_TRUE(SameEvent(lan, {EventOrigin::kOwn, kEventMainsFailure, kT0 + kSameEventWindowMs}));
  EXPECT_FALSE(SameEvent(lan, {EventOrigin::kOwn, kEventMainsFailure, kT0 + kSameEventWindowMs + 1}));
  EXPECT_FALSE(SameEvent(lan, {EventOrigin::kOwn, kEventMainsReturn, kT0}));
  EXPECT_FALSE(SameEvent(lan, {EventOrigin::kLan, kEventMainsFailure, kT0}));
  EXPECT_FALSE(SameEvent({EventOrigin::kLan, 0, kT0}, {EventOrigin::kOwn, 0, kT0}));

  // Two failures 3 s apart, each told by both: each own report takes its
  // nearest LAN report, not the first that fits.
  std::vector<EventReport> reports = {{EventOrigin::kLan, kEventMainsFailure, kT0},
                                      {EventOrigin::kLan, kEventMainsReturn, kT0 + 1500},
                                      {EventOrigin::kLan, kEventMainsFailure, kT0 + 3000},
                                      {EventOrigin::kOwn, kEventMainsFailure, kT0 + 2800},
                                      {EventOrigin::kOwn, kEventMainsFailure, kT0 - 200},
                                      {EventOrigin::kOwn, kEventMainsReturn, kT0 + 1000},
                                      {EventOrigin::kOwn, kEventMainsReturn, kT0 + 1200}};
  std::vector<std::optional<size_t>> pair = PairReports(reports);
  EXPECT_EQ(pair[3], std::optional<size_t>(2));
  EXPECT_EQ(pair[4], std::optional<size_t>(0));
  EXPECT_EQ(pair[5], std::optional<size_t>(1));
  EXPECT_EQ(pair[6], std::nullopt) << "a LAN report pairs once: the second own return is an event of its own";
  EXPECT_EQ(pair[0], std::optional<size_t>(4));
  EXPECT_EQ(pair[2], std::optional<size_t>(3));
}

TEST(SameEventTest, TheTallyCountsAnEventOnceWhicheverOriginTellsItFirst) {
  EventTally tally;
  EXPECT_TRUE(tally.Take({EventOrigin::kLan, kEventMainsFailure, kT0}));
  EXPECT_FALSE(tally.Take({EventOrigin::kOwn, kEventMainsFailure, kT0 - 600}));
  // The own record read first, the datagram after it.
  EXPECT_TRUE(tally.Take({EventOrigin::kOwn, kEventMainsReturn, kT0 + 2000}));
  EXPECT_FALSE(tally.Take({EventOrigin::kLan, kEventMainsReturn, kT0 + 2300}));
  // A second failure 4 s after the first, told by both: counted again.
  EXPECT_TRUE(tally.Take({EventOrigin::kLan, kEventMainsFailure, kT0 + 4000}));
  EXPECT_FALSE(tally.Take({EventOrigin::kOwn, kEventMainsFailure, kT0 + 4000}));
  // Told by one origin only, twice: two events.
  EXPECT_TRUE(tally.Take({EventOrigin::kLan, kEventBypassOn, kT0 + 5000}));
  EXPECT_TRUE(tally.Take({EventOrigin::kLan, kEventBypassOn, kT0 + 5500}));
  // Too far apart to be one.
  EXPECT_TRUE(tally.Take({EventOrigin::kOwn, kEventBypassOn, kT0 + 5000 + kSameEventWindowMs + 600}));
  // A report without a kind never pairs.
  EXPECT_TRUE(tally.Take({EventOrigin::kLan, 0, kT0}));
  EXPECT_TRUE(tally.Take({EventOrigin::kOwn, 0, kT0}));
}

TEST(SameEventTest, TheTallyKeepsABoundedNumberOfUnpairedReports) {
  EventTally tally;
  for (size_t k = 0; k <= EventTally::kUnpairedKept; ++k)
    EXPECT_TRUE(tally.Take({EventOrigin::kLan, kEventBypassOn, kT0 + static_cast<int64_t>(k) * 10000}));
  // The oldest was let go; the newest still pairs.
  EXPECT_TRUE(tally.Take({EventOrigin::kOwn, kEventBypassOn, kT0}));
  EXPECT_FALSE(
      tally.Take({EventOrigin::kOwn, kEventBypassOn, kT0 + static_cast<int64_t>(EventTally::kUnpairedKept) * 10000}));
}

// The page of a computer whose own record tells of `station`: what
// vigil-web does with a datagram and with a new own event.
struct OnceFixture : web_test::PageFixture {
  void Own(const std::string& station, int64_t at, int code, const std::string& text) {
    ownEvents.push_back({station, at, code, text});
    board.CountEvent(station, code, EventOrigin::kOwn, at);
  }
  std::string Get(const std::string& target) { return site->Answer("GET", target).body; }

  // Two mains failures 4 s apart, each with its return, told by the LAN
  // and by the own record of `owner` (its text as that record writes it),
  // the own record a little before or after the datagram.
  void TwoFailures(const std::string& station, const char* failureText) {
    Hear(Datagram(station), kT0);
    Hear(Datagram(station, {1}, 600), kT0 + 1000);
    Own(station, kT0 + 1000 - 400, kEventMainsFailure, failureText);
    Own(station, kT0 + 3000, kEventMainsReturn, "Retorno da rede");
    Hear(Datagram(station), kT0 + 3200);
    Hear(Datagram(station, {1}, 600), kT0 + 5000);
    Own(station, kT0 + 5000, kEventMainsFailure, failureText);
    Hear(Datagram(station), kT0 + 7000);
    Own(station, kT0 + 7000 - 900, kEventMainsReturn, "Retorno da rede");
    unix = kT0 + 10000;
    mono = 100000 + 10000;
  }

  void ExpectEachEventOnce(const std::string& station, const std::string& failureText) {
    std::string page = Get("/station/" + station);
    EXPECT_EQ(Count(page, "<td>" + failureText + "</td><td>registro deste computador</td>"), 2) << page;
    EXPECT_EQ(Count(page, "<td>Retorno da rede</td><td>registro deste computador</td>"), 2) << page;
    EXPECT_EQ(Count(page, "<td>Falta de rede</td><td>rede</td>"), 0) << "no event told twice: " << page;
    EXPECT_EQ(Count(page, "<td>Retorno da rede</td><td>rede</td>"), 0) << page;
    std::string csv = Get("/events.csv");
    EXPECT_EQ(Count(csv, ",mains_failure,"), 2) << csv;
    EXPECT_EQ(Count(csv, ",mains_return,"), 2) << csv;
    EXPECT_EQ(Count(csv, ",1,mains_failure," + failureText + ",computador\r\n"), 2) << csv;
    std::string metrics = Get("/metrics");
    EXPECT_NE(metrics.find("vigil_events_total{kind=\"mains_failure\",ups=\"" + station + "\"} 2\n"), std::string::npos)
        << metrics;
    EXPECT_NE(metrics.find("vigil_events_total{kind=\"mains_return\",ups=\"" + station + "\"} 2\n"), std::string::npos)
        << metrics;
  }
};

TEST_F(OnceFixture, BesideAServerItsLogAndItsDatagramsAreOneHistory) {
  // The daemon's log names its own station, as its datagrams do.
  TwoFailures("estacao1", "Falta de Rede");
  ExpectEachEventOnce("estacao1", "Falta de Rede");
}

TEST(SameEventHistoryTest, ThePairIsOneEntryWithTheLansStateAndFiguresAndTheOwnWords) {
  HistoryRecord failure = RecordOf(Datagram("estacao1", {1, 1}, 590, 600, 10), RecordKind::kEvent, kT0);
  failure.event = kEventMainsFailure;
  std::vector<OwnEvent> own = {{"estacao1", kT0 - 300, kEventMainsFailure, "Falta de Rede"},
                               {"estacao1", kT0 + 20000, kEventMainsReturn, "Retorno da rede"}};
  std::vector<HistoryEntry> entries = MergeHistory({failure}, own, INT64_MIN);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].unixMs, kT0);
  EXPECT_TRUE(entries[0].own);
  EXPECT_EQ(entries[0].text, "Falta de Rede");
  EXPECT_EQ(entries[0].event, kEventMainsFailure);
  EXPECT_EQ(entries[0].autonomy_left_s, std::optional<int>(590));
  EXPECT_TRUE(entries[0].flags.battery_critical) << "the LAN's whole state, not only what the own record knows";
  EXPECT_TRUE(entries[1].own);
  EXPECT_EQ(entries[1].text, "Retorno da rede");
  EXPECT_EQ(entries[1].autonomy_left_s, std::nullopt);
}

TEST_F(OnceFixture, OnAClientTheEventFileOfTheServerItFollowsIsOneHistoryWithTheLan) {
  // The suite's event file of a client records the server's events under
  // the server's name.
  TwoFailures("servidor", "Falta de rede");
  ExpectEachEventOnce("servidor", "Falta de rede");
}

TEST_F(OnceFixture, WhatOnlyOneOriginTellsStaysAndIsCountedOnce) {
  Hear(Datagram("estacao1"), kT0);
  Hear(Datagram("estacao1", {0, 0, 1}), kT0 + 1000);
  Own("estacao1", kT0 + 1000, kEventShutdown, "Desligamento iniciado");
  // An own failure long after the LAN's, which the LAN never told.
  Own("estacao1", kT0 + 60000, kEventMainsFailure, "Falta de Rede");
  unix = kT0 + 61000;
  mono = 100000 + 61000;
  std::string page = Get("/station/estacao1");
  EXPECT_EQ(Count(page, "<td>Entrada em Bypass</td><td>rede</td>"), 1) << page;
  EXPECT_EQ(Count(page, "<td>Desligamento iniciado</td><td>registro deste computador</td>"), 1) << page;
  EXPECT_EQ(Count(page, "<td>Falta de Rede</td><td>registro deste computador</td>"), 1) << page;
  std::string metrics = Get("/metrics");
  EXPECT_NE(metrics.find("vigil_events_total{kind=\"bypass_on\",ups=\"estacao1\"} 1\n"), std::string::npos) << metrics;
  EXPECT_NE(metrics.find("vigil_events_total{kind=\"mains_failure\",ups=\"estacao1\"} 1\n"), std::string::npos);
  EXPECT_NE(metrics.find("vigil_events_total{kind=\"shutdown_accepted\",ups=\"estacao1\"} 1\n"), std::string::npos);
}

}  // namespace
