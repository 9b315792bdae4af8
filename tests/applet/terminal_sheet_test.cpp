// vigil-control with Vigil20.cpl in a terminal (tmux), driven by keys and
// read from the screen: the sheet opens with its accented texts, Alt+X (or
// Escape then x) goes to "Opções de Conexão", a tick and Enter with the
// confirmation save every setting to the registry; Cancel saves nothing;
// a terminal too small says so until it grows.
#include <gtest/gtest.h>

#include "config/apl_config.h"
#include "platform/registry.h"
#include "platform/tests/support/temp_host_root.h"
#include "tests/applet/tmux_terminal.h"

namespace {

constexpr const char* kSheetCaption = "Vigil 2.0 - Configurações da Supervisão do No-Break";

std::string Control(const TempHostRoot& root) {
  return "VIGIL20_HOST_ROOT=" + root.path() + " " VIGIL_CONTROL_BIN " " VIGIL20_CPL " 2>" + (root / "errors");
}

bool SettingsKeyExists() {
  platform::RegKeyHandle key;
  return platform::OpenRegKey(platform::kLocalMachine, kAplConfigKey, platform::kKeyQueryValue, key.out()) ==
         platform::kRegOk;
}

// An existing settings key, so that the sheet opens without the warning.
void PrepareSettings() {
  platform::RegKeyHandle key;
  std::string snmp = std::string(kAplConfigKey) + "\\Snmp Agent";
  ASSERT_EQ(platform::CreateRegKey(platform::kLocalMachine, snmp, platform::kKeyWrite, key.out(), nullptr),
            platform::kRegOk);
  ASSERT_EQ(platform::SetRegDword(key.get(), "Max Events", 250), platform::kRegOk);
}

TEST(TerminalSheet, AltXTickAndEnterWithItsConfirmationSaveEverySetting) {
  TempHostRoot root;
  PrepareSettings();
  TmuxTerminal terminal(Control(root), 100, 32);
  ASSERT_TRUE(terminal.WaitFor(kSheetCaption)) << terminal.Screen();
  EXPECT_TRUE(terminal.WaitFor("Obter informações de autonomia do aplicativo servidor"));
  EXPECT_TRUE(terminal.WaitFor("Opções de Conexão"));
  terminal.Send("M-x");
  ASSERT_TRUE(terminal.WaitFor("Configurações técnicas")) << terminal.Screen();
  EXPECT_TRUE(terminal.WaitFor("[x] Equipamento com sinalização de Bypass."));
  terminal.Send("Tab");
  terminal.Send("Space");
  ASSERT_TRUE(terminal.WaitFor("[x] Equipamento sem sinalização de Bypass.")) << terminal.Screen();
  EXPECT_TRUE(terminal.WaitFor("[ ] Equipamento com sinalização de Bypass."));
  terminal.Send("Enter");
  ASSERT_TRUE(terminal.WaitFor("Fechar esta janela e salvar as alterações?")) << terminal.Screen();
  terminal.Send("Enter");  // the box starts on "Sim"
  ASSERT_TRUE(terminal.WaitEnded(20000)) << terminal.Screen();

  CAplConfig saved;
  saved.SetRootKey(platform::kLocalMachine, kAplConfigKey);
  saved.RegisterValues();
  ASSERT_EQ(saved.Load(), 1);
  EXPECT_EQ(saved.tipoCabo, 0);
  EXPECT_EQ(saved.maxEvents, 250) << "what the sheet did not change is saved as loaded";
  EXPECT_EQ(saved.signalFilter, 3);
  // All 40 values are in the registry now.
  int present = 0;
  for (const auto& setting : saved.Settings()) {
    std::string path = kAplConfigKey;
    if (setting->subKeyIndex >= 0) path += "\\" + saved.SubKeys()[setting->subKeyIndex];
    platform::RegKeyHandle key;
    if (platform::OpenRegKey(platform::kLocalMachine, path, platform::kKeyQueryValue, key.out()) == platform::kRegOk &&
        platform::QueryRegValue(key.get(), setting->valueName, nullptr, nullptr, nullptr) == platform::kRegOk)
      ++present;
  }
  EXPECT_EQ(present, 40);
}

// The network's key shows as stars, never as its text.
TEST(TerminalSheet, TheNetworkKeyIsMasked) {
  TempHostRoot root;
  PrepareSettings();
  platform::RegKeyHandle key;
  ASSERT_EQ(platform::CreatePrivateRegKey(platform::kLocalMachine, std::string(kAplConfigKey) + "\\Seguranca",
                                          platform::kKeyWrite, key.out(), nullptr),
            platform::kRegOk);
  ASSERT_EQ(platform::SetRegString(key.get(), "Net Key", "segredo"), platform::kRegOk);
  TmuxTerminal terminal(Control(root), 100, 32);
  ASSERT_TRUE(terminal.WaitFor(kSheetCaption)) << terminal.Screen();
  terminal.Send("M-r");
  ASSERT_TRUE(terminal.WaitFor("Chave da rede:")) << terminal.Screen();
  EXPECT_TRUE(terminal.WaitFor("*******")) << terminal.Screen();
  EXPECT_EQ(terminal.Screen().find("segredo"), std::string::npos) << terminal.Screen();
  terminal.Send("Escape");
}

TEST(TerminalSheet, EscapeThenAKeyIsAltAndCancelSavesNothingAfterTheDefaultsWarning) {
  TempHostRoot root;
  TmuxTerminal terminal(Control(root), 100, 32);
  ASSERT_TRUE(terminal.WaitFor("Atenção: A supervisão do NoBreak")) << terminal.Screen();
  terminal.Send("Enter");
  ASSERT_TRUE(terminal.WaitFor(kSheetCaption)) << terminal.Screen();
  terminal.Send("Escape");
  terminal.Send("x", true);
  ASSERT_TRUE(terminal.WaitFor("Configurações técnicas")) << terminal.Screen();
  terminal.Send("Tab");
  terminal.Send("Space");
  terminal.Send("Escape");
  ASSERT_TRUE(terminal.WaitEnded(20000)) << terminal.Screen();
  EXPECT_FALSE(SettingsKeyExists());
}

TEST(TerminalSheet, ATerminalTooSmallSaysSoUntilItGrows) {
  TempHostRoot root;
  PrepareSettings();
  TmuxTerminal terminal(Control(root), 60, 20);
  ASSERT_TRUE(terminal.WaitFor("Terminal pequeno demais")) << terminal.Screen();
  EXPECT_TRUE(terminal.WaitFor("74")) << "the size it needs";
  terminal.Resize(90, 30);
  ASSERT_TRUE(terminal.WaitFor(kSheetCaption)) << terminal.Screen();
  terminal.Send("Escape");
  EXPECT_TRUE(terminal.WaitEnded(20000));
}

}  // namespace
