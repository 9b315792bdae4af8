// The network page's list of detected servers, filled while the sheet is
// open in vigil-control, from what a real vigil20 and a real alerter
// broadcast in another network namespace of one LAN: names differing only
// in case give one upper-case entry, a datagram with another header is
// ignored, and a flood of datagrams leaves the sheet answering its keys.
#include <gtest/gtest.h>

#include "tests/alerter_fixture.h"
#include "tests/daemon_fixture.h"
#include "tests/applet/server_list_fixture.h"
#include "tests/signed_lan.h"
#include "config/apl_config.h"
#include "platform/registry.h"

namespace {

using ServerListOnTheLan = ServerListLanTest;

TEST_F(ServerListOnTheLan, Vigil20AndAlerterAreListedOnceEachInUpperCaseAndOtherHeadersIgnored) {
  TmuxTerminal terminal(ControlCommand(), 100, 32);
  // The defaults warning first (no settings yet): Enter answers it.
  ASSERT_TRUE(terminal.WaitFor("configurações default")) << terminal.Screen();
  terminal.Send("Enter");
  ASSERT_NO_FATAL_FAILURE(OpenServerList(terminal));

  senders.WriteConf(LocalConf({{10, "Nome desta estacao = Servidor-Linux"}}));
  Lines(senders, "set DSR CTS RI");
  ASSERT_EQ(StartDaemon(senders).status, 0);
  ASSERT_TRUE(terminal.WaitFor("SERVIDOR-LINUX")) << terminal.Screen();
  ASSERT_EQ(Vigil(senders, "stop").status, 0);

  // The same name in other letters, and a notification of another version.
  CommandResult sent = senders.Run(VIGIL_DGRAM_BIN " send 192.168.77.1 10 1 servidor-linux 0 0 0 0 0 600 600 600 0");
  ASSERT_EQ(sent.status, 0) << sent.err;
  sent = senders.Run(VIGIL_DGRAM_BIN " raw 192.168.77.1 4fd3030200140000000000025802580258000007494e464954524f");
  ASSERT_EQ(sent.status, 0) << sent.err;

  AlerterLines(senders, "set DSR CTS RI");
  AlerterSetting(senders, "ComPort", 1);
  AlerterSetting(senders, "Net Mode", 4);
  AlerterSetting(senders, "Interval", 200);
  StartAlerter(senders);
  // Heard after the datagrams above, which came first on the one link.
  ASSERT_TRUE(terminal.WaitFor("POSTO7")) << terminal.Screen() << senders.Read("alerter.log");

  std::string screen = terminal.Screen();
  EXPECT_EQ(CountIn(screen, "SERVIDOR-LINUX"), 1) << screen;
  EXPECT_EQ(CountIn(screen, "ervidor-linux"), 0) << screen;
  EXPECT_EQ(CountIn(screen, "INFITRO"), 0) << screen;

  // Under a flood of datagrams the sheet still follows the keys.
  senders.Run(VIGIL_DGRAM_BIN " send 192.168.77.1 0 200000 Enchente 0 0 0 0 0 600 600 600 0 > /dev/null 2>&1 &");
  terminal.Send("M-p");
  EXPECT_TRUE(terminal.WaitFor("Autonomia do sistema")) << terminal.Screen();
  terminal.Send("M-r");
  EXPECT_TRUE(terminal.WaitFor("ENCHENTE")) << terminal.Screen();
  CloseWithoutStarting(terminal);
}

// With "Net Key" set, only the servers whose datagrams verify are offered.
TEST_F(ServerListOnTheLan, WithAKeyOnlyServersThatSignWithItAreListed) {
  platform::RegKeyHandle key;
  ASSERT_EQ(platform::CreatePrivateRegKey(platform::kLocalMachine, std::string(kAplConfigKey) + "\\Seguranca",
                                          platform::kKeyWrite, key.out(), nullptr),
            platform::kRegOk);
  ASSERT_EQ(platform::SetRegString(key.get(), "Net Key", kNetKey), platform::kRegOk);

  TmuxTerminal terminal(ControlCommand(), 100, 32);
  ASSERT_NO_FATAL_FAILURE(OpenServerList(terminal));

  // Unsigned, and signed with another key: heard first, never listed.
  SendHex(senders, PlainHex("SemChave", 0, 0));
  SendHex(senders, SignedHex(PlainHex("OutraChave", 0, 0), "outra chave"));
  std::vector<std::string> conf = LocalConf({{10, "Nome desta estacao = Com-Chave"}});
  conf.push_back("Chave da rede = " + kNetKey);
  senders.WriteConf(conf);
  Lines(senders, "set DSR CTS RI");
  ASSERT_EQ(StartDaemon(senders).status, 0);
  ASSERT_TRUE(terminal.WaitFor("COM-CHAVE")) << terminal.Screen();
  std::string screen = terminal.Screen();
  EXPECT_EQ(CountIn(screen, "SEMCHAVE"), 0) << screen;
  EXPECT_EQ(CountIn(screen, "OUTRACHAVE"), 0) << screen;
  ASSERT_EQ(Vigil(senders, "stop").status, 0);
  CloseWithoutStarting(terminal);
}

}  // namespace
