// What the program answers: the routes, the refusals, and what each page,
// the JSON, the CSV and the metrics say of stations in every state,
// including stations whose names are hostile.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "core/ups_figures.h"
#include "web/history_events.h"

#include "page_fixture.h"

namespace {

using namespace web;
using web_test::Count;
using web_test::Datagram;
using web_test::kT0;

struct SiteFixture : web_test::PageFixture {
  void SetUp() override {
    web_test::PageFixture::SetUp();
    ownEvents = {{"servidor", kT0 - 3600000, kEventMainsFailure, "Falta de rede"},
                 {"servidor", kT0 - 3000000, kEventMainsReturn, "Retorno da rede"},
                 {"outra", kT0 - 1000, 0, "=HYPERLINK(\"x\")"}};
  }
  Response Get(const std::string& target) { return site->Answer("GET", target); }
};

TEST_F(SiteFixture, RoutesMethodsAndRefusedTargets) {
  Hear(Datagram("estacao1"), kT0);
  for (const char* path : {"/", "/api/status", "/metrics", "/events.csv", "/vigil.css", "/vigil.js",
                           "/station/estacao1", "/?x=1", "/api/status?cache=0"})
    EXPECT_EQ(Get(path).status, 200) << path;
  for (const char* path : {"/nada", "/station/", "/station/outra", "/station/estacao1/x", "/api", "/metrics/"})
    EXPECT_EQ(Get(path).status, 404) << path;
  for (const char* method : {"POST", "PUT", "DELETE", "OPTIONS", "PATCH", "TRACE", "CONNECT", "get"}) {
    Response r = site->Answer(method, "/");
    EXPECT_EQ(r.status, 405) << method;
    ASSERT_EQ(r.headers.size(), 1u);
    EXPECT_EQ(r.headers[0].second, "GET, HEAD");
  }
  EXPECT_EQ(site->Answer("HEAD", "/metrics").status, 200);
  for (const char* target : {"/../etc/passwd", "/station/..", "/station/%2e%2E", "/a/./b",
                             "/x\\y", "/%00", "/%zz", "/caf\xC3\xA9", "/a b", "/a\x01", "x", ""})
    EXPECT_EQ(Get(target).status, 400) << target;
  EXPECT_EQ(RefusedTarget("/station/esta%C3%A7%C3%A3o"), "");
  // A station name may hold a slash: it is data, not a path.
  EXPECT_EQ(RefusedTarget("/station/a%2Fb%5Cc"), "");
}

TEST_F(SiteFixture, StatusJsonTellsEveryStationAndItsCountdown) {
  Hear(Datagram("estacao1", {1}, 590, 600, 10), kT0);
  Hear(Datagram("calada"), kT0 + 1000);
  Hear(Datagram("estacao1", {1}, 550, 600, 50), kT0 + 40000);
  // 3 s after the last datagram; calada has been silent for 42 s.
  mono += 3000;
  unix += 3000;
  nlohmann::json doc = nlohmann::json::parse(Get("/api/status").body);
  ASSERT_EQ(doc["stations"].size(), 2u);
  auto calada = doc["stations"][0], estacao = doc["stations"][1];
  EXPECT_EQ(calada["name"], "calada");
  EXPECT_EQ(calada["state"], "silent");
  EXPECT_EQ(calada["state_text"], "Sem sinal");
  EXPECT_EQ(estacao["state"], "mains_failure");
  EXPECT_EQ(estacao["url"], "/station/estacao1");
  EXPECT_EQ(estacao["autonomy"]["remaining_seconds"], 547);
  EXPECT_EQ(estacao["on_battery_seconds"], 53);
  EXPECT_EQ(estacao["last_heard_seconds"], 3);
  EXPECT_EQ(estacao["flags"]["power_failure"], true);
  EXPECT_EQ(estacao["signed"], false);
  EXPECT_EQ(doc["refused"]["malformed"], 0);
}

TEST_F(SiteFixture, MetricsUseTheNutExportersNamesAndLeaveOutASilentStationsFigures) {
  Hear(Datagram("calada"), kT0 - 60000);
  Hear(Datagram("estacao1", {1, 1}, 120, 600, 480), kT0);
  std::string m = Get("/metrics").body;
  for (const char* flag : {"OL", "OB", "LB", "BYPASS", "FSD", "ALARM"})
    EXPECT_EQ(Count(m, std::string("network_ups_tools_ups_status{flag=\"") + flag + "\",ups=\"estacao1\"}"), 1) << flag;
  EXPECT_NE(m.find("network_ups_tools_ups_status{flag=\"OB\",ups=\"estacao1\"} 1\n"), std::string::npos) << m;
  EXPECT_NE(m.find("network_ups_tools_ups_status{flag=\"OL\",ups=\"estacao1\"} 0\n"), std::string::npos);
  EXPECT_NE(m.find("network_ups_tools_ups_status{flag=\"LB\",ups=\"estacao1\"} 1\n"), std::string::npos);
  EXPECT_NE(m.find("network_ups_tools_battery_runtime{ups=\"estacao1\"} 120\n"), std::string::npos);
  EXPECT_NE(m.find("network_ups_tools_device_info{mfr=\"Tessaly\",model=\"Vigil 2.0\",serial=\"estacao1\",type=\"ups\","
                   "ups=\"estacao1\"} 1\n"),
            std::string::npos);
  EXPECT_EQ(Count(m, "ups=\"calada\"} "), 5) << "only the vigil_ series of a silent station";
  EXPECT_NE(m.find("vigil_station_silent{ups=\"calada\"} 1\n"), std::string::npos);
  EXPECT_NE(m.find("vigil_station_silent{ups=\"estacao1\"} 0\n"), std::string::npos);
  EXPECT_NE(m.find("vigil_on_battery_seconds{ups=\"estacao1\"} 480\n"), std::string::npos);
  EXPECT_NE(m.find("vigil_events_total{kind=\"mains_failure\",ups=\"estacao1\"} 1\n"), std::string::npos);
  EXPECT_NE(m.find("vigil_events_total{kind=\"battery_critical\",ups=\"estacao1\"} 1\n"), std::string::npos);
  EXPECT_NE(m.find("vigil_datagrams_refused_total{reason=\"unsigned\"} 0\n"), std::string::npos);
  EXPECT_EQ(m.find("battery_charge"), std::string::npos);
  // Every family has its type before its samples, and no line is blank.
  EXPECT_EQ(Count(m, "# TYPE "), 9);
  EXPECT_EQ(m.find("\n\n"), std::string::npos);
}

// The USB UPS wired to this computer leaves its figures in a file: they
// show for its station on every page while the file is fresh, and no
// station shows a figure its UPS does not measure.
TEST_F(SiteFixture, TheFiguresOfTheUpsWiredHereShowForItsStationOnly) {
  const std::string path = testing::TempDir() + "site_test_vigil20.ups";
  core::UpsState measured;
  measured.charge_percent = 81;
  measured.runtime_s = 1500;
  measured.load_percent = 23.5;
  measured.input_voltage_v = 0;  // mains gone: measured, and shown
  measured.battery_voltage_v = 13.6;
  {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(file);
    std::string text = core::UpsFiguresText("servidor", unix - 4000, measured);
    ASSERT_EQ(std::fwrite(text.data(), 1, text.size(), file), text.size());
    std::fclose(file);
  }
  site->JoinFiguresFrom({path, testing::TempDir() + "missing_vigil20.ups"});
  Hear(Datagram("servidor", {1}, 1500, 1800, 60), kT0);
  Hear(Datagram("estacao1", {1}, 590, 600, 10), kT0);

  nlohmann::json doc = nlohmann::json::parse(Get("/api/status").body);
  auto estacao = doc["stations"][0], servidor = doc["stations"][1];
  EXPECT_EQ(servidor["measured"]["charge_percent"], 81);
  EXPECT_EQ(servidor["measured"]["runtime_seconds"], 1500);
  EXPECT_EQ(servidor["measured"]["input_voltage"], 0);
  EXPECT_EQ(servidor["measured"]["battery_voltage"], 13.6);
  EXPECT_TRUE(estacao["measured"]["charge_percent"].is_null());
  EXPECT_TRUE(estacao["measured"]["load_percent"].is_null());

  std::string m = Get("/metrics").body;
  EXPECT_NE(m.find("network_ups_tools_battery_charge{ups=\"servidor\"} 81\n"), std::string::npos) << m;
  EXPECT_NE(m.find("network_ups_tools_ups_load{ups=\"servidor\"} 23.5\n"), std::string::npos);
  EXPECT_NE(m.find("network_ups_tools_input_voltage{ups=\"servidor\"} 0\n"), std::string::npos);
  EXPECT_NE(m.find("network_ups_tools_battery_voltage{ups=\"servidor\"} 13.6\n"), std::string::npos);
  EXPECT_EQ(m.find("_charge{ups=\"estacao1\""), std::string::npos);
  EXPECT_EQ(m.find("_load{ups=\"estacao1\""), std::string::npos);

  EXPECT_NE(Get("/").body.find("carga 81 %"), std::string::npos);
  std::string page = Get("/station/servidor").body;
  EXPECT_NE(page.find("Carga da bateria</dt><dd>81 %"), std::string::npos) << page;
  EXPECT_NE(page.find("Uso do nobreak</dt><dd>23,5 %"), std::string::npos);
  EXPECT_NE(page.find("Tensão da bateria</dt><dd>13,6 V"), std::string::npos);
  EXPECT_EQ(Get("/station/estacao1").body.find("Carga da bateria"), std::string::npos);

  // The daemon stopped writing: after a minute its figures are gone.
  unix += core::kUpsFiguresStaleAfterMs;
  mono += 1000;
  EXPECT_EQ(Get("/metrics").body.find("battery_charge"), std::string::npos);
  EXPECT_EQ(Get("/").body.find("carga 81"), std::string::npos);
  std::remove(path.c_str());
}

TEST_F(SiteFixture, HostileStationNamesStayInertEverywhere) {
  const std::string evil = "<b>\"x\"\\=1";
  Hear(Datagram(evil), kT0);
  std::string page = Get("/").body;
  EXPECT_EQ(page.find("<b>"), std::string::npos);
  EXPECT_NE(page.find("&lt;b&gt;&quot;x&quot;\\=1"), std::string::npos);
  EXPECT_NE(page.find("href=\"/station/%3Cb%3E%22x%22%5C%3D1\""), std::string::npos) << page;
  EXPECT_EQ(Get("/station/%3Cb%3E%22x%22%5C%3D1").status, 200);
  std::string m = Get("/metrics").body;
  EXPECT_NE(m.find("ups=\"<b>\\\"x\\\"\\\\=1\""), std::string::npos) << m;
  nlohmann::json doc = nlohmann::json::parse(Get("/api/status").body);
  EXPECT_EQ(doc["stations"][0]["name"], evil);
}

TEST_F(SiteFixture, TheOverviewShowsEveryStateAndWorksWithoutScripts) {
  Hear(Datagram("normal"), kT0);
  Hear(Datagram("bateria", {1}, 300, 600, 300), kT0);
  Hear(Datagram("critica", {1, 1}), kT0);
  Hear(Datagram("desvio", {0, 0, 1}), kT0);
  Hear(Datagram("fim", {1, 1, 0, 0, 1}), kT0);
  board.Know("nunca");
  std::string page = Get("/").body;
  for (const char* words : {"Normal", "Falta de rede", "Bateria crítica", "Bypass", "Fim da autonomia", "Sem sinal",
                            "não ouvida desde o início"})
    EXPECT_NE(page.find(words), std::string::npos) << words;
  EXPECT_NE(page.find("<noscript><meta http-equiv=\"refresh\" content=\"10\"></noscript>"), std::string::npos);
  EXPECT_NE(page.find("<script src=\"/vigil.js\" defer></script>"), std::string::npos);
  EXPECT_NE(page.find("<html lang=\"pt-BR\">"), std::string::npos);
  EXPECT_EQ(page.find("<form"), std::string::npos);
  EXPECT_EQ(page.find("<button"), std::string::npos);
  EXPECT_EQ(page.find("<input"), std::string::npos);
  EXPECT_NE(page.find("5 min 00 s"), std::string::npos);
  // Each figure carries its name for the card a narrow screen shows.
  EXPECT_NE(page.find("<td data-campo=\"autonomia\" data-rotulo=\"Autonomia restante\">5 min 00 s</td>"),
            std::string::npos) << page;
  for (const char* field : {"estado", "autonomia", "bateria", "ouvida", "assinatura"})
    EXPECT_EQ(Count(page, std::string("data-campo=\"") + field + "\" data-rotulo=\""), 6) << field;
  EXPECT_NE(page.find("<table class=\"cartoes\">"), std::string::npos);
}

TEST_F(SiteFixture, AStationPageListsItsFiguresAndAStationHeardMinutesAgoFillsTheLastHour) {
  Hear(Datagram("estacao1"), kT0 - 300000);
  Hear(Datagram("estacao1", {1}, 420, 600, 60), kT0 - 60000);
  Hear(Datagram("estacao1", {1}, 400, 600, 80), kT0 - 40000);
  // 10 s after the last datagram.
  unix = kT0 - 30000;
  mono = 100000 - 30000;
  std::string page = Get("/station/estacao1").body;
  EXPECT_NE(page.find("<dl class=\"resumo\"><div data-campo=\"autonomia\"><dt>Autonomia restante</dt>"
                      "<dd><b>6 min 30 s</b> de 10 min 00 s</dd></div>"
                      "<div data-campo=\"bateria\"><dt>Na bateria há</dt><dd>1 min 30 s</dd></div>"
                      "<div data-campo=\"ouvida\"><dt>Último sinal</dt><dd>há 10 s</dd></div></dl>"),
            std::string::npos)
      << page;
  // In the last hour the four minutes on mains are a fifteenth of the
  // width; in the 24 hours a sliver.
  size_t hour = page.find("<h2>Última hora</h2>"), day = page.find("<h2>Últimas 24 horas</h2>");
  ASSERT_NE(hour, std::string::npos);
  ASSERT_NE(day, std::string::npos);
  auto widest = [&](size_t from, size_t to) {
    double most = 0;
    for (size_t at = page.find("class=\"faixa ", from); at < to; at = page.find("class=\"faixa ", at + 1)) {
      size_t w = page.find("width=\"", at);
      most = std::max(most, std::atof(page.c_str() + w + 7));
    }
    return most;
  };
  EXPECT_GT(widest(hour, day), 888.0 * 3 / 60);   // the mains minutes, drawn wide
  EXPECT_LT(widest(day, std::string::npos), 888.0 * 5 / 1440 + 1);
  board.Know("nunca");
  EXPECT_NE(Get("/station/nunca").body.find("<dd>não ouvida desde o início do programa</dd>"), std::string::npos);
}

TEST_F(SiteFixture, AStationPageDrawsABatteryBandAfterAMainsFailureAndListsItsEvents) {
  Hear(Datagram("estacao1"), kT0 - 600000);
  Hear(Datagram("estacao1", {1}, 600), kT0 - 300000);
  Hear(Datagram("estacao1", {1}, 570), kT0 - 270000);
  Hear(Datagram("estacao1"), kT0 - 240000);
  unix = kT0;
  mono = 100000;
  std::string page = Get("/station/estacao1").body;
  // The last hour, 24 hours and 7 days, each drawn wide and narrow.
  EXPECT_EQ(Count(page, "<svg "), 6);
  EXPECT_EQ(Count(page, "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"linha-do-tempo estreita\""), 3);
  EXPECT_EQ(Count(page, "class=\"faixa bateria\""), 6) << page;
  EXPECT_GE(Count(page, "class=\"faixa rede\""), 6);
  EXPECT_EQ(Count(page, "<polyline class=\"autonomia\""), 6);
  EXPECT_LT(page.find("<h2>Última hora</h2>"), page.find("<h2>Últimas 24 horas</h2>"));
  EXPECT_LT(page.find("<h2>Últimas 24 horas</h2>"), page.find("<h2>Últimos 7 dias</h2>"));
  EXPECT_NE(page.find("<td>Falta de rede</td><td>rede</td>"), std::string::npos);
  EXPECT_NE(page.find("<td>Retorno da rede</td><td>rede</td>"), std::string::npos);
  EXPECT_LT(page.find("Retorno da rede"), page.find("<td>Falta de rede"));  // newest first
}

TEST_F(SiteFixture, TheComputersOwnEventsJoinItsStationAndTheCsv) {
  Hear(Datagram("servidor"), kT0 - 60000);
  std::string page = Get("/station/servidor").body;
  EXPECT_NE(page.find("<td>Falta de rede</td><td>registro deste computador</td>"), std::string::npos) << page;
  EXPECT_EQ(Count(page, "class=\"faixa bateria\""), 6)
      << "the own events' outage is drawn in the three views, both widths";
  board.Know("outra");
  std::string csv = Get("/events.csv").body;
  EXPECT_EQ(csv.rfind("estacao,data_hora_utc,data_hora_local,codigo,tipo,evento,origem\r\n", 0), 0u);
  EXPECT_NE(csv.find(",1,mains_failure,Falta de rede,computador\r\n"), std::string::npos) << csv;
  EXPECT_NE(csv.find("servidor,2025-12-06T04:46:40Z,"), std::string::npos) << csv;
  // A formula stays text, quoted as CSV wants.
  EXPECT_NE(csv.find(",\"'=HYPERLINK(\"\"x\"\")\",computador\r\n"), std::string::npos) << csv;
}

}  // namespace
