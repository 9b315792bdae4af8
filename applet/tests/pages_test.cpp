// The main, communication, technical, script and SNMP pages and the sheet,
// driven as a user would: ticking boxes, moving spins, answering the
// questions, changing tabs and applying; then the settings as saved.
#include <gtest/gtest.h>

#include "applet/ops_avancado.h"
#include "applet/ops_comunica.h"
#include "applet/ops_config.h"
#include "applet/ops_principal.h"
#include "applet/page_snmp.h"
#include "applet/tests/sheet_fixture.h"
#include "platform/win1252.h"

using namespace applet;
using applet_test::SheetFixture;

namespace {

constexpr int kPrincipal = 0, kComunica = 1, kConfig = 3, kScripts = 4, kSnmp = 5;

TEST(MainPage, MinutesAndHoursAreShownCutAndSavedInSecondsWithinTheSpinRanges) {
  SheetFixture f;
  f.config.autonomiaNominal = 930;
  f.config.tempoRecarga = 36000;
  f.Open();
  COpsPrincipal& page = f.sheet->Principal();
  EXPECT_EQ(page.Text(1016), "15");
  EXPECT_EQ(page.Text(1017), "10");
  // The recharge spin stops at 5 and at 100 hours.
  for (int i = 0; i < 10; ++i) page.PressSpin(1023, -1, 0);
  EXPECT_EQ(page.Text(1017), "5");
  page.PressSpin(1023, 1, 2500);
  EXPECT_EQ(page.Text(1017), "15") << "held for 2 s the arrow steps by 10";
  for (int i = 0; i < 20; ++i) page.PressSpin(1023, 1, 3000);
  EXPECT_EQ(page.Text(1017), "100");
  f.Apply();
  EXPECT_EQ(f.sheet->Result(), 1);
  EXPECT_EQ(f.config.autonomiaNominal, 900);
  EXPECT_EQ(f.config.tempoRecarga, 360000);
}

TEST(MainPage, AutonomyFieldsFollowTheCommunicationPagesLiveBoxes) {
  SheetFixture f;  // defaults: serial cable, "Autonomia Server" 1
  f.Open();
  COpsPrincipal& main = f.sheet->Principal();
  EXPECT_FALSE(main.IsEnabled(1059));
  EXPECT_TRUE(main.IsChecked(1059));
  EXPECT_TRUE(main.IsEnabled(1016)) << "with the serial box ticked the fields are enabled whatever 1059 says";
  EXPECT_TRUE(main.IsEnabled(1023));

  f.ShowTab(kComunica);
  f.sheet->Comunica().Click(1008);
  f.ShowTab(kPrincipal);
  EXPECT_TRUE(main.IsEnabled(1059));
  for (int id : {1016, 1020, 1017, 1023}) EXPECT_FALSE(main.IsEnabled(id)) << id;
  EXPECT_EQ(main.Text(1052),
            "A autonomia prevista e o tempo de recarga serão controlados pelo servidor de notificações."_w1252);
  main.Click(1059);
  EXPECT_TRUE(main.IsEnabled(1016));
  EXPECT_EQ(main.Text(1052), "Informe nos campos abaixo a autonomia prevista para operação em bateria e o tempo "
                             "total de recarga."_w1252);
  f.Apply();
  EXPECT_EQ(f.config.autonomiaServer, 0);
  EXPECT_EQ(f.config.comMode, 2);
}

TEST(MainPage, ClearingAProtectionAsksAndOnlyANoTicksItAgain) {
  SheetFixture f;
  f.Open();
  COpsPrincipal& main = f.sheet->Principal();
  f.answers = {platform::kIdNo, platform::kIdTimeout};
  main.Click(1002);
  EXPECT_TRUE(main.IsChecked(1002));
  ASSERT_EQ(f.sessionBoxes.size(), 1u);
  EXPECT_EQ(f.sessionBoxes[0].style, 52u);
  EXPECT_NE(f.sessionBoxes[0].text.find("avisos de bateria baixa"), std::string::npos);
  main.Click(1021);
  EXPECT_FALSE(main.IsChecked(1021)) << "a box that times out leaves it clear";
  EXPECT_NE(f.sessionBoxes[1].text.find("falta eminente de energia"), std::string::npos);
  main.Click(1021);
  EXPECT_TRUE(main.IsChecked(1021));
  EXPECT_EQ(f.sessionBoxes.size(), 2u) << "ticking again asks nothing";
  f.Apply();
  EXPECT_EQ(f.config.timeoutShutdown, 1);
  EXPECT_EQ(f.config.lowBatShutdown, 1);
}

TEST(CommunicationPage, TheConnectionBoxesExcludeEachOtherAndDecideModesAndPort) {
  SheetFixture f;
  f.config.comPort = 3;
  f.config.netMode = 4;
  f.Open();
  COpsComunica& page = f.sheet->Comunica();
  EXPECT_EQ(page.Selection(1025), 2);
  EXPECT_TRUE(page.IsEnabled(1025));
  page.Click(1006);  // clears the ticked serial box: both clear
  EXPECT_FALSE(page.IsChecked(1006));
  EXPECT_FALSE(page.IsChecked(1008));
  for (int id : {1024, 1025, 1007}) EXPECT_FALSE(page.IsEnabled(id)) << id;
  EXPECT_FALSE(page.Choose(1025, 0)) << "a disabled list takes no choice";
  page.Click(1008);
  page.Click(1006);
  EXPECT_FALSE(page.IsChecked(1008));
  page.Choose(1025, 0);
  page.Click(1008);  // network box with the distribute box still ticked
  f.Apply();
  EXPECT_EQ(f.config.comMode, 2);
  EXPECT_EQ(f.config.netMode, 5);
  EXPECT_EQ(f.config.comPort, 1);
}

TEST(CommunicationPage, NoBoxTickedAndAPortOutsideTheListSaveZeros) {
  SheetFixture f;
  f.config.comPort = 7;
  f.Open();
  COpsComunica& page = f.sheet->Comunica();
  EXPECT_EQ(page.Selection(1025), -1);
  page.Click(1006);
  f.Apply();
  EXPECT_EQ(f.config.comMode, 0);
  EXPECT_EQ(f.config.netMode, 0);
  EXPECT_EQ(f.config.comPort, 0);
}

TEST(CommunicationPage, UsbBesideTheComPortsKeepsTheComPortForOlderProgramsAndItsNameAsWritten) {
  {
    SheetFixture f;
    f.config.comPort = 3;
    f.Open();
    COpsComunica& page = f.sheet->Comunica();
    ASSERT_TRUE(page.Choose(1025, 4));  // "USB"
    f.Apply();
    EXPECT_EQ(f.config.usbPort, "usb");
    EXPECT_EQ(f.config.comPort, 3);
    EXPECT_EQ(f.config.comMode, 1);
  }
  {
    SheetFixture f;
    f.config.comPort = 2;
    f.config.usbPort = "usb:051D:0002:AS1234";
    f.Open();
    COpsComunica& page = f.sheet->Comunica();
    EXPECT_EQ(page.Selection(1025), 4);
    f.Apply();
    EXPECT_EQ(f.config.usbPort, "usb:051D:0002:AS1234") << "a name of one UPS is not widened to the first";
    EXPECT_EQ(f.config.comPort, 2);
  }
  {
    SheetFixture f;
    f.config.comPort = 2;
    f.config.usbPort = "usb";
    f.Open();
    COpsComunica& page = f.sheet->Comunica();
    ASSERT_TRUE(page.Choose(1025, 0));
    f.Apply();
    EXPECT_EQ(f.config.usbPort, "") << "a COM port chosen again ends the USB UPS";
    EXPECT_EQ(f.config.comPort, 1);
  }
}

TEST(TechnicalPage, CableTypeTwoTheBypassPairAndTheFilterSavedAsThree) {
  SheetFixture f;
  f.config.tipoCabo = 2;
  f.config.tipoBypass = 1;
  f.Open();
  COpsConfig& page = f.sheet->Config();
  EXPECT_FALSE(page.IsChecked(1039));
  EXPECT_FALSE(page.IsChecked(1040));
  EXPECT_TRUE(page.IsChecked(1041)) << "\"Signal Filter\" 2";
  EXPECT_FALSE(page.IsEnabled(1058));
  f.Apply();
  EXPECT_EQ(f.config.tipoCabo, 1);
  EXPECT_EQ(f.config.signalFilter, 3);

  SheetFixture g;
  g.config.tipoBypass = 1;  // "Tipo Cabo" 1
  g.Open();
  COpsConfig& again = g.sheet->Config();
  EXPECT_TRUE(again.IsEnabled(1058));
  again.Click(1039);
  EXPECT_FALSE(again.IsChecked(1040));
  EXPECT_FALSE(again.IsEnabled(1058));
  EXPECT_TRUE(again.IsChecked(1058));
  again.Click(1041);
  g.Apply();
  EXPECT_EQ(g.config.tipoCabo, 0);
  EXPECT_EQ(g.config.tipoBypass, 1);
  EXPECT_EQ(g.config.signalFilter, 0);
}

TEST(ScriptPage, TheBoxEnablesThePathAndBrowsingFillsItUnlessCancelled) {
  SheetFixture f;
  f.Open();
  COpsAvancado& page = *f.sheet->Avancado();
  EXPECT_FALSE(page.Click(1037)) << "disabled while the box is clear";
  page.Click(1036);
  page.Click(1037);
  EXPECT_EQ(page.Text(1035), "") << "cancelled";
  f.host.chosenFile = "C:\\scripts\\antes.cmd";
  page.Click(1037);
  EXPECT_EQ(f.host.fileDialogs, 2);
  // What could be saved but never loaded again is kept out.
  f.host.chosenFile = "C:\\" + std::string(300, 'p') + ".cmd";
  page.Click(1037);
  EXPECT_EQ(page.Text(1035), "C:\\scripts\\antes.cmd");
  std::string typed(300, 't');
  page.Type(1035, typed);
  EXPECT_EQ(page.Text(1035).size(), 254u);
  page.Type(1035, "C:\\scripts\\antes.cmd");
  f.Apply();
  EXPECT_EQ(f.config.ltScript, "C:\\scripts\\antes.cmd");
  EXPECT_EQ(f.config.runLtScript, 1);
}

TEST(ScriptPage, WithoutTheNtPlatformTheTabIsMissingAndTheScriptSettingsStay) {
  SheetFixture f;
  f.config.ltScript = "x.bat";
  f.config.runLtScript = 1;
  f.Open({false, false});
  EXPECT_EQ(f.sheet->PageCount(), 4);
  EXPECT_EQ(f.sheet->Avancado(), nullptr);
  f.Apply();
  EXPECT_EQ(f.config.ltScript, "x.bat");
  EXPECT_EQ(f.config.runLtScript, 1);
}

TEST(SnmpPage, TheEventCountStaysWithinTenToThreeHundredHoweverItIsEntered) {
  SheetFixture f;
  f.Open();
  CPageSnmp& page = *f.sheet->Snmp();
  EXPECT_EQ(page.Text(1046), "100");
  page.Type(1046, "12");
  for (int i = 0; i < 5; ++i) page.PressSpin(1048, -1, 0);
  EXPECT_EQ(page.Text(1046), "10");
  for (const auto& [typed, stored] : std::vector<std::pair<std::string, int>>{
           {"", 10}, {"5", 10}, {"301", 300}, {"99999999999999999999", 300}, {"250", 250}}) {
    page.Type(1046, typed);
    f.Apply();
    EXPECT_EQ(f.config.maxEvents, stored) << '"' << typed << '"';
  }
}

TEST(SnmpPage, EnabledOnlyWhileTheNetworkBoxIsClear) {
  SheetFixture f;
  f.config.sendSnmpTraps = 0;
  f.Open();
  f.ShowTab(kComunica);
  f.sheet->Comunica().Click(1008);
  f.ShowTab(kSnmp);
  CPageSnmp& page = *f.sheet->Snmp();
  for (int id : {1047, 1048, 1046, 1055, 1056, 1057}) EXPECT_FALSE(page.IsEnabled(id)) << id;
  f.ShowTab(kComunica);
  f.sheet->Comunica().Click(1008);
  f.ShowTab(kSnmp);
  EXPECT_TRUE(page.Click(1047));
  f.Apply();
  EXPECT_EQ(f.config.sendSnmpTraps, 1);
}

TEST(Sheet, ApplyAsksFirstAndANoKeepsEveryEditOnThePages) {
  SheetFixture f;
  f.Open();
  EXPECT_EQ(f.sheet->Caption(), "Vigil 2.0 - Configurações da Supervisão do No-Break"_w1252);
  f.sheet->Principal().Click(1022);
  f.answers = {platform::kIdNo};
  f.Apply();
  ASSERT_EQ(f.sessionBoxes.size(), 1u);
  EXPECT_EQ(f.sessionBoxes[0].text, "Fechar esta janela e salvar as alterações?"_w1252);
  EXPECT_EQ(f.sessionBoxes[0].style, 36u);
  EXPECT_FALSE(f.sheet->Ended());
  EXPECT_EQ(f.config.sounds, 1) << "nothing copied before the Yes";
  EXPECT_FALSE(f.sheet->Principal().IsChecked(1022));
  f.Apply();
  EXPECT_EQ(f.sheet->Result(), 1);
  EXPECT_EQ(f.config.sounds, 0);
}

TEST(Sheet, TabsFollowThePlatformAndTheAgentAndTheAltKeysPickThem) {
  SheetFixture f;
  f.Open({true, false});
  ASSERT_EQ(f.sheet->PageCount(), 5);
  f.sheet->HandleKey(dialog::CharKey('x', true));
  EXPECT_EQ(f.sheet->CurrentTab(), kConfig);
  EXPECT_TRUE(f.sheet->Config().Visible());
  f.sheet->HandleKey(dialog::CharKey('6', true));
  EXPECT_EQ(f.sheet->CurrentTab(), kConfig) << "Alt+6 with five tabs does nothing";
  f.sheet->HandleKey(dialog::CharKey('5', true));
  EXPECT_EQ(f.sheet->CurrentTab(), kScripts);
  f.sheet->HandleKey(dialog::CodeKey(dialog::Key::kEscape));
  EXPECT_EQ(f.sheet->Result(), 2);
  EXPECT_TRUE(f.sessionBoxes.empty());

  SheetFixture g;
  g.Open({true, true});
  ASSERT_EQ(g.sheet->PageCount(), 6);
  g.sheet->HandleKey(dialog::CharKey('n', true));
  EXPECT_EQ(g.sheet->CurrentTab(), kSnmp);
}

}  // namespace
