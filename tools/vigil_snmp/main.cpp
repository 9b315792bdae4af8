// vigil-snmp: the Linux stand-in for the Windows SNMP service. It loads the
// extension agent named in the registry's extension-agent list, serves the
// agent's region through net-snmp's agent library, as an AgentX subagent of
// the system's snmpd (-x SOCKET) or as an agent of its own on the trailing
// addresses, and sends every trap the agent queues as an SNMPv1 trap.
//
//   vigil-snmp [-f] [-L LOGOPT] [-c FILE]... [-x SOCKET] [ADDRESS...]
//
// -f stays in the foreground; -L as snmpd's (-Le standard error, -Lf FILE,
// -Ls FACILITY, ...); -c reads FILE (rocommunity, rwcommunity, trapsink,
// trap2sink, agentaddress, ...), and no other configuration file is read.
// ADDRESSES as snmpd takes them: udp:127.0.0.1:1161.
// clang-format off
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <net-snmp/agent/net-snmp-agent-includes.h>
// clang-format on

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/event_linux.h"
#include "platform/service_readiness.h"
#include "platform/tick_count.h"
#include "tools/vigil_snmp/extension_agent.h"
#include "tools/vigil_snmp/region_handler.h"

extern "C" void init_vacm_conf(void);

namespace {

constexpr const char* kName = "vigil-snmp";

volatile std::sig_atomic_t keep_running = 1;

void Stop(int) { keep_running = 0; }

struct Options {
  bool foreground = false;
  bool logChosen = false;
  std::vector<std::string> configs;
  std::string agentxSocket;
  std::vector<std::string> addresses;
};

void Usage() { std::fprintf(stderr, "usage: %s [-f] [-L LOGOPT] [-c FILE]... [-x SOCKET] [ADDRESS...]\n", kName); }

// False (after telling why) on a bad command line.
bool ParseOptions(int argc, char** argv, Options* options) {
  int option;
  while ((option = getopt(argc, argv, "fL:c:x:h")) != -1) {
    switch (option) {
      case 'f':
        options->foreground = true;
        break;
      case 'L':
        if (snmp_log_options(optarg, argc, argv) < 0) {
          snmp_log_options_usage("  -L", stderr);
          return false;
        }
        options->logChosen = true;
        break;
      case 'c':
        options->configs.push_back(optarg);
        break;
      case 'x':
        options->agentxSocket = optarg;
        break;
      default:
        Usage();
        return false;
    }
  }
  for (int i = optind; i < argc; ++i) options->addresses.push_back(argv[i]);
  return true;
}

std::string Join(const std::vector<std::string>& items) {
  std::string joined;
  for (const std::string& item : items) joined += (joined.empty() ? "" : ",") + item;
  return joined;
}

vigil_snmp::ExtensionAgent* agent = nullptr;
platform::Event* trap_event = nullptr;

// The agent's loop ran this alarm: it is not stuck.
void Alive(unsigned int, void*) { platform::NotifyServiceAlive(); }

// The trap event was set: every queued trap goes out.
void SendQueuedTraps(int, void*) {
  if (!platform::ClearIfSet(trap_event)) return;
  vigil_snmp::Trap trap;
  while (agent->NextTrap(&trap)) vigil_snmp::SendTrap(trap);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) return 1;
  if (!options.logChosen) snmp_enable_stderrlog();

  bool subagent = !options.agentxSocket.empty();
  netsnmp_ds_set_boolean(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_AGENT_ROLE, subagent ? 1 : 0);
  if (subagent)
    netsnmp_ds_set_string(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_AGENT_X_SOCKET, options.agentxSocket.c_str());
  if (!options.addresses.empty())
    netsnmp_ds_set_string(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_AGENT_PORTS, Join(options.addresses).c_str());
  // A line for every request would drown the log.
  netsnmp_ds_set_boolean(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_AGENT_DONT_LOG_TCPWRAPPERS_CONNECTS, 1);
  // Only the files named with -c, and no saved state of earlier runs.
  netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 1);
  netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_LOAD, 1);
  netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
  if (!options.configs.empty())
    netsnmp_ds_set_string(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_OPTIONALCONFIG, Join(options.configs).c_str());
  // The agent serves its own region only: no MIB files are needed.
  setenv("MIBS", "", 1);
  setenv("MIBDIRS", "", 1);

  std::string error;
  std::string path = vigil_snmp::AgentLibraryPath(vigil_snmp::kAgentValueName, &error);
  if (path.empty()) {
    snmp_log(LOG_ERR, "%s: %s\n", kName, error.c_str());
    return 1;
  }
  vigil_snmp::ExtensionAgent extension;
  if (!extension.Load(path, &error)) {
    snmp_log(LOG_ERR, "%s: %s\n", kName, error.c_str());
    return 1;
  }

  if (init_agent(kName) != 0) {
    snmp_log(LOG_ERR, "%s: the agent library does not start\n", kName);
    return 1;
  }
  if (!subagent) init_vacm_conf();  // rocommunity, rwcommunity and their access checks
  init_snmp(kName);
  if (!subagent && init_master_agent() != 0) {
    snmp_log(LOG_ERR, "%s: cannot listen on %s\n", kName,
             options.addresses.empty() ? "the default address" : Join(options.addresses).c_str());
    return 1;
  }

  // The service's start is the agent's time zero.
  if (!extension.Init(platform::TickCount(), &error) || !vigil_snmp::RegisterRegion(extension, &error)) {
    snmp_log(LOG_ERR, "%s: %s: %s\n", kName, path.c_str(), error.c_str());
    snmp_shutdown(kName);
    return 1;
  }
  agent = &extension;
  trap_event = platform::EventFromHandle(extension.TrapEvent());
  if (trap_event && register_readfd(platform::EventDescriptor(trap_event), SendQueuedTraps, nullptr) != 0)
    snmp_log(LOG_WARNING, "%s: traps cannot be waited for\n", kName);

  if (!options.foreground && netsnmp_daemonize(1, !options.logChosen) != 0) {
    snmp_log(LOG_ERR, "%s: cannot become a daemon\n", kName);
    return 1;
  }
  struct sigaction stop {};
  stop.sa_handler = Stop;
  sigaction(SIGTERM, &stop, nullptr);
  sigaction(SIGINT, &stop, nullptr);
  snmp_log(LOG_INFO, "%s: serving %s from %s\n", kName, subagent ? "as an AgentX subagent" : "as an agent",
           path.c_str());

  if (uint32_t period = platform::ServiceAlivePeriodMs()) {
    timeval every{static_cast<time_t>(period / 1000), static_cast<suseconds_t>((period % 1000) * 1000)};
    snmp_alarm_register_hr(every, SA_REPEAT, Alive, nullptr);
  }
  platform::NotifyServiceReady();
  while (keep_running) agent_check_and_process(1);

  if (trap_event) unregister_readfd(platform::EventDescriptor(trap_event));
  snmp_shutdown(kName);
  if (!subagent) shutdown_master_agent();
  agent = nullptr;
  return 0;
}
