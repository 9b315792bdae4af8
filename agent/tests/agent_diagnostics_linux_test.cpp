// The agent's diagnostics over the Linux stand-ins: its reports in
// <root>/eventlog/System.log, its event source in the registry, the debug
// text log and its request trace.
#include <filesystem>
#include <fstream>
#include <regex>

#include "agent/tests/agent_fixture.h"
#include "platform/tests/support/temp_host_root.h"

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string SystemLog() { return ReadAll(std::string(std::getenv("VIGIL20_HOST_ROOT")) + "/eventlog/System.log"); }

TEST_F(AgentTest, StartAndUnloadAreReportedToTheSystemLogWithTheMessageTexts) {
  Load();
  Unload();
  std::string log = SystemLog();
  std::regex lines(
      "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\tVIGIL 20 SNMP\tInformation\t0x40000001\tAgent started successfully.\n"
      "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\tVIGIL 20 SNMP\tInformation\t0x40000002\tAgent terminated.\n");
  EXPECT_TRUE(std::regex_match(log, lines)) << log;
}

TEST_F(AgentTest, AFailedStartIsAnErrorInPortugueseForAPortugueseLocaleAndUnloadStillReports) {
  // A file where the events' folder must go: no trap event can be made.
  std::string root = std::getenv("VIGIL20_HOST_ROOT");
  std::ofstream(root + "/run") << "in the way";
  SetEnvironment("LC_ALL", "pt_BR.UTF-8");
  Load(/*init=*/false);
  EXPECT_FALSE(agent_->Init());
  Unload();
  UnsetEnvironment("LC_ALL");
  std::string log = SystemLog();
  EXPECT_NE(log.find("\tError\t0xC0000003\tFalha ao inicializar agente.\n"), std::string::npos) << log;
  EXPECT_NE(log.find("\tInformation\t0x40000002\tAgente finalizado.\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("0x40000001"), std::string::npos);
}

TEST_F(AgentTest, TheEventSourceIsRegisteredWithItsMessageFileHoweverLongTheSystemDirectory) {
  // A host root of well over 64 bytes: the message file's path must not be cut.
  std::string deep = std::string(std::getenv("VIGIL20_HOST_ROOT")) + "/" + std::string(90, 'x');
  std::filesystem::create_directories(deep);
  SetEnvironment("VIGIL20_HOST_ROOT", deep);
  Load();
  platform::RegKeyHandle key;
  ASSERT_EQ(platform::OpenRegKey(platform::kLocalMachine,
                                 "SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\VIGIL 20 SNMP",
                                 platform::kKeyRead, key.out()),
            platform::kRegOk);
  uint8_t data[512];
  uint32_t size = sizeof data;
  uint32_t type = 0;
  ASSERT_EQ(platform::QueryRegValue(key.get(), "EventMessageFile", &type, data, &size), platform::kRegOk);
  EXPECT_EQ(type, platform::kRegExpandSz);
  std::string expected = deep + "/system32/VigilAgent20.dll";
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size), expected + '\0') << "terminator included";
  uint32_t types = 0;
  EXPECT_EQ(platform::QueryRegDword(key.get(), "TypesSupported", &types), platform::kRegOk);
  EXPECT_EQ(types, 7u);
  Unload();
}

TEST_F(AgentTest, DebugLogOffLeavesTheFileAloneAndOnStartsItAfreshWithTheTrace) {
  std::string path = host_.ScratchPath("agent.log");
  std::ofstream(path) << "old content";
  SetText("Snmp Agent\\Debug", "Debug Log Location", path);
  Load();
  Unload();
  EXPECT_EQ(ReadAll(path), "old content") << "Debug Log On 0: not touched";

  SetSetting("Snmp Agent\\Debug", "Debug Log On", 1);
  AgentHost& agent = Load();
  std::string start = ReadAll(path);
  EXPECT_TRUE(std::regex_match(start, std::regex("\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d  Log iniciado\n\r\n")))
      << start;
  agent.Get(Var("1.2"));
  agent.Query(SNMP_PDU_SET, {Var("1.1")}, {Integer(1)});
  agent.Query(SNMP_PDU_SET, {Var("2.5")}, {Octets("x")});
  Oid longOid = Var("9");
  longOid.insert(longOid.end(), 120, 4000000000u);  // prints as -294967296, 120 times
  agent.Get(longOid);
  Unload();
  std::string log = ReadAll(path);
  std::vector<std::string> messages;
  std::stringstream in(log.substr(start.size()));
  for (std::string line; std::getline(in, line);) {
    ASSERT_GE(line.size(), 22u);
    ASSERT_EQ(line.back(), '\r');
    messages.push_back(line.substr(21, line.size() - 22));
  }
  ASSERT_GE(messages.size(), 7u);
  EXPECT_EQ(messages[0], "Var: 1.3.6.1.4.1.7491.1.1.1.1.2");
  EXPECT_EQ(messages[1], "OID orig: 1.3.6.1.4.1.7491.1.1.1.1.1");
  EXPECT_EQ(messages[2], "OID subs: 1.3.6.1.4.1.7491.1.1.1.1.1");
  EXPECT_EQ(messages[3], "Cmp (1.3.6.1.4.1.7491.1.1.1.1.2) com (1.3.6.1.4.1.7491.1.1.1.1.1) Res: 1");
  EXPECT_EQ(messages[6], "Cmp (1.3.6.1.4.1.7491.1.1.1.1.2) com (1.3.6.1.4.1.7491.1.1.1.1.2) Res: 0");
  EXPECT_NE(log.find("OID orig: 1.3.6.1.4.1.7491.1.1.1.3.2.1.1.-1\r\n"), std::string::npos) << "unfilled row";
  EXPECT_NE(log.find("  ** Variavel read-only\r\n"), std::string::npos);
  EXPECT_NE(log.find("  ** Data type mismatch\r\n"), std::string::npos);
  // The long OID's text is cut to its 256 bytes, and its line to 260.
  size_t var = log.find("Var: 1.3.6.1.4.1.7491.1.1.1.9.-294967296");
  ASSERT_NE(var, std::string::npos);
  EXPECT_EQ(log.find('\r', var) - var, 259u);
  size_t compare = log.find("Cmp (1.3.6.1.4.1.7491.1.1.1.9.-294967296");
  ASSERT_NE(compare, std::string::npos);
  EXPECT_EQ(log.find('\r', compare) - compare, 259u);
}

}  // namespace
