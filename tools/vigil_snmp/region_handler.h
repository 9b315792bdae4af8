// The net-snmp side of vigil-snmp: the extension agent's region registered
// as one handler, whose GET, GETNEXT and SET requests go to the agent
// binding by binding; and the agent's traps sent as SNMPv1 traps.
#pragma once

#include <string>

#include "tools/vigil_snmp/extension_agent.h"

namespace vigil_snmp {

// Registers `agent`'s region with the agent library; the agent must outlive
// the registration.
bool RegisterRegion(ExtensionAgent& agent, std::string* error);

// Sends `trap` to the trap sinks of the configuration (or, as a subagent,
// through the master): an SNMPv1 trap with the agent's enterprise, generic
// and specific ids and its bindings; version 2 sinks get its translation.
void SendTrap(const Trap& trap);

}  // namespace vigil_snmp
