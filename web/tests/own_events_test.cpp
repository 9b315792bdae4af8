// The computer's own events: the daemon's log read back as events, the
// suite's event file, and how both join a station's history and
// its timeline.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>

#include "eventfile/event_file.h"
#include "config/apl_config.h"
#include "tests/support/test_host.h"
#include "core/daemon_log_record.h"
#include "core/lan_datagram.h"
#include "web/history_events.h"
#include "web/own_events.h"
#include "web/station_history.h"
#include "web/timeline_svg.h"
#include "web_test_support.h"

using core::ScrambleDaemonLogRecord;
using core::kDaemonLogRecordBytes;
using core::kEventFileName;
using core::kLanNameMax;

namespace {

using namespace web;

// A record as the daemon writes it.
std::string Scrambled(const std::string& line) {
  uint8_t record[kDaemonLogRecordBytes];
  ScrambleDaemonLogRecord(line, record);
  return std::string(reinterpret_cast<const char*>(record), sizeof record);
}

std::string CtimeText(std::time_t when) {
  std::string text = std::ctime(&when);
  text.pop_back();
  return text;
}

TEST(DaemonLogTest, TheLogReadsAsEventsWithTheirKindsAndSkipsWhatItCannotPlace) {
  web_test::TempFolder folder;
  std::time_t base = 1765000000;
  {
    std::ofstream log(folder / "vigil20.log", std::ios::binary);
    log << Scrambled(CtimeText(base) + " --> estacao1: Falta de Rede\n")
        << Scrambled("not a time --> estacao1: Retorno da rede\n")
        << Scrambled(CtimeText(base + 60) + " --> estacao1: Retorno da rede\n")
        << Scrambled(CtimeText(base + 90) + " --> estacao1: Datagrama sem assinatura recusado\n")
        << Scrambled(CtimeText(base + 120) + " --> estacao1: Bateria em nivel critico\n").substr(0, 100);
  }
  std::vector<OwnEvent> events = DaemonLogSource(folder / "vigil20.log")->ReadAll();
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0].unixMs, base * 1000LL);
  EXPECT_EQ(events[0].code, kEventMainsFailure);
  EXPECT_EQ(events[0].station, "estacao1");
  EXPECT_EQ(events[1].code, kEventMainsReturn);
  EXPECT_EQ(events[2].code, 0);
  EXPECT_EQ(events[2].text, "Datagrama sem assinatura recusado");
  EXPECT_EQ(events[3].code, kEventBatteryCritical) << "a partial last record still reads";
  EXPECT_TRUE(DaemonLogSource(folder / "missing.log")->ReadAll().empty());
}

TEST(EventFileTest, TheSuitesEventFileReadsAsEventsOfThisComputersStation) {
  TestHost host;
  CEventFile file(kEventFileName);
  ASSERT_TRUE(file.OpenForWriting());
  std::time_t base = 1765000000;
  file.AppendAt(1, base);
  file.AppendAt(30, base + 10);
  file.AppendAt(3, base + 20);  // a code without a kind
  file.Close();
  std::vector<OwnEvent> events = EventFileSource("servidor")->ReadAll();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].station, "servidor");
  EXPECT_EQ(events[0].unixMs, base * 1000LL);
  EXPECT_EQ(events[0].text, "Falta de rede");
  EXPECT_EQ(events[1].text, "Entrada em Bypass");
  EXPECT_EQ(events[2].text, "Evento 3");
}

TEST(EventFileTest, ANetworkClientsEventsAreThoseOfTheServerItFollows) {
  CAplConfig config;
  config.comMode = 2;
  config.acceptAll = 0;
  config.hostName = "Servidor";
  EXPECT_EQ(SuiteEventsStation(config), "servidor");
  // Following any server, or watching its own cable, the events are its own.
  config.acceptAll = 1;
  EXPECT_EQ(SuiteEventsStation(config), SuiteStationName());
  config.acceptAll = 0;
  config.comMode = 1;
  EXPECT_EQ(SuiteEventsStation(config), SuiteStationName());
  config.comMode = 2;
  config.hostName.clear();
  EXPECT_EQ(SuiteEventsStation(config), SuiteStationName());
  config.hostName = std::string(100, 'S');
  EXPECT_EQ(SuiteEventsStation(config), std::string(kLanNameMax, 's')) << "cut to what a datagram carries";
}

TEST(StationHistoryTest, OwnEventsCarryTheStateTheyLeaveAndTimelinesDrawIt) {
  std::vector<OwnEvent> own = {{"s", 1000, kEventMainsFailure, "Falta de rede"},
                               {"s", 5000, kEventBatteryCritical, "Bateria em nível crítico"},
                               {"s", 9000, kEventMainsReturn, "Retorno da rede"}};
  std::vector<HistoryEntry> entries = MergeHistory({}, own, 4000);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_TRUE(entries[0].flags.mains_failure && entries[0].flags.battery_critical);
  EXPECT_FALSE(entries[1].flags.mains_failure || entries[1].flags.battery_critical);
  std::vector<Band> bands = BandsOf(MergeHistory({}, own, 0), 0, 20000, 20000);
  ASSERT_EQ(bands.size(), 3u);
  EXPECT_STREQ(bands[0].kind, "bateria");
  EXPECT_EQ(bands[0].fromMs, 1000);
  EXPECT_STREQ(bands[1].kind, "critica");
  EXPECT_STREQ(bands[2].kind, "rede");
  EXPECT_EQ(bands[2].toMs, 20000);
}

TEST(StationHistoryTest, AGapInTheRecordsIsUnknownNotTheLastState) {
  HistoryRecord r;
  r.unixMs = 0;
  r.autonomy_left_s = 600;
  HistoryRecord later = r;
  later.unixMs = 3 * 3600 * 1000LL;
  std::vector<Band> bands = BandsOf(MergeHistory({r, later}, {}, INT64_MIN), 0, 4 * 3600 * 1000LL, 4 * 3600 * 1000LL);
  ASSERT_EQ(bands.size(), 2u);
  EXPECT_EQ(bands[0].toMs, kMainsStateHoldsMs);
  EXPECT_EQ(bands[1].fromMs, later.unixMs);
}

}  // namespace

namespace {

int Occurrences(const std::string& text, const std::string& needle) {
  int n = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
  return n;
}

TEST(TimelineSvgTest, MarksEveryThirdHourOrEachMidnightAndBreaksTheAutonomyLineAtGaps) {
  const int64_t now = 1765012345678, day = 24 * 3600 * 1000LL;
  std::vector<web::HistoryRecord> records;
  for (int64_t t = now - 2 * day; t <= now; t += 10 * 60 * 1000) {
    if (t > now - day && t < now - day / 2) continue;  // the program was stopped
    web::HistoryRecord r;
    r.unixMs = t;
    r.autonomy_left_s = 600;
    r.autonomy_nominal_s = 600;
    records.push_back(r);
  }
  std::vector<web::HistoryEntry> entries = web::MergeHistory(records, {}, INT64_MIN);
  std::string hours = web::TimelineSvg(entries, now - day, now, now, web::TimeMarks::kHours, "24 h");
  int marks = Occurrences(hours, "class=\"hora\"");
  EXPECT_GE(marks, 7);
  EXPECT_LE(marks, 9);
  EXPECT_EQ(Occurrences(hours, "<polyline class=\"autonomia\""), 1);
  std::string week = web::TimelineSvg(entries, now - 7 * day, now, now, web::TimeMarks::kDays, "7 dias");
  EXPECT_GE(Occurrences(week, "class=\"hora\""), 6);
  EXPECT_LE(Occurrences(week, "class=\"hora\""), 8);
  EXPECT_EQ(Occurrences(week, "<polyline class=\"autonomia\""), 2) << "broken where the records stop";
  EXPECT_EQ(Occurrences(week, "class=\"faixa rede\""), 2);
}

TEST(TimelineSvgTest, TheLastHourIsMarkedByMinutesAndTheNarrowDrawingHasFewerMarksAndLargerLetters) {
  const int64_t now = 1765012345678, minute = 60 * 1000LL;
  // A station first heard 8 minutes ago, on battery from 4 minutes ago.
  std::vector<web::HistoryRecord> records;
  for (int64_t t = now - 8 * minute; t <= now; t += 30 * 1000) {
    web::HistoryRecord r;
    r.unixMs = t;
    r.flags.mains_failure = t >= now - 4 * minute;
    r.autonomy_left_s = r.flags.mains_failure ? static_cast<int>(600 - (t - (now - 4 * minute)) / 1000) : 600;
    r.autonomy_nominal_s = 600;
    records.push_back(r);
  }
  std::vector<web::HistoryEntry> entries = web::MergeHistory(records, {}, INT64_MIN);
  std::string wide = web::TimelineSvg(entries, now - 60 * minute, now, now, web::TimeMarks::kMinutes, "1 h");
  std::string narrow = web::TimelineSvg(entries, now - 60 * minute, now, now, web::TimeMarks::kMinutes, "1 h",
                                        web::TimelineFit::kNarrow);
  // Every 10 minutes wide, every 15 narrow, each an hh:mm of a whole step.
  EXPECT_EQ(Occurrences(wide, "class=\"hora\""), 6);
  EXPECT_EQ(Occurrences(narrow, "class=\"hora\""), 4);
  for (const std::string* svg : {&wide, &narrow}) {
    for (size_t at = svg->find("class=\"hora\""); at != std::string::npos; at = svg->find("class=\"hora\"", at + 1)) {
      size_t text = svg->find('>', at) + 1;
      std::string clock = svg->substr(text, svg->find('<', text) - text);
      ASSERT_EQ(clock.size(), 5u) << clock;
      EXPECT_EQ(std::atoi(clock.c_str() + 3) % (svg == &wide ? 10 : 15), 0) << clock;
    }
    // The minutes heard fill a visible part of the picture: the mains and
    // the battery, with the autonomy line going down.
    EXPECT_EQ(Occurrences(*svg, "class=\"faixa rede\""), 1);
    EXPECT_EQ(Occurrences(*svg, "class=\"faixa bateria\""), 1);
    EXPECT_EQ(Occurrences(*svg, "<polyline class=\"autonomia\""), 1);
  }
  EXPECT_NE(wide.find("class=\"linha-do-tempo larga\" viewBox=\"0 0 960.0 170.0\""), std::string::npos);
  EXPECT_NE(narrow.find("class=\"linha-do-tempo estreita\" viewBox=\"0 0 400.0 196.0\""), std::string::npos);
  EXPECT_NE(narrow.find("font-size=\"14\""), std::string::npos);
  EXPECT_EQ(narrow.find("font-size=\"11\""), std::string::npos);
  // The same state drawn at both widths: bands begin at the same fraction.
  auto fraction = [](const std::string& svg, double left, double right) {
    size_t at = svg.find("class=\"faixa bateria\" x=\"");
    return (std::atof(svg.c_str() + at + 25) - left) / (right - left);
  };
  EXPECT_NEAR(fraction(wide, 56, 944), fraction(narrow, 60, 392), 0.002);
  EXPECT_NEAR(fraction(wide, 56, 944), 56.0 / 60, 0.002);
}

}  // namespace
