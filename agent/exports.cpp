// The extension agent's entry points, exported under these plain names
// (VigilAgent20.def, VigilAgent20.map).
#include "agent/ups_agent_app.h"

extern "C" {

BOOL WINAPI SnmpExtensionInit(DWORD dwUptimeReference, HANDLE* phSubagentTrapEvent,
                              AsnObjectIdentifier* pFirstSupportedRegion) {
  return TheAgentApp().ExtensionInit(dwUptimeReference, phSubagentTrapEvent, pFirstSupportedRegion);
}

// The agent has one region only.
BOOL WINAPI SnmpExtensionInitEx(AsnObjectIdentifier*) { return FALSE; }

BOOL WINAPI SnmpExtensionQuery(BYTE bPduType, SnmpVarBindList* pVarBindList, AsnInteger32* pErrorStatus,
                               AsnInteger32* pErrorIndex) {
  return TheAgentApp().ExtensionQuery(bPduType, pVarBindList, pErrorStatus, pErrorIndex);
}

BOOL WINAPI SnmpExtensionTrap(AsnObjectIdentifier* pEnterpriseOid, AsnInteger32* pGenericTrapId,
                              AsnInteger32* pSpecificTrapId, AsnTimeticks* pTimeStamp, SnmpVarBindList* pVarBindList) {
  return TheAgentApp().ExtensionTrap(pEnterpriseOid, pGenericTrapId, pSpecificTrapId, pTimeStamp, pVarBindList);
}

int32_t AgentQueryStatus(void) { return 2; }

// Nothing is reloaded.
int32_t RequestNewConfigs(void) { return 2; }

}  // extern "C"
