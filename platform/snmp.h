// The SNMP extension-agent types and the snmpapi utilities, as the Windows
// SDK's snmp.h declares them: on Windows the real header and snmpapi.dll; on
// Linux the same declarations here and the same behaviour in
// platform/linux/snmpapi.cpp. Code written against this header builds
// unchanged for both.
//
// The names (ASN_INTEGER, SNMP_PDU_GET, ...) are the SDK's macros and clash
// with net-snmp's: a file never includes both.
#pragma once

#ifdef _WIN32

#include <windows.h>
#include <snmp.h>

#else

#include <cstdint>

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned int UINT;
typedef int INT;
typedef uint32_t DWORD;
typedef void* HANDLE;
typedef void* LPVOID;
typedef char* LPSTR;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif
#define WINAPI
#define SNMP_FUNC_TYPE
#define SNMPAPI INT
#define SNMPAPI_NOERROR TRUE
#define SNMPAPI_ERROR FALSE

extern "C" {

#pragma pack(push, 4)

typedef struct {
  BYTE* stream;
  UINT length;
  BOOL dynamic;  // the buffer belongs to whoever receives it, freed with SnmpUtilMemFree
} AsnOctetString;

typedef struct {
  UINT idLength;
  UINT* ids;
} AsnObjectIdentifier;

typedef int32_t AsnInteger32;
typedef uint32_t AsnUnsigned32;
typedef uint64_t AsnCounter64;
typedef AsnUnsigned32 AsnCounter32;
typedef AsnUnsigned32 AsnGauge32;
typedef AsnUnsigned32 AsnTimeticks;
typedef AsnOctetString AsnBits;
typedef AsnOctetString AsnSequence;
typedef AsnOctetString AsnIPAddress;
typedef AsnOctetString AsnDisplayString;
typedef AsnOctetString AsnOpaque;

typedef struct {
  BYTE asnType;
  union {
    AsnInteger32 number;
    AsnUnsigned32 unsigned32;
    AsnCounter64 counter64;
    AsnOctetString string;
    AsnBits bits;
    AsnObjectIdentifier object;
    AsnSequence sequence;
    AsnIPAddress address;
    AsnCounter32 counter;
    AsnGauge32 gauge;
    AsnTimeticks ticks;
    AsnOpaque arbitrary;
  } asnValue;
} AsnAny;

typedef AsnObjectIdentifier AsnObjectName;
typedef AsnAny AsnObjectSyntax;

typedef struct {
  AsnObjectName name;
  AsnObjectSyntax value;
} SnmpVarBind;

typedef struct {
  SnmpVarBind* list;
  UINT len;
} SnmpVarBindList;

#pragma pack(pop)

#define ASN_UNIVERSAL 0x00
#define ASN_APPLICATION 0x40
#define ASN_CONTEXT 0x80
#define ASN_PRIMITIVE 0x00
#define ASN_CONSTRUCTOR 0x20

#define SNMP_PDU_GET (ASN_CONTEXT | ASN_CONSTRUCTOR | 0x0)
#define SNMP_PDU_GETNEXT (ASN_CONTEXT | ASN_CONSTRUCTOR | 0x1)
#define SNMP_PDU_RESPONSE (ASN_CONTEXT | ASN_CONSTRUCTOR | 0x2)
#define SNMP_PDU_SET (ASN_CONTEXT | ASN_CONSTRUCTOR | 0x3)
#define SNMP_PDU_V1TRAP (ASN_CONTEXT | ASN_CONSTRUCTOR | 0x4)
#define SNMP_PDU_GETBULK (ASN_CONTEXT | ASN_CONSTRUCTOR | 0x5)

#define ASN_INTEGER (ASN_UNIVERSAL | ASN_PRIMITIVE | 0x02)
#define ASN_BITS (ASN_UNIVERSAL | ASN_PRIMITIVE | 0x03)
#define ASN_OCTETSTRING (ASN_UNIVERSAL | ASN_PRIMITIVE | 0x04)
#define ASN_NULL (ASN_UNIVERSAL | ASN_PRIMITIVE | 0x05)
#define ASN_OBJECTIDENTIFIER (ASN_UNIVERSAL | ASN_PRIMITIVE | 0x06)
#define ASN_INTEGER32 ASN_INTEGER
#define ASN_IPADDRESS (ASN_APPLICATION | ASN_PRIMITIVE | 0x00)
#define ASN_COUNTER32 (ASN_APPLICATION | ASN_PRIMITIVE | 0x01)
#define ASN_GAUGE32 (ASN_APPLICATION | ASN_PRIMITIVE | 0x02)
#define ASN_TIMETICKS (ASN_APPLICATION | ASN_PRIMITIVE | 0x03)
#define ASN_OPAQUE (ASN_APPLICATION | ASN_PRIMITIVE | 0x04)
#define ASN_COUNTER64 (ASN_APPLICATION | ASN_PRIMITIVE | 0x06)
#define ASN_UNSIGNED32 (ASN_APPLICATION | ASN_PRIMITIVE | 0x07)

#define SNMP_ERRORSTATUS_NOERROR 0
#define SNMP_ERRORSTATUS_TOOBIG 1
#define SNMP_ERRORSTATUS_NOSUCHNAME 2
#define SNMP_ERRORSTATUS_BADVALUE 3
#define SNMP_ERRORSTATUS_READONLY 4
#define SNMP_ERRORSTATUS_GENERR 5

#define SNMP_GENERICTRAP_ENTERSPECIFIC 6

// The extension agent's entry points, as a host looks them up by name.
typedef BOOL (*PFNSNMPEXTENSIONINIT)(DWORD dwUpTimeReference, HANDLE* phSubagentTrapEvent,
                                     AsnObjectIdentifier* pFirstSupportedRegion);
typedef BOOL (*PFNSNMPEXTENSIONINITEX)(AsnObjectIdentifier* pNextSupportedRegion);
typedef BOOL (*PFNSNMPEXTENSIONQUERY)(BYTE bPduType, SnmpVarBindList* pVarBindList, AsnInteger32* pErrorStatus,
                                      AsnInteger32* pErrorIndex);
typedef BOOL (*PFNSNMPEXTENSIONTRAP)(AsnObjectIdentifier* pEnterpriseOid, AsnInteger32* pGenericTrapId,
                                     AsnInteger32* pSpecificTrapId, AsnTimeticks* pTimeStamp,
                                     SnmpVarBindList* pVarBindList);

// Memory: blocks of the process heap, not promised to be zero-filled (those
// of snmpapi.dll under Wine are not); SnmpUtilMemAlloc(0) still gives a block.
LPVOID SnmpUtilMemAlloc(UINT nBytes);
LPVOID SnmpUtilMemReAlloc(LPVOID pMem, UINT nBytes);
void SnmpUtilMemFree(LPVOID pMem);

// OIDs. Cpy and Append return SNMPAPI_NOERROR (1) or SNMPAPI_ERROR (0);
// Append grows the destination's own array. Cmp compares sub-identifier by
// sub-identifier as unsigned numbers, then by length: -1, 0 or 1. NCmp looks
// at the first nSubIds only.
SNMPAPI SnmpUtilOidCpy(AsnObjectIdentifier* pOidDst, AsnObjectIdentifier* pOidSrc);
SNMPAPI SnmpUtilOidAppend(AsnObjectIdentifier* pOidDst, AsnObjectIdentifier* pOidSrc);
SNMPAPI SnmpUtilOidNCmp(AsnObjectIdentifier* pOid1, AsnObjectIdentifier* pOid2, UINT nSubIds);
SNMPAPI SnmpUtilOidCmp(AsnObjectIdentifier* pOid1, AsnObjectIdentifier* pOid2);
void SnmpUtilOidFree(AsnObjectIdentifier* pOid);

// Values and bindings: the value's buffers freed when they are dynamic (or
// are OIDs); the name always.
void SnmpUtilAsnAnyFree(AsnAny* pAny);
void SnmpUtilVarBindFree(SnmpVarBind* pVb);
void SnmpUtilVarBindListFree(SnmpVarBindList* pVbl);

}  // extern "C"

#endif
