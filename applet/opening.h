// One opening of the applet (CPL_DBLCLK): the settings, the sheet over
// Control Panel's window, Save on a confirmed Apply, and the offer to start
// the monitoring program again.
#pragma once

#include <functional>

#include "applet/base_dialog.h"
#include "platform/win1252.h"

namespace applet {

inline constexpr const char* kSettingsTitle = "Configurações da Supervisão do NoBreak"_w1252;
inline constexpr const char* kSnmpAgentsKeyNt5 =
    "System\\CurrentControlSet\\Services\\SNMP\\Parameters\\ExtensionAgents";
inline constexpr const char* kSnmpAgentsKeyNt6 =
    "System\\CurrentControlSet\\Control\\SNMP\\Parameters\\ExtensionAgents";
inline constexpr const char* kAgentValue = "vigil_20_agent";
inline constexpr const char* kServiceKey = "System\\CurrentControlSet\\Services\\Vigil20";
inline constexpr const char* kSupervisor = "vigil20s.exe";

// Shows the sheet modally and returns its result (1 Apply, 2 Cancel, -1
// when it cannot be shown).
using SheetRunner = std::function<int(CBaseDialog& sheet, void* parent)>;

// The opening sequence. Returns when the sheet has ended.
void RunOpeningSequence(void* parent, const SheetRunner& runSheet);

// Whether the SNMP agent is registered, for the platform's major version.
bool SnmpAgentRegistered(int majorVersion);

}  // namespace applet
