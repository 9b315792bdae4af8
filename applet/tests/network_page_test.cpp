// The network page: its exclusive pair, what the communication page's
// network box enables, the server list shown while the page is visible
// (timer 101), the warning for a missing name, the double click.
#include <gtest/gtest.h>

#include "applet/ops_comunica.h"
#include "applet/ops_rede.h"
#include "applet/resources.h"
#include "applet/tests/sheet_fixture.h"
#include "platform/win1252.h"

using namespace applet;
using applet_test::SheetFixture;

namespace {

constexpr int kComunica = 1, kRede = 2, kConfig = 3;

struct NetworkClient : SheetFixture {
  NetworkClient() {
    config.comMode = 2;
    config.acceptAll = 0;
    Open();
  }
  COpsRede& page() { return sheet->Rede(); }
  bool TimerRunning() { return host.timers.count({&page(), COpsRede::kRefreshTimer}) == 1; }
};

TEST(NetworkPage, WithTheNetworkBoxClearEveryControlButTheTextsIsDisabled) {
  SheetFixture f;  // serial cable
  f.Open();
  f.ShowTab(kRede);
  for (int id : {1027, 1008, 1028, 1042}) EXPECT_FALSE(f.sheet->Rede().IsEnabled(id)) << id;
  EXPECT_FALSE(f.sheet->Rede().IsShown(1033));
  EXPECT_TRUE(f.sheet->Rede().IsChecked(1033));
}

TEST(NetworkPage, TheTwoBoxesAreOppositesAndDecideTheFieldAndTheList) {
  NetworkClient f;
  f.ShowTab(kRede);
  COpsRede& page = f.page();
  EXPECT_TRUE(page.IsChecked(1008));
  EXPECT_TRUE(page.IsEnabled(1028));
  EXPECT_TRUE(page.IsEnabled(1042));
  page.Click(1027);
  EXPECT_FALSE(page.IsChecked(1008));
  EXPECT_FALSE(page.IsEnabled(1028));
  EXPECT_FALSE(page.IsEnabled(1042));
  page.Click(1027);
  EXPECT_TRUE(page.IsChecked(1008));
  EXPECT_TRUE(page.IsEnabled(1028));
}

TEST(NetworkPage, ServersHeardAppearWhileThePageIsShownAndTheTimerRunsOnlyThen) {
  NetworkClient f;
  f.servers.Add("posto-b");
  EXPECT_FALSE(f.TimerRunning());
  f.ShowTab(kRede);
  EXPECT_TRUE(f.TimerRunning());
  EXPECT_EQ((f.host.timers[{&f.page(), 101}]), 1000);
  ASSERT_EQ(f.page().ItemCount(1042), 1);
  f.servers.Add("Posto-A");
  f.servers.Add("POSTO-B");
  f.page().OnTimer(101);
  ASSERT_EQ(f.page().ItemCount(1042), 2);
  EXPECT_EQ(f.page().ItemText(1042, 0), "POSTO-A") << "listed in ascending order";
  f.page().Type(1028, "x");
  f.ShowTab(kConfig);
  EXPECT_FALSE(f.TimerRunning());
  EXPECT_TRUE(f.host.pageBoxes.empty());
}

TEST(NetworkPage, WithoutTheSocketNoTimerIsStarted) {
  SheetFixture f;
  f.listening = false;
  f.config.comMode = 2;
  f.servers.Add("posto");
  f.Open();
  f.ShowTab(kRede);
  EXPECT_TRUE(f.host.timers.empty());
  EXPECT_EQ(f.sheet->Rede().ItemCount(1042), 0);
}

TEST(NetworkPage, AnEmptyNameIsWarnedOfEachTimeThePageIsLeftAndStillSaved) {
  NetworkClient f;
  f.ShowTab(kRede);
  f.ShowTab(kComunica);
  f.ShowTab(kRede);
  f.ShowTab(kConfig);
  ASSERT_EQ(f.host.pageBoxes.size(), 2u);
  EXPECT_EQ(f.host.pageBoxes[0].text, "Você deve digitar o nome do computador que enviará as notificações."_w1252);
  EXPECT_EQ(f.host.pageBoxes[0].style, 0x30u);
  EXPECT_EQ(f.sheet->CurrentTab(), kConfig) << "the tab change goes on";
  f.Apply();
  EXPECT_EQ(f.config.hostName, "");
  EXPECT_EQ(f.config.acceptAll, 0);
}

TEST(NetworkPage, ADoubleClickCopiesTheNameUnderItAndEmptySpaceChangesNothing) {
  NetworkClient f;
  f.config.hostName = "antigo";
  f.servers.Add("servidor1");
  f.Open();
  f.ShowTab(kRede);
  f.page().DoubleClickRow(1042, -1);
  EXPECT_EQ(f.page().Text(1028), "antigo");
  f.page().DoubleClickRow(1042, 0);
  EXPECT_EQ(f.page().Text(1028), "SERVIDOR1");
  f.Apply();
  EXPECT_EQ(f.config.hostName, "SERVIDOR1");
}

// The LAN's key: a masked edit (ES_PASSWORD on Windows, '*' in the
// terminal), loaded from and saved to "Net Key".
TEST(NetworkPage, TheNetworkKeyIsAMaskedFieldLoadedAndSaved) {
  const dialog::ControlTemplate* edit = nullptr;
  for (const auto& c : kNetworkPage.controls)
    if (c.id == COpsRede::kNetKeyEdit) edit = &c;
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->kind, dialog::Kind::kEdit);
  EXPECT_TRUE(edit->style & dialog::kMasked);

  NetworkClient f;
  f.config.netKey = "segredo";
  f.Open();
  f.ShowTab(kRede);
  EXPECT_EQ(f.page().Text(COpsRede::kNetKeyEdit), "segredo");
  EXPECT_TRUE(f.page().Type(COpsRede::kNetKeyEdit, "nova=chave"));
  f.Apply();
  EXPECT_EQ(f.config.netKey, "nova=chave");
}

}  // namespace
