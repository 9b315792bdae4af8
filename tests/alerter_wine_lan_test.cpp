// alerter.exe under Wine notifying a LAN on which a vigil20 receiver
// listens: two network namespaces joined by veth, the Windows side run by
// the Wine runner (each /dev/ttyS* replaced) inside the first one, with a
// host name of its own and one LAN address. Run by the
// Windows build's tests, which name the runner and the peer program.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "daemon_fixture.h"

namespace {

std::string Required(const char* name) {
  const char* value = std::getenv(name);
  if (!value || !*value) throw std::runtime_error(std::string(name) + " is not set: run through the Windows build's tests");
  return value;
}

TEST(AlerterUnderWine, ItsDatagramsReachAVigil20Receiver) {
  std::string runner = Required("VIGIL_WINE_RUNNER"), wine_dir = Required("VIGIL_WINE_DIR"),
              peer = Required("ALERTER_LAN_PEER");
  VethLan lan;
  Sandbox::Options in_second;
  in_second.netns = lan.second();
  Sandbox receiver(in_second);
  CommandResult address = receiver.Run(
      "ip addr add 192.168.77.2/24 dev $(ip -o link show type veth | awk -F': ' '{print $2}' | cut -d@ -f1)");
  ASSERT_EQ(address.status, 0) << address.err;
  receiver.WriteConf(LocalConf({{7, "Nobreak ligado a este computador (sim/nao) = nao"},
                                {9, "Enviar o estado pela rede (sim/nao) = nao"},
                                {10, "Nome desta estacao = receptor"},
                                {11, "Receber o estado pela rede (sim/nao) = sim"},
                                {12, "Aceitar qualquer servidor (sim/nao) = sim"}}));
  ASSERT_EQ(StartDaemon(receiver).status, 0);

  // The Windows station: its own name, its address and a hosts file of its own.
  std::string work = receiver.Path("windows-side");
  std::filesystem::create_directories(work);
  { std::ofstream(work + "/hosts") << "127.0.0.1 localhost\n192.168.77.1 servidor-wine\n"; }
  { std::ofstream(work + "/nsswitch.conf") << "hosts: files\n"; }
  std::string done = work + "/done";
  std::string script =
      "set -e\n"
      "hostname servidor-wine\n"
      // Wine answers its own host name with the link's address: the only
      // one, so that its classful broadcast address is the link's.
      "dev=$(ip -o link show type veth | awk -F': ' '{print $2}' | cut -d@ -f1)\n"
      "ip addr flush dev $dev\n"
      "ip addr add 192.168.77.1/24 dev $dev\n"
      "ip route replace default dev $dev\n"
      "mount --bind '" + work + "/hosts' /etc/hosts\n"
      "mount --bind '" + work + "/nsswitch.conf' /etc/nsswitch.conf\n"
      "VIGIL_WINE_SIMLINES=1 exec '" + runner + "' --dir '" + wine_dir + "' '" + peer + "' '" + done + "'\n";
  ChildProcess::Options options;
  options.captureErrors = true;
  std::string error;
  auto windows = ChildProcess::Start({"ip", "netns", "exec", lan.first(), "unshare", "--mount", "--uts",
                                      "--propagation", "private", "/bin/sh", "-c", script},
                                     options, &error);
  ASSERT_TRUE(windows) << error;

  bool heard = WaitUntil([&] { return Peek(receiver).name == "servidor-wine"; }, 120000);
  bool mains_failure = heard && WaitForLog(receiver, "--> servidor-wine: Falta de Rede\n", 60000);
  { std::ofstream(done) << "\n"; }
  std::string out, err;
  windows->ReadAll(&out, &err, 120000);
  EXPECT_TRUE(heard) << err;
  EXPECT_TRUE(mains_failure) << LogText(receiver);
  EXPECT_EQ(windows->Wait(), 0) << err;
}

}  // namespace
