// The network page's server list on a LAN of two network namespaces:
// vigil-control in the first, on a host root of its own, and a sandbox of
// senders in the second; both links carry the subnet's broadcast address.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/tests/support/temp_host_root.h"
#include "tests/applet/tmux_terminal.h"
#include "tests/lan_fixture.h"

// The applet's station: the LAN's first namespace, with the subnet's
// broadcast address on its link.
inline void AppletStation(const std::string& netns, const std::string& address) {
  CommandResult r = RunProcess(
      {"/bin/sh", "-c",
       "ip -n " + netns + " addr add " + address + "/24 brd + dev $(ip -n " + netns +
           " -o link show type veth | awk -F': ' '{print $2}' | cut -d@ -f1)"},
      5000);
  ASSERT_EQ(r.status, 0) << r.err;
}

class ServerListLanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(AppletStation(lan.first(), "192.168.77.1"));
    Station(senders, "192.168.77.2", true);
  }

  // vigil-control on the sheet, in the applet's namespace; its errors go to
  // the host root's "errors".
  std::string ControlCommand() const {
    return "ip netns exec " + lan.first() + " env VIGIL20_HOST_ROOT=" + root.path() +
           " " VIGIL_CONTROL_BIN " " VIGIL20_CPL " 2>" + (root / "errors");
  }

  VethLan lan;
  Sandbox senders{In(lan.second())};
  TempHostRoot root;
};

// From the sheet's first page to the network page's list of servers.
inline void OpenServerList(TmuxTerminal& terminal) {
  ASSERT_TRUE(terminal.WaitFor("Opções de Rede")) << terminal.Screen();
  terminal.Send("M-r");
  ASSERT_TRUE(terminal.WaitFor("Lista de servidores detectados")) << terminal.Screen();
}

// Leaves the sheet, answering No to starting Vigil 2.0.
inline void CloseWithoutStarting(TmuxTerminal& terminal) {
  terminal.Send("Escape");
  EXPECT_TRUE(terminal.WaitFor("Iniciar o Vigil 2.0?")) << terminal.Screen();
  terminal.Send("Tab");
  terminal.Send("Enter");  // No
  EXPECT_TRUE(terminal.WaitEnded(20000)) << terminal.Screen();
}
