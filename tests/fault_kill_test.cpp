// A kill -9 at any moment: a loop of kills at random moments of the
// programs' writes, and after each one the files are read back. The
// daemon's log, the event file and the registry's key files stay readable,
// and what was written before the kill is all there. A service killed the
// same way is shown stopped and starts again.
#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <random>
#include <thread>

#include "alerter_fixture.h"
#include "daemon_fixture.h"
#include "linux/log_file.h"

using core::ScrambleDaemonLogRecord;

namespace {

using std::chrono::milliseconds;

// Random moments, from a seed printed so that a failure can be replayed.
std::mt19937& Random() {
  static std::mt19937 random = [] {
    unsigned seed = std::getenv("VIGIL_KILL_SEED") ? static_cast<unsigned>(std::atol(std::getenv("VIGIL_KILL_SEED")))
                                                   : std::random_device{}();
    std::printf("kill moments: VIGIL_KILL_SEED=%u\n", seed);
    return std::mt19937(seed);
  }();
  return random;
}
int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(Random()); }

// The records of a file of fixed-size records: the complete ones, and
// whether a torn one follows them.
std::vector<std::string> Records(const std::string& bytes, size_t size) {
  std::vector<std::string> records;
  for (size_t at = 0; at + size <= bytes.size(); at += size) records.push_back(bytes.substr(at, size));
  return records;
}

// True when `after` begins with `before` less its `dropped` oldest records.
bool Keeps(const std::vector<std::string>& before, const std::vector<std::string>& after, size_t dropped) {
  if (dropped > before.size() || after.size() < before.size() - dropped) return false;
  return std::equal(before.begin() + static_cast<long>(dropped), before.end(), after.begin());
}

TEST(KillAtAnyMoment, TheDaemonsLogKeepsItsRecordsAndStaysReadable) {
  Sandbox box;
  box.WriteConf(LocalConf({{15, "Filtro de estabilidade (sim/naom) = nao"}}));
  Lines(box, "set DSR CTS RI");
  // Nearly full, so that appends also trim the log through its temporary file.
  std::string log;
  for (int i = 0; i < 985; ++i) {
    uint8_t record[kRecordSize];
    ScrambleDaemonLogRecord("Wed Dec  9 10:00:00 2026\n --> antes: registro " + std::to_string(i) + "\n", record);
    log.append(reinterpret_cast<const char*>(record), kRecordSize);
  }
  ASSERT_EQ(box.Run("mkdir -p vigil20").status, 0);
  box.Write("vigil20/vigil20.log", log);
  std::vector<std::string> before = Records(log, kRecordSize);

  for (int round = 0; round < 12; ++round) {
    CommandResult start = StartDaemon(box);
    ASSERT_EQ(start.status, 0) << "round " << round << ": " << start.err << LogText(box);
    ASSERT_TRUE(WaitUntil([&] { return box.DaemonWorker() != 0; }, 3000));
    // The mains come and go while the daemon is killed at a random moment.
    box.Run("(while :; do " VIGIL_LINES_BIN " /usr/local/lines drop DSR; sleep 0.3; " VIGIL_LINES_BIN
            " /usr/local/lines raise DSR; sleep 0.3; done) >/dev/null 2>&1 & echo $! > /usr/local/toggler.pid");
    // Killed while it writes: once it has logged, at a random moment after.
    std::string logged = box.Read("vigil20/vigil20.log");
    ASSERT_TRUE(WaitUntil([&] { return box.Read("vigil20/vigil20.log") != logged; }, 5000))
        << "round " << round << ": nothing logged; main " << box.DaemonMain() << ", lines " << box.Read("lines")
        << ", exits " << box.Exits() << ", console " << box.Read("console") << ", start " << start.out << start.err;
    std::this_thread::sleep_for(milliseconds(Between(0, 700)));
    // Now and then the worker first; never a pid of 0 (the test's own group).
    for (pid_t victim : {Between(0, 3) == 0 ? box.DaemonWorker() : box.DaemonMain(), box.DaemonMain()})
      if (victim > 0) kill(victim, SIGKILL);
    box.Run("kill $(cat /usr/local/toggler.pid)");
    ASSERT_TRUE(box.WaitDaemonGone(3000));

    CommandResult shown = Vigil(box, "log");
    ASSERT_EQ(shown.status, 0) << shown.err;
    std::vector<std::string> after = Records(box.Read("vigil20/vigil20.log"), kRecordSize);
    // Only a full log drops its oldest records.
    size_t dropped = 0;
    while (dropped <= before.size() && !Keeps(before, after, dropped)) ++dropped;
    ASSERT_LE(dropped, before.size()) << "round " << round << ": records lost";
    if (dropped > 0) {
      EXPECT_EQ(after.size(), 1000u);
    }
    before = after;
  }
  EXPECT_NE(CountOf(LogText(box), "Falta de Rede"), 0);
  // The last kill left the block and the semaphore: the next start clears them.
  ASSERT_EQ(StartDaemon(box).status, 0);
  EXPECT_EQ(Vigil(box, "stop").status, 0);
}

TEST(KillAtAnyMoment, TheEventFileKeepsItsRecords) {
  AlerterHost host;
  host.Session("no");
  host.Setting("ComPort", 1);
  host.Setting("Interval", 20);
  host.Setting("Signal Filter", 0);
  std::vector<std::string> before;
  for (int round = 0; round < 8; ++round) {
    auto alerter = host.Start();
    ASSERT_TRUE(host.WaitServing()) << "round " << round;
    std::string error;
    auto toggler = ChildProcess::Start(
        {"/bin/sh", "-c",
         std::string("while :; do " VIGIL_LINES_BIN " '") + host.Path("lines") + "' drop DSR; sleep 0.03; " +
             VIGIL_LINES_BIN " '" + host.Path("lines") + "' raise DSR; sleep 0.03; done"},
        {.captureErrors = true, .pipeOutput = true, .ownGroup = true}, &error);
    ASSERT_TRUE(toggler) << error;
    std::this_thread::sleep_for(milliseconds(Between(200, 1200)));
    alerter->Kill();
    alerter->Wait();
    toggler->Kill();
    toggler->Wait();

    std::string bytes = host.Read("windows/EvtVigil20.dat");
    std::vector<std::string> after = Records(bytes, 28);
    ASSERT_TRUE(Keeps(before, after, 0)) << "round " << round << ": records lost";
    // Whole records only: every code one that the program logs.
    for (int32_t code : EventCodes(host.Path("windows/EvtVigil20.dat")))
      ASSERT_TRUE(code == 1 || code == 2 || code == 10 || code == 11) << "round " << round << ": code " << code;
    before = after;
  }
  EXPECT_GT(before.size(), 4u);
}

TEST(KillAtAnyMoment, TheRegistryKeepsEveryValueWrittenAndStaysReadable) {
  TempHostRoot root;
  const std::string key = "HKLM\\Software\\Tessaly\\Vigil 2.0";
  // The kills fall within the time one write takes from the program's start.
  auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(RunProcess({VIGIL_REG_BIN, "add", key, "/v", "Primeiro", "/t", "REG_DWORD", "/d", "1", "/f"}, 10000).status, 0);
  int write_us = static_cast<int>(
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count());
  std::vector<int> written;
  for (int i = 0; i < 30; ++i) {
    std::string error;
    auto writer = ChildProcess::Start({VIGIL_REG_BIN, "add", key, "/v", "Valor" + std::to_string(i), "/t", "REG_DWORD",
                                       "/d", std::to_string(i), "/f"},
                                      {.captureErrors = true}, &error);
    ASSERT_TRUE(writer) << error;
    std::this_thread::sleep_for(std::chrono::microseconds(Between(0, write_us * 3 / 2)));
    writer->Kill();
    std::string out, err;
    writer->ReadAll(&out, &err, 5000);
    if (writer->Wait() == 0) written.push_back(i);

    CommandResult query = RunProcess({VIGIL_REG_BIN, "query", key}, 5000);
    if (written.empty() && query.status != 0) continue;  // no key yet
    ASSERT_EQ(query.status, 0) << query.err;
    for (int value : written)
      ASSERT_NE(query.out.find("Valor" + std::to_string(value) + "    REG_DWORD"), std::string::npos)
          << "value " << value << " lost:\n" << query.out;
  }
  std::printf("%zu writes of 30 finished before their kill\n", written.size());
  EXPECT_FALSE(written.empty());
}

// alerter as the service, killed: the manager shows it stopped, and nothing
// it held (its lock, its named mutex, its pipe, its control socket) keeps a
// new start from working.
TEST(KillAtAnyMoment, AKilledServiceIsShownStoppedAndStartsAgain) {
  AlerterHost host;
  host.Session("no");
  host.Setting("ComPort", 1);
  host.Setting("Interval", 100);
  auto sc = [](const std::string& command) {
    return RunProcess({"/bin/sh", "-c", std::string(VIGIL_SC_BIN " ") + command}, 30000);
  };
  auto state = [&] {
    std::string out = sc("query Vigil20").out;
    size_t at = out.find("STATE");
    return at == std::string::npos ? "" : out.substr(at, out.find('\n', at) - at);
  };
  ASSERT_EQ(host.Run({"-install"}).status, 0);
  for (int round = 0; round < 3; ++round) {
    CommandResult start = sc("start Vigil20");
    ASSERT_EQ(start.status, 0) << "round " << round << host.Read("run/scm/Vigil20.log");
    ASSERT_TRUE(WaitUntil([&] { return state().find("RUNNING") != std::string::npos; }, 10000))
        << "round " << round << ": " << state() << host.Read("run/scm/Vigil20.log");
    ASSERT_TRUE(host.WaitServing());
    size_t at = start.out.find("PID");
    ASSERT_NE(at, std::string::npos) << start.out;
    long pid = std::atol(start.out.c_str() + start.out.find(':', at) + 1);
    ASSERT_GT(pid, 0) << start.out;
    std::this_thread::sleep_for(milliseconds(Between(0, 500)));
    ASSERT_EQ(kill(static_cast<pid_t>(pid), SIGKILL), 0);
    ASSERT_TRUE(WaitUntil([&] { return kill(static_cast<pid_t>(pid), 0) != 0; }, 5000));

    EXPECT_NE(state().find("STOPPED"), std::string::npos) << state();
    EXPECT_EQ(sc("stop Vigil20").status, 1062 & 0xFF) << "not active";
  }
  ASSERT_EQ(sc("start Vigil20").status, 0);
  ASSERT_TRUE(host.WaitServing());
  EXPECT_EQ(sc("stop Vigil20").status, 0);
  ASSERT_TRUE(WaitUntil([&] { return state().find("STOPPED") != std::string::npos; }, 10000));
  EXPECT_EQ(host.Run({"-remove"}).status, 0);
}

}  // namespace
