// The network page's server list under a flood of 10,000 bogus datagrams a
// second (another header, cut short, too long, random bytes): a real
// server is listed within a second of its first notification, and the
// sender of the flood at most once.
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

#include "tests/alerter_fixture.h"
#include "tests/daemon_fixture.h"
#include "tests/applet/server_list_fixture.h"

namespace {

using ServerListUnderAFlood = ServerListLanTest;

TEST_F(ServerListUnderAFlood, ARealServerIsListedWithinASecondAndNoBogusDatagramAddsAName) {
  TmuxTerminal terminal(ControlCommand(), 100, 32);
  ASSERT_TRUE(terminal.WaitFor("configurações default")) << terminal.Screen();
  terminal.Send("Enter");
  ASSERT_NO_FATAL_FAILURE(OpenServerList(terminal));

  senders.Run(VIGIL_DGRAM_BIN " flood 192.168.77.1 10000 8 > /usr/local/flood.out 2>&1 &");
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  auto sent = std::chrono::steady_clock::now();
  senders.Run(VIGIL_DGRAM_BIN " send 192.168.77.1 1000 0 Servidor-Real 0 0 0 0 0 600 600 600 0 >/dev/null 2>&1 &");
  ASSERT_TRUE(terminal.WaitFor("SERVIDOR-REAL", 5000)) << terminal.Screen();
  auto waited =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - sent).count();
  EXPECT_LE(waited, 1000);
  std::printf("the real server listed %lld ms after its first notification\n", static_cast<long long>(waited));
  // The too long ones are whole notifications from "intruso": listed once.
  // Nothing else of the flood names a server.
  std::string screen = terminal.Screen();
  EXPECT_LE(CountIn(screen, "INTRUSO"), 1) << screen;
  EXPECT_EQ(CountIn(screen, "SERVIDOR-REAL"), 1) << screen;
  ASSERT_TRUE(WaitUntil([&] { return !senders.Read("flood.out").empty(); }, 15000));
  EXPECT_GE(std::atol(senders.Read("flood.out").c_str()), 10000L * 8 * 9 / 10);

  CloseWithoutStarting(terminal);
}

}  // namespace
