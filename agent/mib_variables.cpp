// The agent's 15 variables under 1.3.6.1.4.1.7491.1.1.1, in OID order.
#include "agent/ups_agent_app.h"

namespace {

const void* GetNominalAutonomy(int32_t) { return TheAgentApp().NominalAutonomy(); }
const void* GetCounterReset(int32_t) {
  static const int32_t zero = 0;
  return &zero;
}
const void* GetRowCount(int32_t) { return TheAgentApp().RowCountValue(); }
const void* GetRowIndex(int32_t row) { return TheAgentApp().RowIndex(row); }
const void* GetRowCode(int32_t row) { return TheAgentApp().RowCode(row); }
const void* GetRowTime(int32_t row) { return TheAgentApp().RowTimeText(row); }
void SetCounterReset(int32_t value) { TheAgentApp().ResetCounters(value); }

}  // namespace

const MibEntry kMibTable[16] = {
    {{1, 1}, ASN_INTEGER, kReadOnly, &theAgentState.dsrState, nullptr, nullptr, nullptr, 0},
    {{1, 2}, ASN_INTEGER, kReadOnly, &theAgentState.ctsState, nullptr, nullptr, nullptr, 0},
    {{1, 3}, ASN_INTEGER, kReadOnly, &theAgentState.riState, nullptr, nullptr, nullptr, 0},
    {{1, 4}, ASN_INTEGER, kReadOnly, &theAgentState.linesAvailable, nullptr, nullptr, nullptr, 0},
    {{1, 5}, ASN_INTEGER, kReadOnly, &theAgentState.cableType, nullptr, nullptr, nullptr, 0},
    {{1, 6}, ASN_INTEGER, kReadOnly, nullptr, nullptr, GetNominalAutonomy, nullptr, 0},
    {{2, 1}, ASN_INTEGER, kReadOnly, &theAgentState.changeCycles, nullptr, nullptr, nullptr, 0},
    {{2, 2}, ASN_INTEGER, kReadOnly, &theAgentState.dsrChanges, nullptr, nullptr, nullptr, 0},
    {{2, 3}, ASN_INTEGER, kReadOnly, &theAgentState.ctsChanges, nullptr, nullptr, nullptr, 0},
    {{2, 4}, ASN_INTEGER, kReadOnly, &theAgentState.riChanges, nullptr, nullptr, nullptr, 0},
    {{2, 5}, ASN_INTEGER, kReadWrite, nullptr, nullptr, GetCounterReset, SetCounterReset, 0},
    {{3, 1}, ASN_INTEGER, kReadOnly, nullptr, nullptr, GetRowCount, nullptr, 0},
    {{3, 2, 1, 1, kRowPosition}, ASN_INTEGER, kReadOnly, nullptr, nullptr, GetRowIndex, nullptr, 0},
    {{3, 2, 1, 2, kRowPosition}, ASN_INTEGER, kReadOnly, nullptr, nullptr, GetRowCode, nullptr, 0},
    {{3, 2, 1, 3, kRowPosition}, ASN_OCTETSTRING, kReadOnly, nullptr, nullptr, GetRowTime, nullptr, 64},
    {{0, 0, 0, 0, 0, 0, 0, 1}, ASN_NULL, kReadOnly, nullptr, nullptr, nullptr, nullptr, 0},
};
