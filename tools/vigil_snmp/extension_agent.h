// An extension agent as the Windows SNMP service holds it: found through the
// registry's list of extension agents, loaded, initialised with a time-zero
// reference, asked one request at a time, and drained of its traps.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/vigil_snmp/binding.h"

namespace platform {
struct Library;
}

namespace vigil_snmp {

// The registry key of the service's list and the value that names the agent.
inline constexpr const char* kExtensionAgentsKey =
    "System\\CurrentControlSet\\Control\\SNMP\\Parameters\\ExtensionAgents";
inline constexpr const char* kAgentValueName = "vigil_20_agent";

// The library path of the agent listed as `valueName`: the value names a
// key (below HKLM) whose "Pathname" (REG_EXPAND_SZ, %VARIABLE% expanded
// from the environment, or REG_SZ) is the path. Empty with `error` set
// when the list, the key or the path is missing.
std::string AgentLibraryPath(const std::string& valueName, std::string* error);

class ExtensionAgent {
 public:
  ExtensionAgent() = default;
  ~ExtensionAgent();
  ExtensionAgent(const ExtensionAgent&) = delete;
  ExtensionAgent& operator=(const ExtensionAgent&) = delete;

  // Loads the library and finds its entry points.
  bool Load(const std::string& path, std::string* error);
  // SnmpExtensionInit: the region and the trap event's handle.
  bool Init(uint32_t timeZero, std::string* error);
  const std::vector<uint32_t>& Region() const { return region_; }
  void* TrapEvent() const { return trapEvent_; }

  // SnmpExtensionQuery of `bindings`, which receive the answers.
  void Query(uint8_t pdu, std::vector<Binding>* bindings, int32_t* errorStatus, int32_t* errorIndex);
  // SnmpExtensionTrap once: false when the agent has no more.
  bool NextTrap(Trap* trap);

 private:
  platform::Library* library_ = nullptr;
  void* init_ = nullptr;
  void* query_ = nullptr;
  void* trap_ = nullptr;
  std::vector<uint32_t> region_;
  void* trapEvent_ = nullptr;
};

}  // namespace vigil_snmp
