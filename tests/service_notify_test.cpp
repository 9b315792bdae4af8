// The programs under systemd's rules, with the test in systemd's place: the
// notification socket (NOTIFY_SOCKET) hears "READY=1" once the program
// serves and "WATCHDOG=1" while it runs (and not while it is stopped);
// syslog's socket (/dev/log) hears each event once.
#include <gtest/gtest.h>
#include <time.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "nut_fixture.h"
#include "web_fixture.h"

namespace {

using std::chrono::milliseconds;

long long MonotonicMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// The notifications heard, one per line: "time text".
struct Heard {
  long long at = 0;
  std::string text;
};

std::vector<Heard> HeardIn(const Sandbox& box, const std::string& file) {
  std::vector<Heard> heard;
  std::istringstream lines(box.Read(file));
  std::string line;
  while (std::getline(lines, line)) {
    size_t blank = line.find(' ');
    if (blank == std::string::npos) continue;
    heard.push_back({std::stoll(line.substr(0, blank)), line.substr(blank + 1)});
  }
  return heard;
}

int Count(const std::vector<Heard>& heard, const std::string& text) {
  int n = 0;
  for (const Heard& h : heard) n += h.text == text;
  return n;
}

// Plays systemd's notification socket at `path` inside `box`.
void ListenForNotifications(const Sandbox& box, const std::string& path) {
  box.Run(VIGIL_UNIXGRAM_BIN " " + path + " /usr/local/notified >/dev/null 2>&1 &");
  ASSERT_TRUE(WaitUntil([&] { return box.Run("grep -q '" + (path[0] == '@' ? path.substr(1) : path) + "' /proc/net/unix").status == 0; }, 3000));
}

// A /dev of the sandbox's own, whose /dev/log is a socket the test reads
// (/usr/local/journal): what the programs send to syslog.
void PrivateJournal(const Sandbox& box) {
  CommandResult r = box.Run(
      "mkdir -p /usr/local/dev && mount -t tmpfs tmpfs /usr/local/dev && "
      "for n in null zero full random urandom tty console ptmx; do "
      "  touch /usr/local/dev/$n && mount --bind /dev/$n /usr/local/dev/$n || exit 1; done && "
      "mkdir /usr/local/dev/pts /usr/local/dev/shm && mount --bind /dev/pts /usr/local/dev/pts && "
      "mount --bind /dev/shm /usr/local/dev/shm && mount --bind /usr/local/dev /dev");
  ASSERT_EQ(r.status, 0) << r.err;
  box.Run(VIGIL_UNIXGRAM_BIN " /dev/log /usr/local/journal >/dev/null 2>&1 &");
  ASSERT_TRUE(WaitUntil([&] { return box.Run("test -S /dev/log").status == 0; }, 3000));
}

// Watchdog pings stop while the process is stopped, and come back after.
// `pid` as the sandbox numbers it.
void WatchdogFollowsTheProcess(const Sandbox& box, const std::string& pid, int periodMs) {
  ASSERT_TRUE(WaitUntil([&] { return Count(HeardIn(box, "notified"), "WATCHDOG=1") >= 3; }, 4 * periodMs + 3000));
  ASSERT_EQ(box.Run("kill -STOP " + pid).status, 0);
  std::this_thread::sleep_for(milliseconds(300));
  int before = Count(HeardIn(box, "notified"), "WATCHDOG=1");
  std::this_thread::sleep_for(milliseconds(2 * periodMs));
  EXPECT_EQ(Count(HeardIn(box, "notified"), "WATCHDOG=1"), before) << "a stopped program answered the watchdog";
  ASSERT_EQ(box.Run("kill -CONT " + pid).status, 0);
  EXPECT_TRUE(WaitUntil([&] { return Count(HeardIn(box, "notified"), "WATCHDOG=1") > before; }, periodMs + 2000));
}

// The process of the sandbox whose command is `program`, as the sandbox
// numbers it; empty when there is none.
std::string PidIn(const Sandbox& box, const std::string& program) {
  CommandResult r = box.Run("for p in /proc/[0-9]*; do if [ \"$(cat $p/comm 2>/dev/null)\" = '" + program +
                            "' ]; then echo ${p#/proc/}; fi; done | head -1");
  if (!r.out.empty() && r.out.back() == '\n') r.out.pop_back();
  return r.out;
}

TEST(ServiceNotify, VigilNutIsReadyOnceItListensAndAnswersTheWatchdog) {
  Sandbox box;
  box.Run("ip link set lo up");
  NutClientHost(box);
  ListenForNotifications(box, "/usr/local/notify");
  StartGateway(box, kGatewayConf, "NOTIFY_SOCKET=/usr/local/notify WATCHDOG_USEC=1000000");
  ASSERT_TRUE(WaitUntil([&] { return Count(HeardIn(box, "notified"), "READY=1") == 1; }, 3000)) << box.Read("notified");
  // READY came after the listener was open: the wait above saw the port first.
  std::string gateway = PidIn(box, "vigil-nut");
  ASSERT_FALSE(gateway.empty());
  WatchdogFollowsTheProcess(box, gateway, 1000);
  EXPECT_EQ(Count(HeardIn(box, "notified"), "READY=1"), 1);
}

TEST(ServiceNotify, VigilWebIsReadyOnceItServesAndAnswersTheWatchdog) {
  Sandbox box;
  box.Run("ip link set lo up");
  ListenForNotifications(box, "/usr/local/notify");
  StartWeb(box, kWebConf, "NOTIFY_SOCKET=/usr/local/notify WATCHDOG_USEC=1000000");
  ASSERT_TRUE(WaitUntil([&] { return Count(HeardIn(box, "notified"), "READY=1") == 1; }, 3000)) << box.Read("notified");
  std::string web = PidIn(box, "vigil-web");
  ASSERT_FALSE(web.empty());
  WatchdogFollowsTheProcess(box, web, 1000);
  EXPECT_EQ(Count(HeardIn(box, "notified"), "READY=1"), 1);
}

TEST(ServiceNotify, Vigil20TellsItsMainProcessBeforeTheStartReturnsAndJournalsEachEventOnce) {
  Sandbox box;
  PrivateJournal(box);
  // An abstract socket name, as systemd may give.
  ListenForNotifications(box, "@vigil20-notify-test");
  box.WriteConf(LocalConf());
  Lines(box, "set DSR CTS RI");
  ASSERT_EQ(box.Run("NOTIFY_SOCKET=@vigil20-notify-test WATCHDOG_USEC=2000000 VIGIL20_SIMLINES=/usr/local/lines " VIGIL20_BIN)
                .status,
            0);
  long long returned = MonotonicMs();
  // The listener writes down what it heard on its own time: wait for the
  // whole line; the time stamp it took on receipt still gives the order.
  ASSERT_TRUE(WaitUntil([&] { return box.Read("notified").find('\n') != std::string::npos; }, 3000));
  auto heard = HeardIn(box, "notified");
  ASSERT_FALSE(heard.empty());
  EXPECT_LE(heard[0].at, returned);
  ASSERT_EQ(heard[0].text.rfind("READY=1|MAINPID=", 0), 0u) << heard[0].text;
  // MAINPID is the daemon's main process (as the sandbox numbers it).
  std::string mainPid = heard[0].text.substr(16);
  EXPECT_EQ(box.Run("cat /proc/" + mainPid + "/comm").out, "vigil20\n");
  EXPECT_EQ(box.Run("cat /proc/" + mainPid + "/status | grep PPid").out, "PPid:\t1\n");
  WatchdogFollowsTheProcess(box, mainPid, 2000);

  Lines(box, "drop DSR");
  ASSERT_TRUE(WaitForLog(box, "--> estacao1: Falta de Rede\n", 5000));
  ASSERT_TRUE(WaitUntil([&] { return box.Read("journal").find("estacao1: Falta de Rede") != std::string::npos; }, 3000));
  std::string journal = box.Read("journal");
  EXPECT_EQ(CountOf(journal, "Falta de Rede"), 1) << journal;
  EXPECT_NE(journal.find("vigil20["), std::string::npos) << journal;
  EXPECT_EQ(CountOf(HeardIn(box, "notified").front().text, "READY"), 1);
}

TEST(ServiceNotify, AlerterOnLinuxIsReadyAnswersTheWatchdogAndJournalsItsEvents) {
  Sandbox box;
  PrivateJournal(box);
  ListenForNotifications(box, "/usr/local/notify");
  AlerterLines(box, "set DSR CTS RI");
  AlerterSetting(box, "ComPort", 1);
  AlerterSetting(box, "Interval", 200);
  AlerterSetting(box, "Signal Filter", 0);
  box.Run("NOTIFY_SOCKET=/usr/local/notify WATCHDOG_USEC=1000000 VIGIL20_HOST_ROOT=/usr/local/root "
          "VIGIL20_SIMLINES=/usr/local/alines VIGIL20_POWEROFF=/usr/local/sbin/poweroff " ALERTER_BIN
          " -normal > /usr/local/alerter.log 2>&1 &");
  ASSERT_TRUE(WaitUntil([&] { return Count(HeardIn(box, "notified"), "READY=1") == 1; }, 10000))
      << box.Read("alerter.log");
  std::string alerter = PidIn(box, "alerter");
  ASSERT_FALSE(alerter.empty());
  WatchdogFollowsTheProcess(box, alerter, 1000);

  AlerterLines(box, "drop DSR");
  ASSERT_TRUE(WaitUntil([&] { return box.Read("journal").find("alerter[") != std::string::npos &&
                                     box.Read("journal").find(": Falta de rede") != std::string::npos; }, 5000))
      << box.Read("journal");
  EXPECT_EQ(CountOf(box.Read("journal"), "Falta de rede"), 1);
}

}  // namespace
