#include "agent/mib_query.h"

#include <cstring>

#include "agent/oid_text.h"

namespace {

constexpr UINT kMaxOidLength = kViewPrefixLength + kSuffixLength;

// An entry's full OID in a local array.
struct EntryOid {
  UINT ids[kMaxOidLength];
  UINT length = 0;
  int rowPosition = -1;  // index in ids, or -1
  AsnObjectIdentifier View() { return {length, ids}; }
};

EntryOid BuildOid(const MibEntry& entry) {
  EntryOid oid;
  std::memcpy(oid.ids, kViewPrefix, sizeof kViewPrefix);
  oid.length = kViewPrefixLength;
  for (int i = 0; i < kSuffixLength && entry.suffix[i] != 0; ++i) {
    if (entry.suffix[i] == kRowPosition) oid.rowPosition = static_cast<int>(oid.length);
    oid.ids[oid.length++] = static_cast<UINT>(entry.suffix[i]);
  }
  return oid;
}

// Sub-identifier by sub-identifier as unsigned numbers, then by length:
// the MIB's order. (snmpapi.dll's SnmpUtilOidCmp under Wine compares the
// lengths first, which would turn a GETNEXT of prefix.4 back to prefix.1.1.)
int CompareOids(const AsnObjectIdentifier& a, const AsnObjectIdentifier& b) {
  UINT common = a.idLength < b.idLength ? a.idLength : b.idLength;
  for (UINT i = 0; i < common; ++i) {
    if (a.ids[i] < b.ids[i]) return -1;
    if (a.ids[i] > b.ids[i]) return 1;
  }
  if (a.idLength < b.idLength) return -1;
  return a.idLength > b.idLength ? 1 : 0;
}

bool IsInteger(BYTE type) { return type == ASN_INTEGER || type == ASN_COUNTER32 || type == ASN_GAUGE32; }

void Trace1(const MibView& view, const char* format, const AsnObjectIdentifier& oid) {
  if (!view.log->IsOpen()) return;
  char text[kOidTextBytes];
  OidToText(oid, text, sizeof text);
  view.log->Write(format, text);
}

void TraceCompare(const MibView& view, const AsnObjectIdentifier& requested, const AsnObjectIdentifier& entry,
                  int result) {
  if (!view.log->IsOpen()) return;
  char first[kOidTextBytes];
  char second[kOidTextBytes];
  OidToText(requested, first, sizeof first);
  OidToText(entry, second, sizeof second);
  view.log->Write("Cmp (%s) com (%s) Res: %d", first, second, result);
}

bool SetName(SnmpVarBind* binding, EntryOid& oid) {
  AsnObjectIdentifier source = oid.View();
  AsnObjectIdentifier copy{};
  if (SnmpUtilOidCpy(&copy, &source) != SNMPAPI_NOERROR) return false;
  SnmpUtilOidFree(&binding->name);
  binding->name = copy;
  return true;
}

AsnInteger32 Get(const MibEntry& entry, int32_t row, SnmpVarBind* binding) {
  if (entry.access != kReadOnly && entry.access != kReadWrite) return SNMP_ERRORSTATUS_NOSUCHNAME;
  SnmpUtilAsnAnyFree(&binding->value);
  binding->value.asnType = entry.type;
  if (IsInteger(entry.type)) {
    if (entry.integer) {
      binding->value.asnValue.number = entry.integer->load();
    } else if (entry.getter) {
      binding->value.asnValue.number = *static_cast<const int32_t*>(entry.getter(row));
    } else {
      return SNMP_ERRORSTATUS_GENERR;
    }
    return SNMP_ERRORSTATUS_NOERROR;
  }
  if (entry.type != ASN_OCTETSTRING) return SNMP_ERRORSTATUS_GENERR;
  const char* text = entry.text;
  UINT bufferBytes = entry.maxLength + 1;
  if (!text && entry.getter) {
    text = static_cast<const char*>(entry.getter(row));
    bufferBytes = entry.maxLength + 10;
  }
  if (!text) return SNMP_ERRORSTATUS_GENERR;
  UINT length = static_cast<UINT>(strnlen(text, entry.maxLength));
  auto* buffer = static_cast<BYTE*>(SnmpUtilMemAlloc(bufferBytes));
  if (!buffer) return SNMP_ERRORSTATUS_GENERR;
  std::memcpy(buffer, text, length);
  binding->value.asnValue.string.stream = buffer;
  binding->value.asnValue.string.length = length;
  binding->value.asnValue.string.dynamic = TRUE;
  return SNMP_ERRORSTATUS_NOERROR;
}

AsnInteger32 Set(const MibView& view, const MibEntry& entry, SnmpVarBind* binding) {
  if (entry.access != kWriteOnly && entry.access != kReadWrite) {
    view.log->Write("** Variavel read-only");
    return SNMP_ERRORSTATUS_READONLY;
  }
  if (binding->value.asnType != entry.type) {
    view.log->Write("** Data type mismatch");
    return SNMP_ERRORSTATUS_BADVALUE;
  }
  if (IsInteger(entry.type)) {
    if (entry.integer) {
      entry.integer->store(binding->value.asnValue.number);
      view.log->Write("Set local integer");
    } else if (entry.setter) {
      entry.setter(binding->value.asnValue.number);
    } else {
      return SNMP_ERRORSTATUS_NOSUCHNAME;
    }
    return SNMP_ERRORSTATUS_NOERROR;
  }
  if (!entry.text) return SNMP_ERRORSTATUS_NOSUCHNAME;
  const AsnOctetString& value = binding->value.asnValue.string;
  if (value.length > entry.maxLength || value.length > 64) return SNMP_ERRORSTATUS_TOOBIG;
  if (value.length > 0 && !value.stream) return SNMP_ERRORSTATUS_BADVALUE;
  if (value.length > 0) std::memcpy(entry.text, value.stream, value.length);
  entry.text[value.length] = '\0';
  return SNMP_ERRORSTATUS_NOERROR;
}

AsnInteger32 GetNext(const MibView& view, int index, int32_t row, SnmpVarBind* binding) {
  EntryOid found = BuildOid(view.table[index]);
  int32_t rows = found.rowPosition >= 0 ? view.rowCount() : 0;
  if (view.log->IsOpen()) view.log->Write("Max index: %d", rows);
  // Compared as the unsigned sub-identifiers they are: a row beyond n, even
  // one of 2^31 or more, moves on, so a walk never turns back.
  int next = index;
  int32_t nextRow = row + 1;
  if (static_cast<uint32_t>(row) >= static_cast<uint32_t>(rows)) {
    next = index + 1;
    nextRow = 1;
  }
  if (IsEndMarker(view.table[next])) return SNMP_ERRORSTATUS_NOSUCHNAME;
  EntryOid oid = BuildOid(view.table[next]);
  AsnObjectIdentifier original = oid.View();
  Trace1(view, "NOVO OID orig: %s", original);
  if (oid.rowPosition >= 0) oid.ids[oid.rowPosition] = static_cast<UINT>(nextRow);
  AsnObjectIdentifier instantiated = oid.View();
  Trace1(view, "NOVO OID subs: %s", instantiated);
  if (!SetName(binding, oid)) return SNMP_ERRORSTATUS_GENERR;
  return Get(view.table[next], oid.rowPosition >= 0 ? nextRow : 0, binding);
}

}  // namespace

AsnInteger32 ResolveBinding(const MibView& view, BYTE pduType, SnmpVarBind* binding) {
  Trace1(view, "Var: %s", binding->name);
  for (int index = 0; !IsEndMarker(view.table[index]); ++index) {
    const MibEntry& entry = view.table[index];
    EntryOid oid = BuildOid(entry);
    AsnObjectIdentifier original = oid.View();
    Trace1(view, "OID orig: %s", original);
    int32_t row = 0;
    if (oid.rowPosition >= 0) {
      row = 1;
      if (binding->name.idLength > static_cast<UINT>(oid.rowPosition)) {
        // Taken as the signed number the row getters expect, at most n.
        row = static_cast<int32_t>(binding->name.ids[oid.rowPosition]);
        int32_t rows = view.rowCount();
        if (row > rows) row = rows;
      }
      oid.ids[oid.rowPosition] = static_cast<UINT>(row);
    }
    AsnObjectIdentifier instantiated = oid.View();
    Trace1(view, "OID subs: %s", instantiated);
    int compared = CompareOids(binding->name, instantiated);
    TraceCompare(view, binding->name, instantiated, compared);
    if (compared < 0) {
      if (pduType != SNMP_PDU_GETNEXT) return SNMP_ERRORSTATUS_NOSUCHNAME;
      if (!SetName(binding, oid)) return SNMP_ERRORSTATUS_GENERR;
      return Get(entry, row, binding);
    }
    if (compared == 0) {
      switch (pduType) {
        case SNMP_PDU_GET:
          return Get(entry, row, binding);
        case SNMP_PDU_GETNEXT:
          return GetNext(view, index, row, binding);
        case SNMP_PDU_SET:
          return Set(view, entry, binding);
        default:
          view.log->Write("Invalid Pdu Operation: %d", pduType);
          return SNMP_ERRORSTATUS_GENERR;
      }
    }
  }
  return SNMP_ERRORSTATUS_NOSUCHNAME;
}

BOOL QueryBindings(const MibView& view, BYTE pduType, SnmpVarBindList* list, AsnInteger32* errorStatus,
                   AsnInteger32* errorIndex) {
  *errorStatus = SNMP_ERRORSTATUS_NOERROR;
  *errorIndex = 0;
  if (!list) return TRUE;
  for (UINT i = 0; i < list->len; ++i) {
    SnmpVarBind* binding = &list->list[i];
    *errorStatus = ResolveBinding(view, pduType, binding);
    if (pduType == SNMP_PDU_GETNEXT && *errorStatus == SNMP_ERRORSTATUS_NOSUCHNAME) {
      // Nothing here after the requested OID: the next region's first.
      UINT after[kViewPrefixLength];
      std::memcpy(after, kViewPrefix, sizeof after);
      after[kViewPrefixLength - 1] += 1;
      AsnObjectIdentifier next{kViewPrefixLength, after};
      AsnObjectIdentifier copy{};
      if (SnmpUtilOidCpy(&copy, &next) == SNMPAPI_NOERROR) {
        SnmpUtilOidFree(&binding->name);
        binding->name = copy;
        *errorStatus = SNMP_ERRORSTATUS_NOERROR;
      } else {
        *errorStatus = SNMP_ERRORSTATUS_GENERR;
      }
    }
    if (*errorStatus != SNMP_ERRORSTATUS_NOERROR) {
      *errorIndex = static_cast<AsnInteger32>(i + 1);
      return TRUE;
    }
  }
  return TRUE;
}
