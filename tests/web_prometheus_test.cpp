// Debian's Prometheus scraping a real vigil-web every second, both in one
// station of a LAN of network namespaces, with a keyed vigil20 server on
// the line simulator in the other; the alert rules of
// packaging/prometheus loaded. A DSR drop at the server reaches the query
// API as network_ups_tools_ups_status{flag="OB"} == 1 and sets the
// on-battery alert going; a forged datagram fires the forged-datagram
// alert; every metric that the rules and the dashboard name is scraped, and
// every query of the dashboard returns data.
#include <nlohmann/json.hpp>

#include <fstream>
#include <set>
#include <sstream>

#include "packaging/prometheus/tests/prometheus_queries.h"
#include "signed_lan.h"
#include "web_fixture.h"

namespace {

const std::string kPrometheusFiles = std::string(VIGIL_SOURCE_DIR) + "/packaging/prometheus/";

std::string SourceFile(const std::string& name) {
  std::ifstream in(kPrometheusFiles + name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A site's Prometheus in miniature: one target, scraped and evaluated
// every second.
const char* const kPrometheusConf =
    "global:\n"
    "  scrape_interval: 1s\n"
    "  evaluation_interval: 1s\n"
    "rule_files:\n"
    "  - /usr/local/prom/vigil-alerts.yml\n"
    "scrape_configs:\n"
    "  - job_name: vigil-web\n"
    "    scrape_timeout: 1s\n"
    "    static_configs:\n"
    "      - targets: ['127.0.0.1:2648']\n";

class WebPrometheusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Station(server_, "192.168.77.1");
    Station(web_, "192.168.77.2");
  }
  void TearDown() override {
    if (HasFailure())
      std::printf("vigil-web:\n%s\nprometheus:\n%s\nserver:\n%s\n", web_.Read("web/web.log").c_str(),
                  web_.Read("prom/prometheus.log").c_str(), LogText(server_).c_str());
  }

  void StartPrometheus() {
    web_.Write("prom/prometheus.yml", kPrometheusConf);
    web_.Write("prom/vigil-alerts.yml", SourceFile("vigil-alerts.yml"));
    web_.Run(
        "prometheus --config.file=/usr/local/prom/prometheus.yml --storage.tsdb.path=/usr/local/prom/data"
        " --web.listen-address=127.0.0.1:9090 --log.level=warn >/usr/local/prom/prometheus.log 2>&1 &");
  }

  // The query API's answer to an instant query: the result vector, empty
  // when Prometheus is not (yet) answering.
  nlohmann::json Query(const std::string& expr) {
    web_.Write("prom/query", expr);
    CommandResult r =
        web_.Run("curl -s -m 5 -G --data-urlencode query@/usr/local/prom/query http://127.0.0.1:9090/api/v1/query");
    nlohmann::json answer = nlohmann::json::parse(r.out, nullptr, false);
    if (answer.is_discarded() || answer.value("status", "") != "success") return nlohmann::json::array();
    return answer["data"]["result"];
  }

  // The stations (label ups) for which `expr` returns a sample.
  std::set<std::string> StationsOf(const std::string& expr) {
    std::set<std::string> stations;
    for (const auto& sample : Query(expr)) stations.insert(sample["metric"].value("ups", ""));
    return stations;
  }

  bool Returns(const std::string& expr, const std::string& station, int timeoutMs) {
    return WaitUntil([&] { return StationsOf(expr).count(station) == 1; }, timeoutMs);
  }

  VethLan lan_;
  Sandbox server_{In(lan_.first())};
  Sandbox web_{In(lan_.second())};
};

TEST_F(WebPrometheusTest, AMainsFailureReachesTheQueryApiAndTheAlerts) {
  // The server stays up through the failure, so that its datagrams go on.
  std::vector<std::string> conf = LocalConf({{3, "Desligar no fim da autonomia (sim/nao) = nao"},
                                             {4, "Desligar com bateria em nivel critico (sim/nao) = nao"}});
  conf.push_back("Chave da rede = " + kNetKey);
  server_.WriteConf(conf);
  Lines(server_, "set DSR CTS RI");
  StartWeb(web_, std::string(kWebConf) + "KEY \"" + kNetKey + "\"\n");
  StartPrometheus();
  ASSERT_EQ(StartDaemon(server_).status, 0);

  ASSERT_TRUE(WaitUntil([&] { return !Query("up{job=\"vigil-web\"} == 1").empty(); }, 20000))
      << "no scrape of vigil-web";
  ASSERT_TRUE(Returns("network_ups_tools_ups_status{flag=\"OL\"} == 1", "estacao1", 15000));
  EXPECT_TRUE(StationsOf("network_ups_tools_ups_status{flag=\"OB\"} == 1").empty());
  EXPECT_TRUE(Query("ALERTS").empty()) << Query("ALERTS").dump();

  Lines(server_, "drop DSR");
  ASSERT_TRUE(Returns("network_ups_tools_ups_status{flag=\"OB\"} == 1", "estacao1", 15000));
  EXPECT_TRUE(StationsOf("network_ups_tools_ups_status{flag=\"OL\"} == 1").empty());
  // The rules see the same series: the on-battery alert is on its way.
  EXPECT_TRUE(Returns("ALERTS{alertname=\"NobreakNaBateria\"}", "estacao1", 5000)) << Query("ALERTS").dump();
  EXPECT_TRUE(Returns("network_ups_tools_battery_runtime < 600", "estacao1", 5000));

  // A datagram whose signature does not match the key.
  SendHex(server_, Flipped(SignedHex(PlainHex("estacao1", 0, 0), kNetKey), 7));
  EXPECT_TRUE(WaitUntil(
      [&] { return !Query("ALERTS{alertname=\"DatagramasForjados\",alertstate=\"firing\"}").empty(); }, 10000))
      << Query("vigil_datagrams_refused_total").dump();
  // Still on battery: the forged "mains back" was not believed.
  EXPECT_EQ(StationsOf("network_ups_tools_ups_status{flag=\"OB\"} == 1"), std::set<std::string>{"estacao1"});

  // Every name that the rules and the dashboard use is one vigil-web writes.
  std::set<std::string> scraped;
  for (const auto& sample : Query(R"(count by (__name__) ({__name__=~"network_ups_tools_.+|vigil_.+"}))"))
    scraped.insert(sample["metric"].value("__name__", ""));
  std::set<std::string> used = MetricNames(SourceFile("vigil-alerts.yml"));
  std::set<std::string> dashboard = MetricNames(SourceFile("grafana-dashboard.json"));
  used.insert(dashboard.begin(), dashboard.end());
  ASSERT_GE(used.size(), 8u);
  for (const std::string& name : used)
    EXPECT_EQ(scraped.count(name), 1u) << name << " is not among the scraped metrics";
  // And every panel draws something now.
  std::vector<std::string> queries =
      DashboardQueries(nlohmann::json::parse(SourceFile("grafana-dashboard.json")), "30s", "5m");
  ASSERT_GE(queries.size(), 10u);
  for (const std::string& query : queries) EXPECT_FALSE(Query(query).empty()) << query;
}

}  // namespace
