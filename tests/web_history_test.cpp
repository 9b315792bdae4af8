// vigil-web's history through kills: killed with SIGKILL at random moments
// while events pour in from several stations, then started again, its
// history reads back whole (no record cut or damaged) and every event seen
// before a kill is still there. And ALLOW: a client of another network is
// refused while one of the allowed network is answered, each request
// answered going to the LOG file.
#include <csignal>
#include <filesystem>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "web/history_record.h"
#include "web/history_store.h"
#include "web_fixture.h"

namespace {

std::set<std::string> Lines(const std::string& text) {
  std::set<std::string> lines;
  std::istringstream in(text);
  std::string line;
  std::getline(in, line);  // the header
  while (std::getline(in, line)) lines.insert(line);
  return lines;
}

TEST(WebHistory, KilledAtRandomMomentsItKeepsEveryEventWholeAndInOrder) {
  VethLan lan;
  Sandbox sender{In(lan.first())};
  Sandbox web{In(lan.second())};
  Station(sender, "192.168.77.1");
  Station(web, "192.168.77.2");
  StartWeb(web);
  // Three stations whose mains fail and return every few tens of
  // milliseconds: a stream of events.
  sender.Run(
      "for n in 1 2 3; do (while :; do "
      VIGIL_DGRAM_BIN " send 255.255.255.255 0 1 estacao$n 1 0 0 0 0 600 600 590 10; sleep 0.0$n; "
      VIGIL_DGRAM_BIN " send 255.255.255.255 0 1 estacao$n 0 0 0 0 0 600 600 600 0; sleep 0.0$n; "
      "done) >/dev/null 2>&1 & done");
  ASSERT_TRUE(WaitUntil([&] { return Lines(Get(web, "/events.csv").body).size() > 20; }, 10000));

  std::mt19937 random(20261210);
  std::set<std::string> seen;
  for (int round = 0; round < 8; ++round) {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution<int>(50, 600)(random)));
    Page before = Get(web, "/events.csv");
    ASSERT_EQ(before.status, 200);
    std::set<std::string> lines = Lines(before.body);
    seen.insert(lines.begin(), lines.end());
    CommandResult killed = web.Run("pkill -9 -x vigil-web");
    ASSERT_EQ(killed.status, 0) << killed.err;
    ASSERT_TRUE(WaitUntil([&] { return web.Run("pgrep -x vigil-web").status != 0; }, 5000));
    StartWeb(web);
  }
  // Enough events for the kills to have fallen among many writes, however
  // busy the machine that slows the senders.
  ASSERT_TRUE(WaitUntil([&] { return Lines(Get(web, "/events.csv").body).size() > 100; }, 60000));
  web.Run("pkill -9 -x vigil-web");

  // The files hold whole records only, every one passing its check.
  std::string folder = web.Path("web/state");
  web::HistoryStore store(folder);
  size_t records = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    EXPECT_EQ(std::filesystem::file_size(entry.path()) % web::kHistoryRecordBytes, 0u) << entry.path();
  for (const std::string& station : store.Stations()) {
    web::HistoryStore::Reading reading = store.Read(station);
    EXPECT_EQ(reading.damaged, 0u) << station;
    records += reading.records.size();
    for (size_t i = 1; i < reading.records.size(); ++i)
      EXPECT_LE(reading.records[i - 1].unixMs, reading.records[i].unixMs) << station;
  }
  EXPECT_EQ(store.Stations(), (std::vector<std::string>{"estacao1", "estacao2", "estacao3"}));
  EXPECT_GT(records, 100u);

  // Started once more, it still has every event it had shown.
  StartWeb(web);
  std::set<std::string> after = Lines(Get(web, "/events.csv").body);
  size_t missing = 0;
  for (const std::string& line : seen)
    if (!after.count(line)) ++missing;
  EXPECT_EQ(missing, 0u);
  EXPECT_GE(after.size(), seen.size());
}

TEST(WebAllow, OnlyTheAllowedNetworkIsAnswered) {
  VethLan lan;
  Sandbox client{In(lan.first())};
  Sandbox web{In(lan.second())};
  Station(client, "192.168.77.1");
  Station(web, "192.168.77.2");
  StartWeb(web, "LISTEN 0.0.0.0\nALLOW 192.168.77.0/24\nSTATE /usr/local/web/state\n"
                "LOG /usr/local/web/requests.log\nLOGLEVEL 1\n");
  EXPECT_EQ(Get(client, "/", "192.168.77.2:2648").status, 200);
  // From the loopback, outside the allowed network: closed unanswered.
  EXPECT_EQ(Get(web, "/").status, 0);
  EXPECT_EQ(Get(client, "/metrics", "192.168.77.2:2648").status, 200);
  // LOG and LOGLEVEL 1: the start and each request answered, in the file.
  std::string log = web.Read("web/requests.log");
  EXPECT_NE(log.find("vigil-web: no ar em 0.0.0.0:2648"), std::string::npos) << log;
  EXPECT_NE(log.find("192.168.77.1 - - ["), std::string::npos) << log;
  EXPECT_NE(log.find("\"GET /metrics HTTP/1.1\" 200"), std::string::npos) << log;
  EXPECT_EQ(log.find("127.0.0.1 - - ["), std::string::npos) << log;
}

}  // namespace
