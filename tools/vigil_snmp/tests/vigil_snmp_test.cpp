// vigil-snmp with net-snmp's own clients on loopback: as an agent of its
// own, and as the AgentX subagent of a private snmpd started by the test;
// traps received by snmptrapd while the real alerter, LineTap's master,
// watches the simulated lines.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "platform/registry.h"
#include "tests/alerter_fixture.h"
#include "tools/vigil_snmp/tests/snmp_daemons.h"

namespace {

const std::string kRegion = "1.3.6.1.4.1.7491.1.1.1";

void SetRegistryText(const std::string& key, const std::string& name, uint32_t type, const std::string& text) {
  platform::RegKeyHandle handle;
  ASSERT_EQ(platform::CreateRegKey(platform::kLocalMachine, key, platform::kKeyWrite, handle.out(), nullptr),
            platform::kRegOk);
  ASSERT_EQ(platform::SetRegValue(handle.get(), name, type, reinterpret_cast<const uint8_t*>(text.c_str()),
                                  static_cast<uint32_t>(text.size() + 1)),
            platform::kRegOk);
}

class VigilSnmpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SNMP_PERSISTENT_DIR", host_.Path("persist").c_str(), 1);
    // The extension-agent list names the agent's key, whose path expands.
    SetRegistryText("System\\CurrentControlSet\\Control\\SNMP\\Parameters\\ExtensionAgents", "vigil_20_agent",
                    platform::kRegSz, "SOFTWARE\\Tessaly\\VigilAgent20\\CurrentVersion");
    std::filesystem::path library(VIGIL_AGENT_LIBRARY);
    setenv("VIGIL_TEST_AGENT_DIR", library.parent_path().c_str(), 1);
    SetRegistryText("SOFTWARE\\Tessaly\\VigilAgent20\\CurrentVersion", "Pathname", platform::kRegExpandSz,
                    "%VIGIL_TEST_AGENT_DIR%/" + library.filename().string());
    trapPort_ = FreeUdpPort();
  }
  void TearDown() override {
    agent_.reset();
    snmpd_.reset();
    trapd_.reset();
  }

  // vigil-snmp as an agent of its own on a loopback port.
  void StartAgent() {
    port_ = FreeUdpPort();
    std::ofstream(host_.Path("vigil-snmp.conf")) << "rocommunity public 127.0.0.1\n"
                                             << "rwcommunity private 127.0.0.1\n"
                                             << "trapsink 127.0.0.1:" << trapPort_ << " public\n";
    agent_ = std::make_unique<Daemon>(
        std::vector<std::string>{VIGIL_SNMP, "-f", "-Le", "-c", host_.Path("vigil-snmp.conf"),
                                 "udp:127.0.0.1:" + std::to_string(port_)},
        host_.Path("vigil-snmp.log"));
    WaitAnswering();
  }

  // A private snmpd, master of AgentX on a socket of the test, and
  // vigil-snmp as its subagent.
  void StartSubagent() {
    port_ = FreeUdpPort();
    std::string socket = host_.Path("agentx.sock");
    std::ofstream(host_.Path("snmpd.conf")) << "master agentx\n"
                                        << "agentXSocket unix:" << socket << "\n"
                                        << "rocommunity public 127.0.0.1\n"
                                        << "rwcommunity private 127.0.0.1\n"
                                        << "trapsink 127.0.0.1:" << trapPort_ << " public\n";
    snmpd_ = std::make_unique<Daemon>(
        std::vector<std::string>{"/usr/sbin/snmpd", "-f", "-Le", "-C", "-c", host_.Path("snmpd.conf"), "-p",
                                 host_.Path("snmpd.pid"), "udp:127.0.0.1:" + std::to_string(port_)},
        host_.Path("snmpd.log"));
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(socket); }, 20000)) << snmpd_->Log();
    agent_ = std::make_unique<Daemon>(std::vector<std::string>{VIGIL_SNMP, "-f", "-Le", "-x", "unix:" + socket},
                                      host_.Path("vigil-snmp.log"));
    WaitAnswering();
  }

  void StartTrapReceiver() {
    std::ofstream(host_.Path("snmptrapd.conf")) << "disableAuthorization yes\n"
                                            << "format1 V1TRAP %N %w %q\\n\n"
                                            << "format2 V2TRAP %v\\n\n";
    trapd_ = std::make_unique<Daemon>(
        std::vector<std::string>{"/usr/sbin/snmptrapd", "-f", "-Lo", "-On", "-C", "-c", host_.Path("snmptrapd.conf"),
                                 "udp:127.0.0.1:" + std::to_string(trapPort_)},
        host_.Path("snmptrapd.log"));
    ASSERT_TRUE(WaitUntil([&] { return trapd_->Log().find("NET-SNMP version") != std::string::npos; }, 20000))
        << trapd_->Log();
  }

  void WaitAnswering() {
    ASSERT_TRUE(WaitUntil([&] { return Get("1", {kRegion + ".1.5"}).status == 0; }, 20000))
        << (agent_ ? agent_->Log() : "") << (snmpd_ ? snmpd_->Log() : "");
  }

  std::string Target() const { return "udp:127.0.0.1:" + std::to_string(port_); }

  CommandResult Get(const std::string& version, const std::vector<std::string>& oids) {
    std::vector<std::string> args{"-v", version, "-c", "public", "-On", "-t", "2", "-r", "1", Target()};
    args.insert(args.end(), oids.begin(), oids.end());
    return Client("snmpget", args);
  }
  CommandResult Set(const std::string& version, const std::vector<std::string>& settings) {
    std::vector<std::string> args{"-v", version, "-c", "private", "-On", "-t", "2", "-r", "1", Target()};
    args.insert(args.end(), settings.begin(), settings.end());
    return Client("snmpset", args);
  }
  CommandResult WalkWithNames() {
    return Client("snmpwalk", {"-v", "2c", "-c", "public", "-M", std::string("+") + VIGIL_MIB_DIR, "-m",
                               "+VIGIL20-MIB", "-t", "2", "-r", "1", Target(), kRegion});
  }

  // Checks of both modes.
  // AgentX carries only version-2 errors: through snmpd a version-1 manager
  // sees the agent's readOnly as snmpd translates notWritable, noSuchName.
  void GetsWalksAndSets(bool overAgentX = false) {
    // No monitoring program: the poller's first cycle makes the lines unavailable.
    ASSERT_TRUE(WaitUntil([&] { return Get("1", {kRegion + ".1.4"}).out.find("INTEGER: 0") != std::string::npos; },
                        10000));
    CommandResult get = Get("1", {kRegion + ".1.5", kRegion + ".1.6"});
    EXPECT_EQ(get.status, 0) << get.out;
    EXPECT_NE(get.out.find(kRegion + ".1.5 = INTEGER: 1"), std::string::npos) << get.out;
    EXPECT_NE(get.out.find(kRegion + ".1.6 = INTEGER: 900"), std::string::npos) << get.out;

    CommandResult walk = WalkWithNames();
    EXPECT_EQ(walk.status, 0) << walk.out;
    for (const char* name : {"VIGIL20-MIB::upsDsrState = INTEGER: 2", "VIGIL20-MIB::upsLinesAvailable = INTEGER: 0",
                             "VIGIL20-MIB::upsCounterReset = INTEGER: 0", "VIGIL20-MIB::upsEventCount = INTEGER: 1",
                             "VIGIL20-MIB::upsEventIndex.1 = INTEGER: 1", "VIGIL20-MIB::upsEventCode.1 = INTEGER: 0",
                             "VIGIL20-MIB::upsEventTime.1 = \"\""})
      EXPECT_NE(walk.out.find(name), std::string::npos) << name << "\n" << walk.out;
    EXPECT_EQ(walk.out.find("iso.3.6.1.4.1.7491"), std::string::npos) << "every name known:\n" << walk.out;

    CommandResult reset = Set("1", {kRegion + ".2.5", "i", "1"});
    EXPECT_EQ(reset.status, 0) << reset.out;
    EXPECT_NE(reset.out.find(kRegion + ".2.5 = INTEGER: 1"), std::string::npos) << reset.out;

    // Version 1: the agent's own status and index.
    CommandResult readOnly = Set("1", {kRegion + ".2.5", "i", "1", kRegion + ".1.1", "i", "1"});
    EXPECT_NE(readOnly.out.find(overAgentX ? "Reason: (noSuchName)" : "Reason: (readOnly)"), std::string::npos)
        << readOnly.out;
    EXPECT_NE(readOnly.out.find("Failed object: ." + kRegion + ".1.1"), std::string::npos) << readOnly.out;
    CommandResult badValue = Set("1", {kRegion + ".2.5", "s", "x"});
    EXPECT_NE(badValue.out.find("Reason: (badValue)"), std::string::npos) << badValue.out;
    CommandResult noSuchName = Get("1", {kRegion + ".1.1", kRegion + ".1.7"});
    EXPECT_NE(noSuchName.out.find("Reason: (noSuchName)"), std::string::npos) << noSuchName.out;
    EXPECT_NE(noSuchName.out.find("Failed object: ." + kRegion + ".1.7"), std::string::npos) << noSuchName.out;
    // Version 2c: the usual translation.
    CommandResult notWritable = Set("2c", {kRegion + ".1.1", "i", "1"});
    EXPECT_NE(notWritable.out.find("Reason: notWritable"), std::string::npos) << notWritable.out;
    CommandResult noObject = Get("2c", {kRegion + ".1.7"});
    EXPECT_NE(noObject.out.find("No Such Object"), std::string::npos) << noObject.out;
  }

  // A DSR drop while alerter watches the lines reaches snmptrapd as trap 1.
  void DsrDropSendsTrapOne() {
    host_.Session("yes");  // answers alerter's boxes
    host_.Setting("ComPort", 1);
    host_.Setting("Interval", 100);
    host_.Setting("Signal Filter", 0);
    // No master yet: the poller's first cycle makes the lines unavailable
    // (the agent's start shows them available), so lines seen available
    // afterwards are alerter's reading, the poller's baseline.
    ASSERT_TRUE(WaitUntil([&] { return Get("1", {kRegion + ".1.4"}).out.find("INTEGER: 0") != std::string::npos; },
                        10000));
    auto alerter = host_.Start();
    ASSERT_TRUE(alerter);
    ASSERT_TRUE(WaitUntil([&] { return Get("1", {kRegion + ".1.4"}).out.find("INTEGER: 1") != std::string::npos; },
                        10000))
        << agent_->Log();
    host_.Lines("drop DSR");
    auto dropped = std::chrono::steady_clock::now();
    const std::string expected = "V1TRAP .1.3.6.1.4.1.7491.1.1.1.4.1 6 .1\n";  // %q under -On
    ASSERT_TRUE(WaitUntil([&] { return trapd_->Log().find(expected) != std::string::npos; }, 10000))
        << trapd_->Log() << agent_->Log();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - dropped);
    std::printf("trap 1 received %lld ms after the DSR drop\n", static_cast<long long>(ms.count()));
    EXPECT_TRUE(host_.WaitForEvents({1}, 5000)) << "alerter logged the drop it published";
    EXPECT_EQ(trapd_->Log().find(".1.3.6.1.4.1.7491.1.1.1.4.2"), std::string::npos) << "no other trap";
  }

  AlerterHost host_;  // the host root, the simulated lines and the power-off recorder
  int port_ = 0;
  int trapPort_ = 0;
  std::unique_ptr<Daemon> snmpd_;
  std::unique_ptr<Daemon> trapd_;
  std::unique_ptr<Daemon> agent_;
};

TEST_F(VigilSnmpTest, AsItsOwnAgentServesGetWalkAndSetWithTheAgentsErrors) {
  StartAgent();
  GetsWalksAndSets();
}

TEST_F(VigilSnmpTest, AsItsOwnAgentSendsTheAgentsTrapsAsVersionOneTraps) {
  StartTrapReceiver();
  StartAgent();
  DsrDropSendsTrapOne();
}

TEST_F(VigilSnmpTest, AsASubagentOfAPrivateSnmpdServesAndTraps) {
  StartTrapReceiver();
  StartSubagent();
  GetsWalksAndSets(/*overAgentX=*/true);
  // snmpd's own variables and the agent's region side by side: a GETNEXT
  // past the region passes on to what follows it.
  CommandResult next = Client("snmpgetnext", {"-v", "2c", "-c", "public", "-On", Target(), kRegion + ".3.2.1.3.1"});
  EXPECT_EQ(next.out.find("1.3.6.1.4.1.7491.1.1.1"), std::string::npos) << next.out;
  DsrDropSendsTrapOne();
}

// systemd's side played by the test: the notification socket hears READY=1
// once the agent serves, then WATCHDOG=1 while it runs.
TEST_F(VigilSnmpTest, UnderSystemdItIsReadyOnceItServesAndAnswersTheWatchdog) {
  std::string socket = host_.Path("notify.sock");
  std::string heard = host_.Path("notified");
  Daemon listener({VIGIL_UNIXGRAM, socket, heard}, host_.Path("unixgram.log"));
  ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(socket); }, 5000));
  setenv("NOTIFY_SOCKET", socket.c_str(), 1);
  setenv("WATCHDOG_USEC", "1000000", 1);
  StartAgent();
  unsetenv("NOTIFY_SOCKET");
  unsetenv("WATCHDOG_USEC");
  ASSERT_TRUE(WaitUntil([&] { return ReadFile(heard).find(" READY=1\n") != std::string::npos; }, 5000))
      << ReadFile(heard);
  auto pings = [&] {
    std::string text = ReadFile(heard);
    int n = 0;
    for (size_t at = text.find(" WATCHDOG=1\n"); at != std::string::npos; at = text.find(" WATCHDOG=1\n", at + 1)) ++n;
    return n;
  };
  EXPECT_TRUE(WaitUntil([&] { return pings() >= 3; }, 5000)) << ReadFile(heard);
}

TEST_F(VigilSnmpTest, RefusesToStartWithoutAnAgentInTheRegistry) {
  platform::RegKeyHandle key;
  ASSERT_EQ(platform::DeleteRegTree(platform::kLocalMachine, "SOFTWARE\\Tessaly\\VigilAgent20"), platform::kRegOk);
  CommandResult run = RunProcess({VIGIL_SNMP, "-f", "-Le", "udp:127.0.0.1:" + std::to_string(FreeUdpPort())}, 20000);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("no key HKLM\\SOFTWARE\\Tessaly\\VigilAgent20\\CurrentVersion"), std::string::npos) << run.err;
}

}  // namespace
