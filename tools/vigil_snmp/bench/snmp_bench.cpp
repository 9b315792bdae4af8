// Not a test: the cost of a request through vigil-snmp against the system's
// snmpd answering one of its own scalars, both on loopback, in one run.
//
// - snmpget_*: the snmpget command, one variable, per run of the command;
// - snmpwalk_event_table: the snmpwalk command over a 300-row event table
//   (900 cells), per request of the walk;
// - snmpwalk_snmpd_mib2: the same command over snmpd's own mib-2 (some
//   thousands of objects), per request, the walk's like-for-like figure;
// - get_* / getnext_*: one request of net-snmp's client library, the cost
//   without the command's start.
//
// Run as a user who may start snmpd: build/tools/vigil_snmp/bench/snmp_bench
// clang-format off
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
// clang-format on

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "eventfile/event_file.h"
#include "platform/registry.h"
#include "platform/tests/support/temp_host_root.h"
#include "tools/vigil_snmp/tests/snmp_daemons.h"

using core::kEventFileName;

namespace {

constexpr int kRows = 300;
const std::string kRegion = "1.3.6.1.4.1.7491.1.1.1";
const std::string kSnmpdScalar = "1.3.6.1.2.1.1.1.0";  // sysDescr.0

struct Setup {
  TempHostRoot root;
  int vigilPort = 0;
  int snmpdPort = 0;
  std::unique_ptr<Daemon> vigil;
  std::unique_ptr<Daemon> snmpd;
};
Setup* setup = nullptr;

void SetText(const std::string& key, const std::string& name, uint32_t type, const std::string& text) {
  platform::RegKeyHandle handle;
  if (platform::CreateRegKey(platform::kLocalMachine, key, platform::kKeyWrite, handle.out(), nullptr) != platform::kRegOk ||
      platform::SetRegValue(handle.get(), name, type, reinterpret_cast<const uint8_t*>(text.c_str()),
                            static_cast<uint32_t>(text.size() + 1)) != platform::kRegOk)
    throw std::runtime_error("registry: " + key);
}

void Start() {
  setup = new Setup;
  setenv("SNMP_PERSISTENT_DIR", (setup->root / "persist").c_str(), 1);
  SetText("System\\CurrentControlSet\\Control\\SNMP\\Parameters\\ExtensionAgents", "vigil_20_agent", platform::kRegSz,
          "SOFTWARE\\Tessaly\\VigilAgent20\\CurrentVersion");
  SetText("SOFTWARE\\Tessaly\\VigilAgent20\\CurrentVersion", "Pathname", platform::kRegSz, VIGIL_AGENT_LIBRARY);
  platform::RegKeyHandle key;
  platform::CreateRegKey(platform::kLocalMachine, "Software\\Tessaly\\Vigil 2.0\\Snmp Agent", platform::kKeyWrite,
                         key.out(), nullptr);
  platform::SetRegDword(key.get(), "Max Events", kRows);
  CEventFile events(kEventFileName);
  if (!events.OpenForWriting()) throw std::runtime_error("event file");
  for (int i = 0; i < kRows; ++i) events.AppendAt(1 + i % 2, 1700000000 + i);
  events.Close();

  std::ofstream(setup->root / "agent.conf") << "rocommunity public 127.0.0.1\n";
  setup->vigilPort = FreeUdpPort();
  setup->vigil = std::make_unique<Daemon>(
      std::vector<std::string>{VIGIL_SNMP, "-f", "-Le", "-c", setup->root / "agent.conf",
                               "udp:127.0.0.1:" + std::to_string(setup->vigilPort)},
      setup->root / "vigil-snmp.log");
  setup->snmpdPort = FreeUdpPort();
  setup->snmpd = std::make_unique<Daemon>(
      std::vector<std::string>{"/usr/sbin/snmpd", "-f", "-Le", "-C", "-c", setup->root / "agent.conf", "-p",
                               setup->root / "snmpd.pid", "udp:127.0.0.1:" + std::to_string(setup->snmpdPort)},
      setup->root / "snmpd.log");
  for (int port : {setup->vigilPort, setup->snmpdPort}) {
    std::string oid = port == setup->vigilPort ? kRegion + ".1.5" : kSnmpdScalar;
    if (!WaitUntil([&] { return Client("snmpget", {"-v2c", "-c", "public", "udp:127.0.0.1:" + std::to_string(port), oid}).status == 0; },
                 30000))
      throw std::runtime_error("no answer on port " + std::to_string(port));
  }
}

std::string Target(int port) { return "udp:127.0.0.1:" + std::to_string(port); }

// Objects printed by a command run with -On: one line each, starting with
// the numeric OID (a long value may go on over further lines). The end of
// the agent's view is told on such a line too, and is no object.
long ObjectsPrinted(const std::string& out) {
  long count = 0;
  for (size_t start = 0; start < out.size();) {
    size_t end = out.find('\n', start);
    if (end == std::string::npos) end = out.size();
    std::string line = out.substr(start, end - start);
    if (line.compare(0, 1, ".") == 0 && line.find("No more variables left") == std::string::npos) ++count;
    start = end + 1;
  }
  return count;
}

// `expected` objects per run (0: whatever the agent has); a walk makes one
// request per object and one more that leaves the subtree.
void RunCommand(benchmark::State& state, const std::string& program, int port, const std::string& oid, long expected) {
  bool walk = program == "snmpwalk";
  long requests = 0;
  // Wall-clock time, measured here: the library's rate counters divide by
  // this process's CPU time, which leaves out the clients and the agents.
  auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    CommandResult result = Client(program, {"-v2c", "-c", "public", "-On", "-t", "5", "-r", "0", Target(port), oid});
    long objects = ObjectsPrinted(result.out);
    if (result.status != 0 || objects == 0 || (expected != 0 && objects != expected)) {
      std::string what = "status " + std::to_string(result.status) + ", " + std::to_string(objects) + " objects: ";
      state.SkipWithError((what + result.out.substr(0, 200)).c_str());
      return;
    }
    requests += walk ? objects + 1 : 1;
  }
  std::chrono::duration<double, std::micro> elapsed = std::chrono::steady_clock::now() - start;
  state.counters["per_request_us"] = elapsed.count() / static_cast<double>(requests);
}

void snmpget_vigil(benchmark::State& state) { RunCommand(state, "snmpget", setup->vigilPort, kRegion + ".3.1", 1); }
void snmpget_snmpd(benchmark::State& state) { RunCommand(state, "snmpget", setup->snmpdPort, kSnmpdScalar, 1); }
// 300 rows of 3 columns and the 12 variables before them.
void snmpwalk_event_table(benchmark::State& state) {
  RunCommand(state, "snmpwalk", setup->vigilPort, kRegion, 12 + 3 * kRows);
}
void snmpwalk_snmpd_mib2(benchmark::State& state) { RunCommand(state, "snmpwalk", setup->snmpdPort, "1.3.6.1.2.1", 0); }

// One request of the client library on a session kept open.
struct Session {
  explicit Session(int port) {
    snmp_sess_init(&config);
    std::string peer = Target(port);
    config.peername = const_cast<char*>(peer.c_str());
    config.version = SNMP_VERSION_2c;
    config.community = reinterpret_cast<u_char*>(const_cast<char*>("public"));
    config.community_len = 6;
    handle = snmp_open(&config);
    if (!handle) throw std::runtime_error("snmp_open");
  }
  ~Session() { snmp_close(handle); }
  bool Ask(int command, const std::string& text) {
    oid name[MAX_OID_LEN];
    size_t length = MAX_OID_LEN;
    if (!read_objid(text.c_str(), name, &length)) return false;
    netsnmp_pdu* pdu = snmp_pdu_create(command);
    snmp_add_null_var(pdu, name, length);
    netsnmp_pdu* response = nullptr;
    bool ok = snmp_synch_response(handle, pdu, &response) == STAT_SUCCESS && response &&
              response->errstat == SNMP_ERR_NOERROR;
    if (response) snmp_free_pdu(response);
    return ok;
  }
  netsnmp_session config{};
  netsnmp_session* handle = nullptr;
};

void RunRequests(benchmark::State& state, int port, int command, const std::string& oid) {
  Session session(port);
  for (auto _ : state)
    if (!session.Ask(command, oid)) state.SkipWithError("request failed");
}

void get_vigil(benchmark::State& state) { RunRequests(state, setup->vigilPort, SNMP_MSG_GET, kRegion + ".3.1"); }
void get_vigil_table_cell(benchmark::State& state) {
  RunRequests(state, setup->vigilPort, SNMP_MSG_GET, kRegion + ".3.2.1.3.150");
}
void getnext_vigil_table(benchmark::State& state) {
  RunRequests(state, setup->vigilPort, SNMP_MSG_GETNEXT, kRegion + ".3.2.1.2.150");
}
void get_snmpd(benchmark::State& state) { RunRequests(state, setup->snmpdPort, SNMP_MSG_GET, kSnmpdScalar); }
void getnext_snmpd(benchmark::State& state) { RunRequests(state, setup->snmpdPort, SNMP_MSG_GETNEXT, kSnmpdScalar); }

}  // namespace

BENCHMARK(snmpget_vigil)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(snmpget_snmpd)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(snmpwalk_event_table)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(snmpwalk_snmpd_mib2)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(get_vigil)->Unit(benchmark::kMicrosecond);
BENCHMARK(get_vigil_table_cell)->Unit(benchmark::kMicrosecond);
BENCHMARK(getnext_vigil_table)->Unit(benchmark::kMicrosecond);
BENCHMARK(get_snmpd)->Unit(benchmark::kMicrosecond);
BENCHMARK(getnext_snmpd)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  setenv("MIBS", "", 1);
  init_snmp("snmp_bench");
  Start();
  benchmark::RunSpecifiedBenchmarks();
  delete setup;
  return 0;
}
