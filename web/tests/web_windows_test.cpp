// vigil-web.exe under Wine, in the throwaway prefix of each test: settings
// from the registry's "Web Server" group written with reg.exe, the page
// answered on "Web Port", the service "VigilWeb" in Wine's service manager,
// and "Web Enabled" 0, which it says and stops at.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "tests/support/child_process.h"
#include "tests/support/test_host.h"
#include "tests/support/wait_until.h"

namespace {

const char kWebKey[] = "HKLM\\Software\\Tessaly\\Vigil 2.0\\Web Server";

// One GET on 127.0.0.1:`port`: the whole answer, or empty.
std::string Fetch(int port, const std::string& path) {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return "";
  DWORD limit = 3000;
  setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&limit), sizeof limit);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<u_short>(port));
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string reply;
  if (connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) {
    std::string request = "GET " + path + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
    send(s, request.data(), static_cast<int>(request.size()), 0);
    char buffer[4096];
    int n;
    while ((n = recv(s, buffer, sizeof buffer, 0)) > 0) reply.append(buffer, static_cast<size_t>(n));
  }
  closesocket(s);
  return reply;
}

void WebSetting(const std::string& name, int value) {
  CommandResult r =
      RunProcess({"reg.exe", "add", kWebKey, "/v", name, "/t", "REG_DWORD", "/d", std::to_string(value), "/f"}, 60000);
  ASSERT_EQ(r.status, 0) << r.err;
}

std::string ScQuery() { return RunProcess({"sc.exe", "query", "VigilWeb"}, 60000).out; }

bool WaitServiceState(const char* state, int timeoutMs) {
  return WaitUntil([&] { return ScQuery().find(state) != std::string::npos; }, timeoutMs, 100);
}

TEST(WebUnderWine, AnswersOnItsWebPortAsAnOrdinaryProgram) {
  TestHost host;
  WebSetting("Web Port", 8089);
  ChildProcess::Options options;
  options.captureErrors = true;
  std::string error;
  auto web = ChildProcess::Start({VIGIL_WEB_EXE, "-normal"}, options, &error);
  ASSERT_TRUE(web) << error;
  std::string page;
  EXPECT_TRUE(WaitUntil([&] { return (page = Fetch(8089, "/")).find("Nobreaks da rede") != std::string::npos; },
                        60000, 100));
  EXPECT_EQ(page.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << page;
  std::string metrics = Fetch(8089, "/metrics");
  EXPECT_NE(metrics.find("# TYPE network_ups_tools_ups_status gauge"), std::string::npos) << metrics;
  EXPECT_EQ(Fetch(8089, "/nada").rfind("HTTP/1.1 404", 0), 0u);
  web->Kill();
  web->Wait();
}

TEST(WebUnderWine, WithWebEnabledZeroItSaysSoAndStops) {
  TestHost host;
  WebSetting("Web Enabled", 0);
  CommandResult r = RunProcess({VIGIL_WEB_EXE, "-normal"}, 60000);
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("Web Enabled = 0"), std::string::npos) << r.err;
}

TEST(WebUnderWine, RunsAsTheServiceVigilWeb) {
  TestHost host;
  WebSetting("Web Port", 8090);
  CommandResult install = RunProcess({VIGIL_WEB_EXE, "-install"}, 60000);
  ASSERT_EQ(install.status, 0) << install.err;
  EXPECT_TRUE(WaitServiceState("STOPPED", 10000)) << ScQuery();
  ASSERT_EQ(RunProcess({VIGIL_WEB_EXE, "-start"}, 60000).status, 0);
  ASSERT_TRUE(WaitServiceState("RUNNING", 30000)) << ScQuery();
  EXPECT_TRUE(
      WaitUntil([&] { return Fetch(8090, "/api/status").find("\"stations\"") != std::string::npos; }, 30000, 100));
  CommandResult stop = RunProcess({VIGIL_WEB_EXE, "-stop"}, 60000);
  EXPECT_EQ(stop.status, 0) << stop.err;
  EXPECT_TRUE(WaitServiceState("STOPPED", 30000)) << ScQuery();
  EXPECT_NE(ScQuery().find("WIN32_EXIT_CODE    : 0"), std::string::npos) << ScQuery();

  // Disabled, the service stops as soon as it has looked at its settings.
  WebSetting("Web Enabled", 0);
  RunProcess({VIGIL_WEB_EXE, "-start"}, 60000);
  EXPECT_TRUE(WaitServiceState("STOPPED", 30000)) << ScQuery();
  EXPECT_TRUE(Fetch(8090, "/").empty());
  EXPECT_EQ(RunProcess({VIGIL_WEB_EXE, "-remove"}, 60000).status, 0);
}

}  // namespace
