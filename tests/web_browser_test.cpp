// vigil-web's page in a real browser, Debian's Chromium headless: the
// overview lists the stations with their states, the autonomy counts down
// without a reload, and a station's page holds the SVG timeline with a
// battery band after a mains failure. The overview's screenshot is kept in
// the build folder (web-artefacts/overview.png).
#include <filesystem>
#include <thread>

#include "web_browser.h"
#include "web_fixture.h"

namespace {

TEST(WebInABrowser, TheOverviewCountsDownWithoutAReloadAndTheStationPageDrawsTheOutage) {
  VethLan lan;
  Sandbox server{In(lan.first())};
  Sandbox web{In(lan.second())};
  Station(server, "192.168.77.1");
  Station(web, "192.168.77.2");
  server.WriteConf(LocalConf({{3, "Desligar no fim da autonomia (sim/nao) = nao"},
                              {4, "Desligar com bateria em nivel critico (sim/nao) = nao"}}));
  Lines(server, "set CTS RI");  // the mains already failed
  StartWeb(web);
  ASSERT_EQ(StartDaemon(server).status, 0);
  server.Run(VIGIL_DGRAM_BIN " send 255.255.255.255 1000 0 outra 0 0 0 0 0 900 900 900 0 >/dev/null 2>&1 &");
  ASSERT_TRUE(WaitUntil([&] {
    std::string m = Get(web, "/metrics").body;
    return Metric(m, "network_ups_tools_ups_status{flag=\"OB\",ups=\"estacao1\"}") == 1 &&
           Metric(m, "network_ups_tools_ups_status{flag=\"OL\",ups=\"outra\"}") == 1;
  }, 15000)) << web.Read("web/web.log");

  std::string profile = web.Path("chromium-profile");
  std::filesystem::create_directories(profile);
  std::string error;
  HeadlessChromium browser(lan.second(), profile, &error);
  ASSERT_TRUE(browser.Running()) << error;
  ASSERT_TRUE(browser.Open("http://127.0.0.1:2648/"));
  // Once the script has drawn the table from /api/status.
  ASSERT_TRUE(WaitUntil([&] {
    return browser.Evaluate("document.getElementById('estacoes').hasAttribute('data-atualizado')") == true;
  }, 10000));
  auto cell = [&](const std::string& station, const std::string& field) {
    nlohmann::json text = browser.Evaluate("(function(){var r=document.querySelector('tr[data-estacao=\"" + station +
                                           "\"]');if(!r)return '';var c=r.querySelector('[data-campo=\"" + field +
                                           "\"]');return c?c.textContent:'';})()");
    return text.is_string() ? text.get<std::string>() : std::string();
  };
  EXPECT_EQ(cell("estacao1", "estado"), "Falta de rede");
  EXPECT_EQ(cell("outra", "estado"), "Normal");
  EXPECT_EQ(browser.Evaluate("document.querySelectorAll('#estacoes tr').length"), 2);

  // The countdown, read twice in the same document (the mark set in
  // between would be gone after a reload).
  auto seconds = [](const std::string& text) {
    int minutes = 0, secs = 0;
    return std::sscanf(text.c_str(), "%d min %d s", &minutes, &secs) == 2 ? minutes * 60 + secs : -1;
  };
  int first = seconds(cell("estacao1", "autonomia"));
  browser.Evaluate("window.marcaDoTeste = 42");
  std::this_thread::sleep_for(std::chrono::milliseconds(2600));
  int second = seconds(cell("estacao1", "autonomia"));
  EXPECT_GT(first, 0) << cell("estacao1", "autonomia");
  EXPECT_LT(second, first);
  EXPECT_EQ(browser.Evaluate("window.marcaDoTeste"), 42) << "the page was reloaded";
  EXPECT_NE(cell("estacao1", "bateria"), "—");

  std::filesystem::create_directories(WEB_ARTEFACTS);
  EXPECT_TRUE(browser.Screenshot(std::string(WEB_ARTEFACTS) + "/overview.png"));
  EXPECT_GT(std::filesystem::file_size(std::string(WEB_ARTEFACTS) + "/overview.png"), 5000u);

  ASSERT_TRUE(browser.Open("http://127.0.0.1:2648/station/estacao1"));
  EXPECT_EQ(browser.Evaluate("document.querySelectorAll('svg.linha-do-tempo').length"), 2);
  EXPECT_GE(browser.Evaluate("document.querySelectorAll('svg.linha-do-tempo rect.faixa.bateria').length"), 2);
  // The band is drawn: it has a width on the screen.
  EXPECT_GT(browser.Evaluate("document.querySelector('svg rect.faixa.bateria').getBoundingClientRect().width"), 0);
  EXPECT_EQ(browser.Evaluate("document.querySelector('table.eventos td:nth-child(2)').textContent"), "Falta de rede");
}

}  // namespace
