// vigil-web's page in a real browser, Debian's Chromium headless: the
// overview lists the stations with their states, the autonomy counts down
// without a reload, and a station's page holds the SVG timeline with a
// battery band after a mains failure; at a phone's width (390 px) and at a
// desktop's (1280 px) both pages fit the window and every figure can be
// read. The screenshots are kept in the build folder (web-artefacts/).
#include <filesystem>
#include <sstream>
#include <thread>
#include <utility>
#include <vector>

#include "web_browser.h"
#include "web_fixture.h"

namespace {

// A vigil20 server whose mains already failed, which never shuts down, and
// vigil-web across the link from it.
class WebInABrowser : public ::testing::Test {
 protected:
  void SetUp() override {
    Station(server_, "192.168.77.1");
    Station(web_, "192.168.77.2");
    server_.WriteConf(LocalConf({{3, "Desligar no fim da autonomia (sim/nao) = nao"},
                                 {4, "Desligar com bateria em nivel critico (sim/nao) = nao"}}));
    Lines(server_, "set CTS RI");  // the mains already failed
    StartWeb(web_);
    ASSERT_EQ(StartDaemon(server_).status, 0);
  }

  // True once the gateway's metrics give each station its status flag
  // ("OB" or "OL"), as the pages will draw them.
  bool Listed(const std::vector<std::pair<std::string, std::string>>& flag_and_station) {
    return WaitUntil([&] {
      std::string m = Get(web_, "/metrics").body;
      for (const auto& [flag, station] : flag_and_station)
        if (Metric(m, "network_ups_tools_ups_status{flag=\"" + flag + "\",ups=\"" + station + "\"}") != 1)
          return false;
      return true;
    }, 15000);
  }

  // A fresh profile folder for the browser, in the gateway's sandbox.
  std::string BrowserProfile() {
    std::string profile = web_.Path("chromium-profile");
    std::filesystem::create_directories(profile);
    return profile;
  }

  VethLan lan_;
  Sandbox server_{In(lan_.first())};
  Sandbox web_{In(lan_.second())};
};

TEST_F(WebInABrowser, TheOverviewCountsDownWithoutAReloadAndTheStationPageDrawsTheOutage) {
  Sandbox& server = server_;
  Sandbox& web = web_;
  server.Run(VIGIL_DGRAM_BIN " send 255.255.255.255 1000 0 outra 0 0 0 0 0 900 900 900 0 >/dev/null 2>&1 &");
  ASSERT_TRUE(Listed({{"OB", "estacao1"}, {"OL", "outra"}})) << web.Read("web/web.log");

  std::string error;
  HeadlessChromium browser(lan_.second(), BrowserProfile(), &error);
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
  // The page asks every two seconds; a busy machine may take a few more.
  int second = first;
  WaitUntil([&] {
    second = seconds(cell("estacao1", "autonomia"));
    return second < first;
  }, 15000);
  EXPECT_GT(first, 0) << cell("estacao1", "autonomia");
  EXPECT_LT(second, first);
  EXPECT_EQ(browser.Evaluate("window.marcaDoTeste"), 42) << "the page was reloaded";
  EXPECT_NE(cell("estacao1", "bateria"), "—");

  std::filesystem::create_directories(WEB_ARTEFACTS);
  EXPECT_TRUE(browser.Screenshot(std::string(WEB_ARTEFACTS) + "/overview.png"));
  EXPECT_GT(std::filesystem::file_size(std::string(WEB_ARTEFACTS) + "/overview.png"), 5000u);

  ASSERT_TRUE(browser.Open("http://127.0.0.1:2648/station/estacao1"));
  // The last hour, 24 hours and 7 days, drawn wide at this window's width.
  EXPECT_EQ(browser.Evaluate("document.querySelectorAll('svg.linha-do-tempo.larga').length"), 3);
  EXPECT_GE(browser.Evaluate("document.querySelectorAll('svg.linha-do-tempo rect.faixa.bateria').length"), 2);
  // The band is drawn: it has a width on the screen.
  EXPECT_GT(browser.Evaluate("document.querySelector('svg rect.faixa.bateria').getBoundingClientRect().width"), 0);
  EXPECT_EQ(browser.Evaluate("document.querySelector('table.eventos td:nth-child(2)').textContent"), "Falta de rede");
}

// What sticks out of the window, as "tag.class left..right" items (empty
// when nothing does): the document wider than the window, any shown element
// reaching past either edge, any box whose content is wider than itself.
// The overview's column heads are hidden on a phone (clipped to a pixel)
// and are left out there.
constexpr const char* kOverflowing = R"JS((function () {
  var w = document.documentElement.clientWidth, found = [];
  var whole = document.documentElement.scrollWidth;
  if (whole > w) found.push("document " + whole + " > " + w);
  document.querySelectorAll("body *").forEach(function (e) {
    var r = e.getBoundingClientRect();
    if (r.width === 0 && r.height === 0) return;
    var head = e.closest("thead");
    if (head && head.getBoundingClientRect().width <= 1) return;
    var name = e.tagName.toLowerCase() + "." + (e.getAttribute("class") || "") + " " + Math.round(r.left) + ".." +
        Math.round(r.right);
    if (r.left < -0.5 || r.right > w + 0.5) found.push(name);
    else if (!(e instanceof SVGElement) && e.clientWidth > 0 && e.scrollWidth > e.clientWidth + 1)
      found.push(name + " holds " + e.scrollWidth);
  });
  return found.join("; ");
})())JS";

// Each station's state, autonomy, time on battery and last signal on the
// overview: "name|field|label|text|left|right|font px" lines, the label being
// what the card writes before the value (empty where the column heads name
// it).
constexpr const char* kFigures = R"JS((function () {
  var lines = [];
  document.querySelectorAll("#estacoes tr").forEach(function (tr) {
    ["estado", "autonomia", "bateria", "ouvida"].forEach(function (f) {
      var td = tr.querySelector('[data-campo="' + f + '"]'), r = td.getBoundingClientRect();
      var label = getComputedStyle(td, "::before").content;
      lines.push([tr.getAttribute("data-estacao"), f, label === "none" ? "" : label.replace(/"/g, ""), td.textContent,
                  Math.round(r.left), Math.round(r.right), parseFloat(getComputedStyle(td).fontSize)].join("|"));
    });
  });
  return lines.join("\n");
})())JS";

TEST_F(WebInABrowser, BothPagesFitAPhoneAndADesktopWindowWithEveryFigureReadable) {
  Sandbox& server = server_;
  Sandbox& web = web_;
  // The longest name a datagram carries, in one word, and one on battery.
  const std::string longName = "almoxarifado-central-bloco-b-sul";
  ASSERT_EQ(longName.size(), 32u);  // the most a datagram carries
  server.Run(VIGIL_DGRAM_BIN " send 255.255.255.255 1000 0 " + longName +
             " 0 0 0 0 0 900 900 900 0 >/dev/null 2>&1 &");
  server.Run(VIGIL_DGRAM_BIN " send 255.255.255.255 1000 0 sala-de-servidores 1 0 0 0 0 5400 5400 4000 1400"
             " >/dev/null 2>&1 &");
  ASSERT_TRUE(Listed({{"OB", "estacao1"}, {"OL", longName}, {"OB", "sala-de-servidores"}})) << web.Read("web/web.log");

  std::string error;
  HeadlessChromium browser(lan_.second(), BrowserProfile(), &error);
  ASSERT_TRUE(browser.Running()) << error;
  std::filesystem::create_directories(WEB_ARTEFACTS);
  const std::string shots = WEB_ARTEFACTS;

  struct Window {
    int width, height;
    bool phone;
    const char* suffix;
  };
  for (const Window& window : {Window{390, 844, true, "390"}, Window{1280, 800, false, "1280"}}) {
    SCOPED_TRACE(window.suffix);
    ASSERT_TRUE(browser.Open("http://127.0.0.1:2648/", window.width, window.height, window.phone));
    ASSERT_TRUE(WaitUntil([&] {
      return browser.Evaluate("document.getElementById('estacoes').hasAttribute('data-atualizado')") == true;
    }, 10000));
    EXPECT_EQ(browser.Evaluate("document.documentElement.clientWidth"), window.width);
    EXPECT_EQ(browser.Evaluate(kOverflowing), "");

    nlohmann::json figures = browser.Evaluate(kFigures);
    ASSERT_TRUE(figures.is_string());
    std::istringstream lines(figures.get<std::string>());
    std::string line;
    int seen = 0;
    while (std::getline(lines, line)) {
      ++seen;
      std::vector<std::string> part;
      std::istringstream fields(line);
      for (std::string f; std::getline(fields, f, '|');) part.push_back(f);
      ASSERT_EQ(part.size(), 7u) << line;
      EXPECT_FALSE(part[3].empty()) << line;
      EXPECT_GE(std::stoi(part[4]), 0) << line;
      EXPECT_LE(std::stoi(part[5]), window.width) << line;
      EXPECT_GE(std::stod(part[6]), 14) << line;
      // On a phone each value has its name beside it; on a desktop the
      // column heads name them and the values stand alone.
      if (window.phone)
        EXPECT_EQ(part[2], part[1] == "estado" ? "Estado" : part[1] == "autonomia" ? "Autonomia restante"
                           : part[1] == "bateria" ? "Na bateria há" : "Último sinal") << line;
      else
        EXPECT_EQ(part[2], "") << line;
    }
    EXPECT_EQ(seen, 3 * 4);
    // A card per station on a phone (its figures one under the other), a
    // row per station on a desktop.
    nlohmann::json tops = browser.Evaluate(
        "(function(){var r=document.querySelector('tr[data-estacao=\"sala-de-servidores\"]');var t={};"
        "r.querySelectorAll('td').forEach(function(c){t[Math.round(c.getBoundingClientRect().top)]=1;});"
        "return Object.keys(t).length;})()");
    if (window.phone)
      EXPECT_EQ(tops, 6);
    else
      EXPECT_EQ(tops, 1);
    EXPECT_EQ(browser.Evaluate("document.querySelector('#estacoes').parentNode.tHead.getBoundingClientRect().width > 1"),
              !window.phone);
    EXPECT_TRUE(browser.Screenshot(shots + "/overview-" + window.suffix + ".png", true));

    ASSERT_TRUE(browser.Open("http://127.0.0.1:2648/station/estacao1", window.width, window.height, window.phone));
    EXPECT_EQ(browser.Evaluate(kOverflowing), "");
    // Three pictures shown, the last hour first, the ones of the other
    // width hidden; their letters readable once scaled to the window.
    const std::string shown = window.phone ? "estreita" : "larga", hidden = window.phone ? "larga" : "estreita";
    EXPECT_EQ(browser.Evaluate("Array.prototype.filter.call(document.querySelectorAll('svg.linha-do-tempo." + shown +
                               "'),function(s){return s.getBoundingClientRect().width>0;}).length"), 3);
    EXPECT_EQ(browser.Evaluate("Array.prototype.filter.call(document.querySelectorAll('svg.linha-do-tempo." + hidden +
                               "'),function(s){return s.getBoundingClientRect().width>0;}).length"), 0);
    nlohmann::json letters = browser.Evaluate(
        "Math.min.apply(null,Array.prototype.map.call(document.querySelectorAll('svg.linha-do-tempo." + shown +
        " text.hora'),function(t){return t.getBoundingClientRect().height;}))");
    ASSERT_TRUE(letters.is_number());
    EXPECT_GE(letters.get<double>(), 11.0);
    // The last hour draws the outage begun seconds ago, and the figures
    // are listed.
    EXPECT_GT(browser.Evaluate("document.querySelector('svg.linha-do-tempo." + shown +
                               " rect.faixa').getBoundingClientRect().width"), 0);
    EXPECT_EQ(browser.Evaluate("document.querySelector('dl.resumo [data-campo=\"ouvida\"] dt').textContent"),
              "Último sinal");
    EXPECT_TRUE(browser.Screenshot(shots + "/station-" + window.suffix + ".png", true));
  }
}

}  // namespace
