// vigil-web.exe under Wine with "Web Port" set, in the first network
// namespace of a LAN (through the Wine runner, each /dev/ttyS* replaced);
// in the second, a Linux vigil20 server whose mains fail. From the Linux
// side, /metrics answers and follows the server through the failure. Run by
// the Windows build's tests, which name the runner and the peer program.
#include <filesystem>
#include <fstream>
#include <memory>

#include "web_fixture.h"

namespace {

std::string Required(const char* name) {
  const char* value = std::getenv(name);
  if (!value || !*value) throw std::runtime_error(std::string(name) + " is not set: run through the Windows build's tests");
  return value;
}

TEST(WebUnderWineOnTheLan, FollowsALinuxVigil20ServerThroughAMainsFailure) {
  VethLan lan;
  Sandbox server{In(lan.second())};
  CommandResult address =
      server.Run("ip addr add 192.168.77.2/24 dev $(ip -o link show type veth | awk -F': ' '{print $2}' | cut -d@ -f1)");
  ASSERT_EQ(address.status, 0) << address.err;
  std::string work = server.Path("windows-side"), done = work + "/done";
  std::filesystem::create_directories(work);
  std::string script =
      "set -e\n"
      "dev=$(ip -o link show type veth | awk -F': ' '{print $2}' | cut -d@ -f1)\n"
      "ip addr add 192.168.77.1/24 dev $dev\n"
      "ip route replace default dev $dev\n"
      "exec '" + Required("VIGIL_WINE_RUNNER") + "' --dir '" + Required("VIGIL_WINE_DIR") + "' '" +
      Required("WEB_WINE_PEER") + "' '" + done + "' 8081\n";
  ChildProcess::Options options;
  options.captureErrors = true;
  std::string error;
  auto windows = ChildProcess::Start(
      {"ip", "netns", "exec", lan.first(), "unshare", "--mount", "--propagation", "private", "/bin/sh", "-c", script},
      options, &error);
  ASSERT_TRUE(windows) << error;

  server.WriteConf(LocalConf({{3, "Desligar no fim da autonomia (sim/nao) = nao"},
                              {4, "Desligar com bateria em nivel critico (sim/nao) = nao"}}));
  Lines(server, "set DSR CTS RI");
  ASSERT_EQ(StartDaemon(server).status, 0);
  const std::string web = "192.168.77.1:8081";
  auto flag = [&](const char* name) {
    return Metric(Get(server, "/metrics", web).body,
                  std::string("network_ups_tools_ups_status{flag=\"") + name + "\",ups=\"estacao1\"}");
  };
  bool followed = WaitUntil([&] { return flag("OL") == 1; }, 120000);
  bool onBattery = false;
  if (followed) {
    Lines(server, "drop DSR");
    onBattery = WaitUntil([&] { return flag("OB") == 1; }, 20000);
  }
  Page status = Get(server, "/api/status", web);
  { std::ofstream(done) << "\n"; }
  std::string out, err;
  windows->ReadAll(&out, &err, 120000);
  EXPECT_TRUE(followed) << err;
  EXPECT_TRUE(onBattery) << Get(server, "/metrics", web).body;
  EXPECT_NE(status.body.find("\"state\":\"mains_failure\""), std::string::npos) << status.body;
  EXPECT_EQ(windows->Wait(), 0) << err;
}

}  // namespace
