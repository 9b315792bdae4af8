// alerter.exe under Wine notifying a LAN on which a vigil20 receiver
// listens, or vigil-nut with upsc beside it; and alerter.exe as a client
// with the network key, following a keyed vigil20 server and refusing
// forged and replayed datagrams. Two network namespaces joined by veth, the
// Windows side run by the Wine runner (each /dev/ttyS* replaced) inside the
// first one, with a host name of its own and one LAN address. Run by the
// Windows build's tests, which name the runner and the peer program.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <memory>

#include "nut_fixture.h"
#include "signed_lan.h"
#include "tests/support/record_fields.h"

namespace {

std::string Required(const char* name) {
  const char* value = std::getenv(name);
  if (!value || !*value) throw std::runtime_error(std::string(name) + " is not set: run through the Windows build's tests");
  return value;
}

// A Windows station in the first namespace of `lan`: the peer program
// under Wine, with its own host name `host`, address 192.168.77.1 and hosts
// file, given `peer_arguments` (already quoted for the shell; the first is
// the file whose existence ends it). `work` is a folder of the test.
std::unique_ptr<ChildProcess> StartWineHost(const VethLan& lan, const std::string& work, const std::string& host,
                                            const std::string& peer_arguments) {
  std::string runner = Required("VIGIL_WINE_RUNNER"), wine_dir = Required("VIGIL_WINE_DIR"),
              peer = Required("ALERTER_LAN_PEER");
  std::filesystem::create_directories(work);
  { std::ofstream(work + "/hosts") << "127.0.0.1 localhost\n192.168.77.1 " + host + "\n"; }
  { std::ofstream(work + "/nsswitch.conf") << "hosts: files\n"; }
  std::string script =
      "set -e\n"
      "hostname " + host + "\n"
      // Wine answers its own host name with the link's address: the only
      // one, so that its classful broadcast address is the link's.
      "dev=$(ip -o link show type veth | awk -F': ' '{print $2}' | cut -d@ -f1)\n"
      "ip addr flush dev $dev\n"
      "ip addr add 192.168.77.1/24 dev $dev\n"
      "ip route replace default dev $dev\n"
      "mount --bind '" + work + "/hosts' /etc/hosts\n"
      "mount --bind '" + work + "/nsswitch.conf' /etc/nsswitch.conf\n"
      "VIGIL_WINE_SIMLINES=1 exec '" + runner + "' --dir '" + wine_dir + "' '" + peer + "' " + peer_arguments + "\n";
  ChildProcess::Options options;
  options.captureErrors = true;
  std::string error;
  auto windows = ChildProcess::Start({"ip", "netns", "exec", lan.first(), "unshare", "--mount", "--uts",
                                      "--propagation", "private", "/bin/sh", "-c", script},
                                     options, &error);
  EXPECT_TRUE(windows) << error;
  return windows;
}

// alerter.exe notifying the LAN as "servidor-wine"; its UPS loses the
// mains. It ends once the file `done` exists.
std::unique_ptr<ChildProcess> StartWindowsStation(const VethLan& lan, const std::string& work, const std::string& done) {
  return StartWineHost(lan, work, "servidor-wine", "'" + done + "'");
}

void GiveAddress(const Sandbox& box) {
  CommandResult address =
      box.Run("ip addr add 192.168.77.2/24 dev $(ip -o link show type veth | awk -F': ' '{print $2}' | cut -d@ -f1)");
  ASSERT_EQ(address.status, 0) << address.err;
}

TEST(AlerterUnderWine, ItsDatagramsReachAVigil20Receiver) {
  VethLan lan;
  Sandbox::Options in_second;
  in_second.netns = lan.second();
  Sandbox receiver(in_second);
  GiveAddress(receiver);
  receiver.WriteConf(LocalConf({{7, "Nobreak ligado a este computador (sim/nao) = nao"},
                                {9, "Enviar o estado pela rede (sim/nao) = nao"},
                                {10, "Nome desta estacao = receptor"},
                                {11, "Receber o estado pela rede (sim/nao) = sim"},
                                {12, "Aceitar qualquer servidor (sim/nao) = sim"}}));
  ASSERT_EQ(StartDaemon(receiver).status, 0);

  std::string work = receiver.Path("windows-side");
  std::string done = work + "/done";
  auto windows = StartWindowsStation(lan, work, done);
  ASSERT_TRUE(windows);

  bool heard = WaitUntil([&] { return Peek(receiver).name == "servidor-wine"; }, 120000);
  bool mains_failure = heard && WaitForLog(receiver, "--> servidor-wine: Falta de Rede\n", 60000);
  { std::ofstream(done) << "\n"; }
  std::string out, err;
  windows->ReadAll(&out, &err, 120000);
  EXPECT_TRUE(heard) << err;
  EXPECT_TRUE(mains_failure) << LogText(receiver);
  EXPECT_EQ(windows->Wait(), 0) << err;
}

// The same Windows station followed by NUT's upsc through vigil-nut.
TEST(AlerterUnderWine, UpscFollowsItThroughVigilNut) {
  VethLan lan;
  Sandbox::Options in_second;
  in_second.netns = lan.second();
  Sandbox gateway(in_second);
  GiveAddress(gateway);
  NutClientHost(gateway);
  StartGateway(gateway);

  std::string work = gateway.Path("windows-side");
  std::string done = work + "/done";
  auto windows = StartWindowsStation(lan, work, done);
  ASSERT_TRUE(windows);

  bool listed = WaitUntil([&] { return Upsc(gateway, "-l 127.0.0.1") == "servidor-wine\n"; }, 120000);
  bool on_battery = listed && WaitUntil([&] { return UpsStatus(gateway, "servidor-wine") == "OB"; }, 60000);
  std::string serial = Upsc(gateway, "servidor-wine@127.0.0.1 device.serial");
  { std::ofstream(done) << "\n"; }
  std::string out, err;
  windows->ReadAll(&out, &err, 120000);
  EXPECT_TRUE(listed) << err << gateway.Read("nut/gateway.log");
  EXPECT_TRUE(on_battery) << Upsc(gateway, "servidor-wine@127.0.0.1");
  EXPECT_EQ(serial, "servidor-wine\n");
  EXPECT_EQ(windows->Wait(), 0) << err;
}

// A 32-bit field of a status record.
int32_t FieldOf(const std::string& record, size_t offset) {
  if (record.size() != 216) return -999;
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(record[offset + i]);
  return static_cast<int32_t>(value);
}

TEST(AlerterUnderWine, AKeyedClientFollowsAKeyedVigil20AndRefusesForgedAndReplayedDatagrams) {
  VethLan lan;
  Sandbox::Options in_second;
  in_second.netns = lan.second();
  Sandbox server(in_second);
  CommandResult address = server.Run(
      "ip addr add 192.168.77.2/24 dev $(ip -o link show type veth | awk -F': ' '{print $2}' | cut -d@ -f1)");
  ASSERT_EQ(address.status, 0) << address.err;
  std::vector<std::string> conf = LocalConf();
  conf.push_back("Chave da rede = " + kNetKey);
  server.WriteConf(conf);
  Lines(server, "set DSR CTS RI");

  std::string work = server.Path("windows-side");
  std::string done = work + "/done";
  auto windows = StartWineHost(lan, work, "cliente-wine", "'" + done + "' client '" + kNetKey + "' '" + work + "'");
  ASSERT_TRUE(windows);
  auto state = [&] { return ReadWholeFile(work + "/state"); };
  auto steps = [&] {
    bool listening = WaitUntil([&] { return state().size() == 216; }, 120000);
    if (!listening) return std::string("alerter.exe never answered on its pipe");
    server.Run(VIGIL_DGRAM_BIN " record /usr/local/recorded-datagrams >/dev/null 2>&1 &");
    if (StartDaemon(server).status != 0) return std::string("vigil20 did not start");
    if (!WaitUntil([&] { return FieldOf(state(), 64) == 600; }, 30000)) return std::string("not following");
    Lines(server, "drop DSR");
    if (!WaitUntil([&] { return FieldOf(state(), 44) == 1; }, 30000)) return std::string("no power failure");
    std::string recorded = server.Read("recorded-datagrams");
    size_t at = recorded.find("4fd30301001c01");
    if (at == std::string::npos) return std::string("no outage recorded");
    std::string outage = recorded.substr(at, recorded.find('\n', at) - at);
    Lines(server, "raise DSR");
    if (!WaitUntil([&] { return FieldOf(state(), 44) == 0; }, 30000)) return std::string("no mains return");
    const std::string critical = PlainHex("estacao1", 1, 1);
    const std::string good = SignedHex(critical, kNetKey);
    for (int round = 0; round < 2; ++round)
      for (const std::string& hex : {critical, SignedHex(critical, "outra chave"), Flipped(good, good.size() / 2 - 1),
                                     good.substr(0, good.size() - 2), outage})
        SendHex(server, hex);
    std::this_thread::sleep_for(std::chrono::milliseconds(3000));
    if (FieldOf(state(), 40) != 0 || FieldOf(state(), 44) != 0) return std::string("a forgery was acted on");
    return std::string();
  };
  std::string failed = steps();
  { std::ofstream(done) << "\n"; }
  std::string out, err;
  windows->ReadAll(&out, &err, 120000);
  EXPECT_EQ(failed, "") << err << LogText(server);
  EXPECT_EQ(windows->Wait(), 0) << err;
  // Mains failure and return, then one event 12 per station and reason:
  // unsigned, invalid, cut short, replayed.
  EXPECT_EQ(EventFileCodes(ReadWholeFile(work + "/events")), (std::vector<int32_t>{1, 2, 12, 12, 12, 12}));
  Vigil(server, "stop");
}

}  // namespace
