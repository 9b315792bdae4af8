// snmpapi.dll's utilities with its behaviour, over malloc. Every block is
// at least one byte, so a zero-length array is still a block that its
// receiver frees; zero-filled, though callers may not count on it.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/snmp.h"

extern "C" {

LPVOID SnmpUtilMemAlloc(UINT nBytes) { return std::calloc(nBytes ? nBytes : 1, 1); }

LPVOID SnmpUtilMemReAlloc(LPVOID pMem, UINT nBytes) { return std::realloc(pMem, nBytes ? nBytes : 1); }

void SnmpUtilMemFree(LPVOID pMem) { std::free(pMem); }

SNMPAPI SnmpUtilOidCpy(AsnObjectIdentifier* pOidDst, AsnObjectIdentifier* pOidSrc) {
  if (!pOidDst) return SNMPAPI_ERROR;
  pOidDst->idLength = 0;
  pOidDst->ids = nullptr;
  if (!pOidSrc) return SNMPAPI_NOERROR;
  size_t bytes = static_cast<size_t>(pOidSrc->idLength) * sizeof(UINT);
  auto* ids = static_cast<UINT*>(std::malloc(bytes ? bytes : 1));
  if (!ids) return SNMPAPI_ERROR;
  if (bytes) std::memcpy(ids, pOidSrc->ids, bytes);
  pOidDst->ids = ids;
  pOidDst->idLength = pOidSrc->idLength;
  return SNMPAPI_NOERROR;
}

SNMPAPI SnmpUtilOidAppend(AsnObjectIdentifier* pOidDst, AsnObjectIdentifier* pOidSrc) {
  if (!pOidDst) return SNMPAPI_ERROR;
  if (!pOidSrc || pOidSrc->idLength == 0) return SNMPAPI_NOERROR;
  // An OID of more than UINT sub-identifiers cannot be described.
  if (pOidSrc->idLength > UINT32_MAX - pOidDst->idLength) return SNMPAPI_ERROR;
  size_t length = static_cast<size_t>(pOidDst->idLength) + pOidSrc->idLength;
  auto* ids = static_cast<UINT*>(std::realloc(pOidDst->ids, length * sizeof(UINT)));
  if (!ids) return SNMPAPI_ERROR;
  // The source may be the destination itself: its ids moved with realloc.
  const UINT* source = pOidSrc == pOidDst ? ids : pOidSrc->ids;
  std::memmove(ids + pOidDst->idLength, source, static_cast<size_t>(pOidSrc->idLength) * sizeof(UINT));
  pOidDst->ids = ids;
  pOidDst->idLength = static_cast<UINT>(length);
  return SNMPAPI_NOERROR;
}

SNMPAPI SnmpUtilOidNCmp(AsnObjectIdentifier* pOid1, AsnObjectIdentifier* pOid2, UINT nSubIds) {
  if (!pOid1 || !pOid2) return 0;
  UINT length = nSubIds;
  if (pOid1->idLength < length) length = pOid1->idLength;
  if (pOid2->idLength < length) length = pOid2->idLength;
  for (UINT i = 0; i < length; ++i) {
    if (pOid1->ids[i] > pOid2->ids[i]) return 1;
    if (pOid1->ids[i] < pOid2->ids[i]) return -1;
  }
  if (length == nSubIds) return 0;
  if (pOid1->idLength < pOid2->idLength) return -1;
  if (pOid1->idLength > pOid2->idLength) return 1;
  return 0;
}

SNMPAPI SnmpUtilOidCmp(AsnObjectIdentifier* pOid1, AsnObjectIdentifier* pOid2) {
  if (!pOid1 || !pOid2) return 0;
  UINT longer = pOid1->idLength > pOid2->idLength ? pOid1->idLength : pOid2->idLength;
  return SnmpUtilOidNCmp(pOid1, pOid2, longer);
}

void SnmpUtilOidFree(AsnObjectIdentifier* pOid) {
  if (!pOid) return;
  std::free(pOid->ids);
  pOid->ids = nullptr;
  pOid->idLength = 0;
}

void SnmpUtilAsnAnyFree(AsnAny* pAny) {
  if (!pAny) return;
  switch (pAny->asnType) {
    case ASN_OBJECTIDENTIFIER:
      SnmpUtilOidFree(&pAny->asnValue.object);
      break;
    case ASN_OCTETSTRING:
    case ASN_BITS:
    case ASN_IPADDRESS:
    case ASN_OPAQUE:
      if (pAny->asnValue.string.dynamic) std::free(pAny->asnValue.string.stream);
      pAny->asnValue.string.stream = nullptr;
      pAny->asnValue.string.length = 0;
      pAny->asnValue.string.dynamic = FALSE;
      break;
    default:
      break;
  }
  pAny->asnType = ASN_NULL;
}

void SnmpUtilVarBindFree(SnmpVarBind* pVb) {
  if (!pVb) return;
  SnmpUtilAsnAnyFree(&pVb->value);
  SnmpUtilOidFree(&pVb->name);
}

void SnmpUtilVarBindListFree(SnmpVarBindList* pVbl) {
  if (!pVbl) return;
  for (UINT i = 0; i < pVbl->len && pVbl->list; ++i) SnmpUtilVarBindFree(&pVbl->list[i]);
  std::free(pVbl->list);
  pVbl->list = nullptr;
  pVbl->len = 0;
}

}  // extern "C"
