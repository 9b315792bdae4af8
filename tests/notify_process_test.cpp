// vigil-web's notifications against real servers: Debian's aiosmtpd with
// STARTTLS on a certificate of a CA the test makes and a login, and an HTTP
// server for the webhook, both on a host of their own behind a link the
// test can cut. A station of the LAN (vigil-dgram) loses and regains the
// mains; the messages must arrive once each, in order, through an outage,
// a kill -9 while they wait and while one is being sent, a server that
// answers 500, and a flapping line.
#include <nlohmann/json.hpp>

#include <chrono>
#include <sstream>
#include <thread>

#include "web_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

const std::string kServers = std::string(VIGIL_SOURCE_DIR) + "/tests/support/notify/servers.py";
const std::string kMakeCa = std::string(VIGIL_SOURCE_DIR) + "/tests/support/notify/make_ca.sh";

int64_t WallMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

struct Arrival {
  std::string channel;
  int64_t ms = 0;
  std::string body;
};

class NotifyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Station(servers_, "192.168.77.1");
    Station(web_, "192.168.77.2");
    // The link to the mail and web servers, apart from the LAN the stations speak on.
    CommandResult r = RunProcess(
        {"/bin/sh", "-c",
         "set -e; ip -n " + lan_.second() + " link add nt0 type veth peer name nt1 netns " + lan_.first() +
             "; ip -n " + lan_.second() + " addr add 10.77.0.2/24 dev nt0; ip -n " + lan_.first() +
             " addr add 10.77.0.1/24 dev nt1; ip -n " + lan_.second() + " link set nt0 up; ip -n " + lan_.first() +
             " link set nt1 up"
             // The servers' host would answer for 10.77.0.1 on the LAN too: with the
             // link down, that address is unreachable instead.
             "; ip -n " + lan_.second() + " route add unreachable 10.77.0.0/24 metric 4000"},
        10000);
    ASSERT_EQ(r.status, 0) << r.err;
    r = servers_.Run(kMakeCa + " /usr/local 10.77.0.1");
    ASSERT_EQ(r.status, 0) << r.err;
    web_.Write("web/ca.pem", servers_.Read("ca.pem"));
    servers_.Run("/usr/bin/python3 " + kServers +
                 " 10.77.0.1 2525 8080 /usr/local/server.pem /usr/local/server.key /usr/local/spool"
                 " >/usr/local/servers.log 2>&1 &");
    ASSERT_TRUE(WaitUntil([&] { return servers_.Exists("spool.ready"); }, 15000)) << servers_.Read("servers.log");
  }

  void TearDown() override {
    if (HasFailure())
      std::printf("vigil-web:\n%s\nservers:\n%s\n", web_.Read("web/web.log").c_str(),
                  servers_.Read("servers.log").c_str());
  }

  static std::string Conf(const std::string& more = "") {
    return std::string(kWebConf) +
           "NOTIFY_CA /usr/local/web/ca.pem\n"
           "MAIL_SERVER smtp://10.77.0.1:2525\n"
           "MAIL_LOGIN avisos segredo\n"
           "MAIL_FROM vigil@posto7.exemplo.com.br\n"
           "MAIL_TO plantao@exemplo.com.br\n"
           "MAIL_EVENTS mains_failure mains_return\n"
           "WEBHOOK_URL http://10.77.0.1:8080/vigil\n"
           "WEBHOOK_HEADER \"Authorization: Bearer t0ken\"\n"
           "WEBHOOK_EVENTS mains_failure mains_return\n"
           "NOTIFY_RETRY 1 2\n"
           "NOTIFY_WINDOW 2\n" +
           more;
  }

  // vigil-web, its process id kept for the kill.
  void Start(const std::string& conf) {
    web_.Write("web/vigil-web.conf", conf);
    web_.Run("chmod 600 /usr/local/web/vigil-web.conf && VIGIL20_HOST_ROOT=/usr/local/root " VIGIL_WEB_BIN
             " -c /usr/local/web/vigil-web.conf >>/usr/local/web/web.log 2>&1 & echo $! >/usr/local/web/pid");
    ASSERT_TRUE(WaitUntil([&] { return web_.Run("grep -q ':0A58 .* 0A ' /proc/net/tcp").status == 0; }, 10000))
        << web_.Read("web/web.log");
  }
  void Kill() {
    web_.Run("kill -9 $(cat /usr/local/web/pid)");
    ASSERT_TRUE(WaitUntil([&] { return web_.Run("kill -0 $(cat /usr/local/web/pid)").status != 0; }, 5000));
  }

  // The station "estacao1" says, every 200 ms, whether it is on battery.
  void Mains(bool failed) {
    sender_.Run("[ -f /usr/local/dgram.pid ] && kill $(cat /usr/local/dgram.pid); " VIGIL_DGRAM_BIN
                " send 255.255.255.255 200 0 estacao1 " +
                std::string(failed ? "1" : "0") + " 0 0 0 0 600 600 590 10 >/dev/null 2>&1 & echo $! >/usr/local/dgram.pid");
  }
  void WaitHeard() {
    ASSERT_TRUE(WaitUntil([&] { return Get(web_, "/metrics").body.find("ups=\"estacao1\"") != std::string::npos; },
                          5000));
  }
  void Link(bool up) {
    CommandResult r = RunProcess({"ip", "-n", lan_.second(), "link", "set", "nt0", up ? "up" : "down"}, 5000);
    ASSERT_EQ(r.status, 0) << r.err;
  }

  std::vector<Arrival> Arrived(const std::string& channel) const {
    std::vector<Arrival> out;
    std::istringstream lines(servers_.Read("spool"));
    std::string line;
    while (std::getline(lines, line)) {
      nlohmann::json j = nlohmann::json::parse(line, nullptr, false);
      if (j.is_discarded() || j["channel"] != channel) continue;
      out.push_back({channel, j["ms"].get<int64_t>(), j["body"].get<std::string>()});
    }
    return out;
  }
  double Metric(const std::string& series) const { return ::Metric(Get(web_, "/metrics").body, series); }

  VethLan lan_;
  Sandbox servers_{In(lan_.first())};  // the mail and web servers' host, and the station
  Sandbox& sender_ = servers_;
  Sandbox web_{In(lan_.second())};
};

TEST_F(NotifyTest, MailOverStartTlsWithLoginAndWebhookTellTheMainsFailure) {
  Start(Conf());
  Mains(false);
  WaitHeard();
  int64_t failedAt = WallMs();
  Mains(true);
  ASSERT_TRUE(WaitUntil([&] { return Arrived("mail").size() == 1 && Arrived("webhook").size() == 1; }, 15000));
  std::printf("from the mains failure to the server: mail %lld ms, webhook %lld ms\n",
              static_cast<long long>(Arrived("mail")[0].ms - failedAt),
              static_cast<long long>(Arrived("webhook")[0].ms - failedAt));

  std::string mail = Arrived("mail")[0].body;
  EXPECT_NE(mail.find("Falta de rede"), std::string::npos) << mail;
  EXPECT_NE(mail.find("Esta\xC3\xA7\xC3\xA3o: estacao1"), std::string::npos) << mail;
  EXPECT_NE(mail.find("Autonomia restante: 9 min"), std::string::npos) << mail;
  EXPECT_NE(mail.find("To: plantao@exemplo.com.br"), std::string::npos) << mail;
  nlohmann::json hook = nlohmann::json::parse(Arrived("webhook")[0].body);
  EXPECT_EQ(hook["headers"]["Authorization"], "Bearer t0ken");
  EXPECT_EQ(hook["json"]["station"], "estacao1");
  EXPECT_EQ(hook["json"]["events"][0]["kind"], "mains_failure");
  EXPECT_EQ(hook["json"]["on_battery"], true);
  EXPECT_TRUE(WaitUntil([&] { return Metric("vigil_notify_sent_total{channel=\"mail\"}") == 1; }, 3000));
  EXPECT_EQ(Metric("vigil_notify_waiting{channel=\"webhook\"}"), 0);

  // The test message on demand, and the server's own refusal of a wrong login.
  CommandResult r = web_.Run("VIGIL20_HOST_ROOT=/usr/local/root " VIGIL_WEB_BIN
                             " -c /usr/local/web/vigil-web.conf -notify-test mail");
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("aceita pelo servidor: 250"), std::string::npos) << r.out;
  r = web_.Run("VIGIL20_HOST_ROOT=/usr/local/root " VIGIL_WEB_BIN " -c /usr/local/web/vigil-web.conf -notify-test webhook");
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("HTTP 200"), std::string::npos) << r.out;
  web_.Write("web/wrong.conf", Conf("MAIL_LOGIN avisos errada\n"));
  r = web_.Run("chmod 600 /usr/local/web/wrong.conf && VIGIL20_HOST_ROOT=/usr/local/root " VIGIL_WEB_BIN
               " -c /usr/local/web/wrong.conf -notify-test mail");
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_NE(r.out.find("recusada"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("535"), std::string::npos) << r.out;
  EXPECT_EQ(Arrived("mail").size(), 2u);
}

TEST_F(NotifyTest, AnOutageAndAKillWhileWaitingLoseNothingAndKeepTheOrder) {
  Start(Conf());
  Mains(false);
  WaitHeard();
  Link(false);
  Mains(true);
  ASSERT_TRUE(WaitUntil([&] { return Metric("vigil_notify_failed_total{channel=\"mail\"}") >= 1; }, 10000));
  Mains(false);
  ASSERT_TRUE(WaitUntil([&] {
    return Metric("vigil_notify_waiting{channel=\"mail\"}") == 2 && Metric("vigil_notify_waiting{channel=\"webhook\"}") == 2;
  }, 10000));
  EXPECT_GE(Metric("vigil_notify_oldest_waiting_seconds{channel=\"mail\"}"), 0);
  Kill();
  Start(Conf());
  Link(true);
  ASSERT_TRUE(WaitUntil([&] { return Arrived("mail").size() >= 2 && Arrived("webhook").size() >= 2; }, 20000));
  // Nothing more comes: each arrived once.
  std::this_thread::sleep_for(std::chrono::seconds(3));
  std::vector<Arrival> mail = Arrived("mail"), hook = Arrived("webhook");
  ASSERT_EQ(mail.size(), 2u);
  ASSERT_EQ(hook.size(), 2u);
  EXPECT_NE(mail[0].body.find("Falta de rede"), std::string::npos) << mail[0].body;
  EXPECT_NE(mail[1].body.find("Retorno da rede"), std::string::npos) << mail[1].body;
  EXPECT_EQ(nlohmann::json::parse(hook[0].body)["json"]["events"][0]["kind"], "mains_failure");
  EXPECT_EQ(nlohmann::json::parse(hook[1].body)["json"]["events"][0]["kind"], "mains_return");
  EXPECT_EQ(Metric("vigil_notify_waiting{channel=\"mail\"}"), 0);
  EXPECT_NE(web_.Read("web/web.log").find("mail: mensagem 1 n\xC3\xA3o enviada"), std::string::npos);
}

TEST_F(NotifyTest, AKillMidSendAndAServerThatAnswers500LoseNothing) {
  servers_.Write("spool.slowmail", "");
  servers_.Write("spool.http500", "");
  Start(Conf());
  Mains(false);
  WaitHeard();
  Mains(true);
  // The server has the mail and has not answered yet.
  ASSERT_TRUE(WaitUntil([&] { return Arrived("mail").size() == 1; }, 10000));
  Kill();
  servers_.Run("rm /usr/local/spool.slowmail");
  EXPECT_NE(web_.Read("web/web.log").find("webhook: mensagem 1 n\xC3\xA3o enviada: HTTP 500: servidor em pane; nova tentativa"),
            std::string::npos);
  Start(Conf());
  ASSERT_TRUE(WaitUntil([&] { return Arrived("mail").size() == 2; }, 15000));
  // The one duplicate a crash mid-send may make, and no more.
  EXPECT_EQ(Arrived("mail")[0].body, Arrived("mail")[1].body);
  EXPECT_TRUE(WaitUntil([&] { return Metric("vigil_notify_failed_total{channel=\"webhook\"}") >= 1; }, 10000));
  servers_.Run("rm /usr/local/spool.http500");
  ASSERT_TRUE(WaitUntil([&] { return Arrived("webhook").size() == 1; }, 15000));
  EXPECT_EQ(nlohmann::json::parse(Arrived("webhook")[0].body)["json"]["events"][0]["kind"], "mains_failure");
  std::this_thread::sleep_for(std::chrono::seconds(2));
  EXPECT_EQ(Arrived("mail").size(), 2u);
  EXPECT_EQ(Arrived("webhook").size(), 1u);
}

TEST_F(NotifyTest, AFlappingLineYieldsABoundedNumberOfMessagesThatTellEveryEvent) {
  Start(Conf());
  Mains(false);
  WaitHeard();
  sender_.Run("kill $(cat /usr/local/dgram.pid)");
  // About six seconds of a line that changes every 100 ms, window 2 s.
  Clock::time_point start = Clock::now();
  sender_.Run("for i in $(seq 30); do " VIGIL_DGRAM_BIN " send 255.255.255.255 0 1 estacao1 1 0 0 0 0 600 600 590 10; sleep 0.1; " VIGIL_DGRAM_BIN
              " send 255.255.255.255 0 1 estacao1 0 0 0 0 0 600 600 590 10; sleep 0.1; done >/dev/null 2>&1", 60000);
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::this_thread::sleep_for(std::chrono::seconds(4));
  std::string metrics = Get(web_, "/metrics").body;
  double events = ::Metric(metrics, "vigil_events_total{kind=\"mains_failure\",ups=\"estacao1\"}") +
                  ::Metric(metrics, "vigil_events_total{kind=\"mains_return\",ups=\"estacao1\"}");
  std::vector<Arrival> hook = Arrived("webhook");
  size_t bound = static_cast<size_t>(seconds / 2) + 2;
  std::printf("%.0f events in %.1f s: %zu webhook and %zu mail messages\n", events, seconds, hook.size(),
              Arrived("mail").size());
  EXPECT_GE(hook.size(), 2u);
  EXPECT_LE(hook.size(), bound);
  EXPECT_LE(Arrived("mail").size(), bound);
  double told = 0;
  for (const Arrival& a : hook) {
    nlohmann::json j = nlohmann::json::parse(a.body)["json"];
    told += j["events"].size() + j.value("more_events", 0);
  }
  EXPECT_EQ(told, events);
  EXPECT_GE(events, 40);
}

}  // namespace
