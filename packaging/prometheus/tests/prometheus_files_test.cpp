// The Prometheus files of packaging/prometheus, as a site would use them:
// promtool accepts the rules and their unit tests pass, every alert has a
// case where it fires, the example configurations load; the Grafana
// dashboard is JSON that Grafana can import, each of its queries is PromQL
// that Prometheus parses, and every metric name that the rules and the
// dashboard use is one that vigil-web writes.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "prometheus_queries.h"

namespace fs = std::filesystem;

namespace {

const fs::path kSource = VIGIL_SOURCE_DIR;
const fs::path kFiles = kSource / "packaging" / "prometheus";

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

struct ShellRun {
  int status;
  std::string output;
};

// A shell command's status and its output (both streams).
ShellRun Shell(const std::string& command) {
  char out[] = "/tmp/vigil-prometheus-XXXXXX";
  int fd = mkstemp(out);
  if (fd < 0) return {-1, "mkstemp failed"};
  close(fd);
  int status = std::system((command + " >'" + out + "' 2>&1").c_str());
  ShellRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(out)};
  fs::remove(out);
  return run;
}

std::string Promtool(const std::string& arguments) { return "cd '" + kFiles.string() + "' && promtool " + arguments; }

std::set<std::string> Matches(const std::string& text, const std::string& pattern) {
  std::set<std::string> found;
  std::regex re(pattern);
  for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
    found.insert((*it)[1]);
  return found;
}

TEST(PrometheusRules, PromtoolAcceptsThemAndTheirUnitTestsPass) {
  ShellRun check = Shell(Promtool("check rules vigil-alerts.yml"));
  EXPECT_EQ(check.status, 0) << check.output;
  ShellRun test = Shell(Promtool("test rules vigil-alerts.test.yml"));
  EXPECT_EQ(test.status, 0) << test.output;
  EXPECT_NE(test.output.find("SUCCESS"), std::string::npos) << test.output;
}

TEST(PrometheusRules, EveryAlertHasACaseWhereItFires) {
  std::set<std::string> alerts = Matches(ReadFile(kFiles / "vigil-alerts.yml"), R"(- alert: (\w+))");
  for (const char* wanted : {"NobreakNaBateria", "NobreakBateriaCritica", "EstacaoSilenciosa", "DatagramasForjados"})
    EXPECT_EQ(alerts.count(wanted), 1u) << wanted;
  std::set<std::string> firing = Matches(ReadFile(kFiles / "vigil-alerts.test.yml"),
                                         R"(alertname: (\w+)\s*\n\s*exp_alerts:\s*\n\s*- exp_labels:)");
  EXPECT_EQ(firing, alerts);
}

TEST(PrometheusRules, APromtoolThatFailsIsSeen) {
  // The check above must be able to fail: a rule file with a broken
  // expression is refused.
  fs::path dir = fs::temp_directory_path() / ("vigil-prometheus-bad-" + std::to_string(getpid()));
  fs::create_directories(dir);
  std::ofstream(dir / "bad.yml")
      << "groups:\n  - name: x\n    rules:\n      - alert: X\n        expr: max by (ups (y)\n";
  ShellRun bad = Shell("promtool check rules '" + (dir / "bad.yml").string() + "'");
  fs::remove_all(dir);
  EXPECT_NE(bad.status, 0) << bad.output;
}

TEST(PrometheusConfig, TheSiteAndFederationExamplesLoad) {
  for (const char* file : {"prometheus.yml", "federation.yml"}) {
    ShellRun check = Shell(Promtool(std::string("check config ") + file));
    EXPECT_EQ(check.status, 0) << file << ":\n" << check.output;
  }
  // The site's example loads the rules and scrapes the job they watch.
  std::string site = ReadFile(kFiles / "prometheus.yml");
  EXPECT_NE(site.find("- vigil-alerts.yml"), std::string::npos);
  EXPECT_NE(site.find("job_name: vigil-web"), std::string::npos);
  EXPECT_NE(ReadFile(kFiles / "vigil-alerts.yml").find("up{job=\"vigil-web\"}"), std::string::npos);
}

TEST(GrafanaDashboard, IsAnImportableDashboardOnItsDataSourceVariable) {
  nlohmann::json dashboard = nlohmann::json::parse(ReadFile(kFiles / "grafana-dashboard.json"), nullptr, false);
  ASSERT_FALSE(dashboard.is_discarded()) << "not JSON";
  EXPECT_FALSE(dashboard.value("uid", "").empty());
  EXPECT_FALSE(dashboard.value("title", "").empty());
  bool hasDataSourceVariable = false;
  for (const auto& variable : dashboard["templating"]["list"])
    if (variable["type"] == "datasource" && variable["name"] == "datasource" && variable["query"] == "prometheus")
      hasDataSourceVariable = true;
  EXPECT_TRUE(hasDataSourceVariable);

  std::set<int> ids;
  ASSERT_GE(dashboard["panels"].size(), 8u);
  for (const auto& panel : dashboard["panels"]) {
    std::string title = panel.value("title", "");
    EXPECT_FALSE(title.empty());
    EXPECT_TRUE(ids.insert(panel["id"].get<int>()).second) << "id used twice: " << panel["id"];
    EXPECT_EQ(panel["datasource"]["uid"], "${datasource}") << title;
    const auto& pos = panel["gridPos"];
    EXPECT_LE(pos["x"].get<int>() + pos["w"].get<int>(), 24) << title << " is wider than the dashboard";
    ASSERT_FALSE(panel["targets"].empty()) << title;
    for (const auto& target : panel["targets"]) EXPECT_FALSE(target.value("expr", "").empty()) << title;
  }
}

TEST(GrafanaDashboard, EveryQueryIsPromqlThatPrometheusParses) {
  std::vector<std::string> queries =
      DashboardQueries(nlohmann::json::parse(ReadFile(kFiles / "grafana-dashboard.json")), "1m", "5m");
  ASSERT_GE(queries.size(), 10u);
  // promtool parses them as the expressions of recording rules.
  fs::path dir = fs::temp_directory_path() / ("vigil-prometheus-dashboard-" + std::to_string(getpid()));
  fs::create_directories(dir);
  {
    std::ofstream rules(dir / "queries.yml");
    rules << "groups:\n  - name: dashboard\n    rules:\n";
    for (size_t i = 0; i < queries.size(); ++i)
      rules << "      - record: dashboard:query" << i << "\n        expr: " << nlohmann::json(queries[i]).dump()
            << "\n";
  }
  ShellRun check = Shell("promtool check rules '" + (dir / "queries.yml").string() + "'");
  fs::remove_all(dir);
  EXPECT_EQ(check.status, 0) << check.output;
  EXPECT_NE(check.output.find("SUCCESS: " + std::to_string(queries.size()) + " rules found"), std::string::npos)
      << check.output;
}

TEST(MetricNames, TheRulesAndTheDashboardUseOnlyNamesThatVigilWebWrites) {
  std::string written;
  for (const auto& entry : fs::directory_iterator(kSource / "web"))
    if (entry.path().extension() == ".cpp") written += ReadFile(entry.path());
  std::set<std::string> used = MetricNames(ReadFile(kFiles / "vigil-alerts.yml"));
  std::set<std::string> drawn = MetricNames(ReadFile(kFiles / "grafana-dashboard.json"));
  used.insert(drawn.begin(), drawn.end());
  for (const char* family : {"network_ups_tools_ups_status", "network_ups_tools_battery_runtime",
                             "vigil_datagrams_refused_total", "vigil_station_silent"})
    EXPECT_EQ(used.count(family), 1u) << family << " is used by neither the rules nor the dashboard";
  for (const std::string& name : used)
    EXPECT_NE(written.find("\"" + name), std::string::npos) << name << " is written nowhere in web/";
  // The refusal reason that the forged-datagram alert counts.
  EXPECT_NE(written.find("return \"bad_signature\";"), std::string::npos);
}

}  // namespace
