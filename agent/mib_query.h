// The resolution of SNMP requests against the agent's variable table: GET,
// GETNEXT and SET of each binding in turn, the row instantiation of table
// columns, and the error status and index of the first binding that fails.
#pragma once

#include <atomic>
#include <cstdint>

#include "agent/text_log.h"
#include "platform/snmp.h"

// The agent's region, 1.3.6.1.4.1.7491.1.1.1.
inline constexpr UINT kViewPrefix[] = {1, 3, 6, 1, 4, 1, 7491, 1, 1, 1};
inline constexpr UINT kViewPrefixLength = 10;

inline constexpr int32_t kReadOnly = 0;
inline constexpr int32_t kWriteOnly = 1;
inline constexpr int32_t kReadWrite = 2;

// A sub-identifier of -1 marks a table column's row position.
inline constexpr int32_t kRowPosition = -1;
inline constexpr int kSuffixLength = 8;

struct MibEntry {
  int32_t suffix[kSuffixLength];       // ended by 0 when shorter than 8
  BYTE type;                           // ASN_INTEGER or ASN_OCTETSTRING
  int32_t access;                      // kReadOnly, kWriteOnly or kReadWrite
  std::atomic<int32_t>* integer;       // the value, when it lives in one place
  char* text;                          // likewise for a text, maxLength + 1 bytes
  const void* (*getter)(int32_t row);  // the value's address otherwise
  void (*setter)(int32_t value);
  UINT maxLength;  // most bytes of a text served
};

// The end marker: an empty suffix with a 1 in its eighth position.
inline bool IsEndMarker(const MibEntry& entry) { return entry.suffix[0] == 0 && entry.suffix[7] == 1; }

struct MibView {
  const MibEntry* table;  // entries in ascending OID order, then the end marker
  int32_t (*rowCount)();  // n, recomputed from the event file at every call
  CTextLog* log;          // the request trace
};

// Resolves one binding; the result is an SNMP error status (0 to 5). For
// GETNEXT it may replace the binding's name.
AsnInteger32 ResolveBinding(const MibView& view, BYTE pduType, SnmpVarBind* binding);

// Resolves the list in order until a binding fails: *errorStatus and
// *errorIndex (1-based) tell which. A GETNEXT with nothing after the
// requested OID names the OID just after the region (status 0), so the
// service passes the request on. Always TRUE.
BOOL QueryBindings(const MibView& view, BYTE pduType, SnmpVarBindList* list, AsnInteger32* errorStatus,
                   AsnInteger32* errorIndex);
