// The opening sequence over the real registry of the test's host (the
// stand-in, or Wine's): the defaults warning, the SNMP page by the
// platform's key, Cancel writing nothing, Apply saving what the pages left;
// either way the question to start, and a supervisor that cannot be
// started reported with the system's text.
#include <gtest/gtest.h>

#include "applet/messages.h"
#include "applet/opening.h"
#include "applet/ops_comunica.h"
#include "applet/page_snmp.h"
#include "config/apl_config.h"
#include "platform/win1252.h"
#include "platform/registry.h"
#include "tests/support/test_host.h"

using namespace applet;

namespace {

struct NoHost : dialog::DialogHost {
  void SetTimer(dialog::CDialog*, int, int) override {}
  void KillTimer(dialog::CDialog*, int) override {}
  int ShowMessageBox(dialog::CDialog*, const std::string&, const std::string&, unsigned) override { return 1; }
  bool ChooseFile(dialog::CDialog*, const dialog::FileOpenRequest&, std::string*) override { return false; }
};

struct Opening : ::testing::Test {
  TestHost host;
  std::vector<std::string> boxes;
  int startAnswer = platform::kIdYes;  // to "Iniciar o Vigil 2.0?"
  void SetUp() override {
    SetBoxShower([this](const std::string&, const std::string& text, unsigned) {
      boxes.push_back(text);
      return text == kStartQuestion ? startAnswer : platform::kIdYes;
    });
  }
  static constexpr const char* kStartQuestion = "Iniciar o Vigil 2.0?";
  void TearDown() override { SetBoxShower(nullptr); }
  // The opening sequence: the sheet made, its network box ticked, then
  // `then`'s input; the sheet's count of pages.
  template <typename Then>
  static int OpenTickingTheNetworkBox(Then then) {
    NoHost none;
    int pages = 0;
    RunOpeningSequence(nullptr, [&](CBaseDialog& sheet, void*) {
      sheet.Create(&none);
      pages = sheet.PageCount();
      sheet.Comunica().Click(COpsComunica::kNetworkBox);
      then(sheet);
      return sheet.Result();
    });
    return pages;
  }
  static bool KeyExists(const std::string& path) {
    platform::RegKeyHandle key;
    return platform::OpenRegKey(platform::kLocalMachine, path, platform::kKeyQueryValue, key.out()) ==
           platform::kRegOk;
  }
  static void AddValue(const std::string& path, const std::string& name) {
    platform::RegKeyHandle key;
    ASSERT_EQ(platform::CreateRegKey(platform::kLocalMachine, path, platform::kKeyWrite, key.out(), nullptr),
              platform::kRegOk);
    ASSERT_EQ(platform::SetRegString(key.get(), name, "x"), platform::kRegOk);
  }
};

TEST_F(Opening, TheAgentCountsOnlyUnderTheKeyOfThePlatformsVersion) {
  EXPECT_FALSE(SnmpAgentRegistered(5));
  AddValue(kSnmpAgentsKeyNt5, kAgentValue);
  EXPECT_TRUE(SnmpAgentRegistered(5));
  EXPECT_FALSE(SnmpAgentRegistered(6));
  AddValue(kSnmpAgentsKeyNt6, "outro agente");
  EXPECT_FALSE(SnmpAgentRegistered(6));
  AddValue(kSnmpAgentsKeyNt6, kAgentValue);
  EXPECT_TRUE(SnmpAgentRegistered(6));
  EXPECT_FALSE(SnmpAgentRegistered(4));
}

TEST_F(Opening, WithoutSettingsTheWarningComesAndCancelWritesNothing) {
  int pages = OpenTickingTheNetworkBox([](CBaseDialog& sheet) { sheet.Click(CBaseDialog::kCancelButton); });
  ASSERT_FALSE(boxes.empty());
  EXPECT_NE(boxes[0].find("operando com as configurações default!"_w1252), std::string::npos);
  EXPECT_EQ(pages, 5) << "the NT platform's script page; no agent registered";
  EXPECT_FALSE(KeyExists(kAplConfigKey));
  // Yes, and the system directory has no supervisor.
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[1], kStartQuestion);
  EXPECT_EQ(boxes[2].rfind("Ocorreu um erro ao iniciar o supervisor do Vigil2.0: ", 0), 0u) << boxes[2];
  EXPECT_GT(boxes[2].size(), std::string("Ocorreu um erro ao iniciar o supervisor do Vigil2.0: \nTente iniciar o "
                                          "aplicativo pelo menu de programas.").size())
      << "the system's text of the error";
  EXPECT_NE(boxes[2].find("\nTente iniciar o aplicativo pelo menu de programas."), std::string::npos);
}

TEST_F(Opening, ApplySavesEverySettingAsThePagesLeftThem) {
  AddValue(kAplConfigKey, "outro");  // the key exists: no warning
  AddValue(kSnmpAgentsKeyNt6, kAgentValue);
  startAnswer = platform::kIdNo;
  int pages = OpenTickingTheNetworkBox([](CBaseDialog& sheet) {
    sheet.Snmp()->Type(CPageSnmp::kMaxEventsEdit, "");
    sheet.Click(CBaseDialog::kApplyButton);
  });
  EXPECT_EQ(pages, 6) << "the SNMP page last";
  EXPECT_EQ(boxes.front(), "Fechar esta janela e salvar as alterações?"_w1252);
  EXPECT_EQ(boxes.back(), kStartQuestion) << "a No starts nothing";
  CAplConfig saved;
  saved.SetRootKey(platform::kLocalMachine, kAplConfigKey);
  saved.RegisterValues();
  ASSERT_EQ(saved.Load(), 1);
  EXPECT_EQ(saved.comMode, 2);
  EXPECT_EQ(saved.netMode, 5);
  EXPECT_EQ(saved.maxEvents, 10) << "an empty field is stored clamped";
  EXPECT_EQ(saved.debugLogLocation, "c:\\snmp40.log") << "what no page edits is written as loaded";
}

}  // namespace
