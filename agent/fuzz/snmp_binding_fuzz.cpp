// Fuzz target: SnmpExtensionQuery with the request kind, the OIDs, the
// value types and the values taken from the input, with the debug trace on.
// Input: a kind byte, then bindings of [OID length byte (at most 40)]
// [4 bytes per sub-identifier] [type byte] [4 value bytes, or a length byte
// and that many bytes for an OCTET STRING].
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "agent/ups_agent_app.h"
#include "platform/snmp.h"

extern "C" BOOL WINAPI SnmpExtensionQuery(BYTE, SnmpVarBindList*, AsnInteger32*, AsnInteger32*);

namespace {

struct Reader {
  const uint8_t* data;
  size_t size;
  bool Take(void* out, size_t count) {
    if (count > size) return false;
    std::memcpy(out, data, count);
    data += count;
    size -= count;
    return true;
  }
};

const BYTE kKinds[] = {SNMP_PDU_GET, SNMP_PDU_GETNEXT, SNMP_PDU_SET, SNMP_PDU_GETBULK};
const BYTE kTypes[] = {ASN_INTEGER, ASN_OCTETSTRING, ASN_NULL, ASN_COUNTER32, ASN_GAUGE32, ASN_TIMETICKS};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static unsigned calls = 0;
  // The trace file starts again now and then, so it stays small.
  if (++calls % 500 == 0) TheAgentApp().DebugLog().Open();
  Reader in{data, size};
  uint8_t kind = 0;
  if (!in.Take(&kind, 1)) return 0;
  std::vector<SnmpVarBind> bindings;
  uint8_t length = 0;
  while (bindings.size() < 8 && in.Take(&length, 1)) {
    SnmpVarBind binding{};
    length %= 41;
    auto* ids = static_cast<UINT*>(SnmpUtilMemAlloc(static_cast<UINT>(length * sizeof(UINT))));
    if (!in.Take(ids, length * sizeof(UINT))) {
      SnmpUtilMemFree(ids);
      break;
    }
    binding.name = {length, ids};
    uint8_t type = 0;
    in.Take(&type, 1);
    binding.value.asnType = kTypes[type % sizeof kTypes];
    if (binding.value.asnType == ASN_OCTETSTRING) {
      uint8_t bytes = 0;
      in.Take(&bytes, 1);
      bytes = static_cast<uint8_t>(bytes < in.size ? bytes : in.size);
      auto* stream = static_cast<BYTE*>(SnmpUtilMemAlloc(bytes));
      in.Take(stream, bytes);
      binding.value.asnValue.string = {stream, bytes, TRUE};
    } else if (binding.value.asnType != ASN_NULL) {
      in.Take(&binding.value.asnValue.number, 4);
    }
    bindings.push_back(binding);
  }
  SnmpVarBindList list{};
  list.len = static_cast<UINT>(bindings.size());
  list.list = static_cast<SnmpVarBind*>(SnmpUtilMemAlloc(static_cast<UINT>(list.len * sizeof(SnmpVarBind))));
  if (list.len) std::memcpy(list.list, bindings.data(), list.len * sizeof(SnmpVarBind));
  AsnInteger32 status = -1, index = -1;
  SnmpExtensionQuery(kKinds[kind % sizeof kKinds], &list, &status, &index);
  if (status < 0 || status > 5 || index < 0 || static_cast<UINT>(index) > list.len) __builtin_trap();
  if (status != 0 && index == 0) __builtin_trap();
  SnmpUtilVarBindListFree(&list);
  return 0;
}
