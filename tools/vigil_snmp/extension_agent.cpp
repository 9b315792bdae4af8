#include "tools/vigil_snmp/extension_agent.h"

#include <cstdlib>
#include <cstring>

#include "platform/library.h"
#include "platform/registry.h"
#include "platform/snmp.h"

namespace vigil_snmp {
namespace {

// %NAME% replaced by the environment's NAME; an unknown name stays as it is.
std::string ExpandEnvironment(const std::string& text) {
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    size_t end = text[i] == '%' ? text.find('%', i + 1) : std::string::npos;
    if (end == std::string::npos) {
      out += text[i++];
      continue;
    }
    std::string name = text.substr(i + 1, end - i - 1);
    const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
    out += value ? std::string(value) : text.substr(i, end - i + 1);
    i = end + 1;
  }
  return out;
}

bool ReadText(platform::RegKey key, const std::string& name, uint32_t* type, std::string* text) {
  uint8_t data[1024];
  uint32_t size = sizeof data;
  if (platform::QueryRegValue(key, name, type, data, &size) != platform::kRegOk) return false;
  if (*type != platform::kRegSz && *type != platform::kRegExpandSz) return false;
  *text = std::string(reinterpret_cast<char*>(data), strnlen(reinterpret_cast<char*>(data), size));
  return true;
}

void ToBinding(const SnmpVarBind& from, Binding* to) {
  to->name.assign(from.name.ids, from.name.ids + from.name.idLength);
  to->type = from.value.asnType;
  to->number = 0;
  to->octets.clear();
  if (from.value.asnType == ASN_OCTETSTRING) {
    if (from.value.asnValue.string.stream)
      to->octets.assign(reinterpret_cast<const char*>(from.value.asnValue.string.stream),
                        from.value.asnValue.string.length);
  } else {
    to->number = from.value.asnValue.number;
  }
}

bool FromBinding(const Binding& from, SnmpVarBind* to) {
  AsnObjectIdentifier name{static_cast<UINT>(from.name.size()), const_cast<UINT*>(from.name.data())};
  if (SnmpUtilOidCpy(&to->name, &name) != SNMPAPI_NOERROR) return false;
  to->value.asnType = from.type;
  if (from.type == ASN_OCTETSTRING) {
    auto* bytes = static_cast<BYTE*>(SnmpUtilMemAlloc(static_cast<UINT>(from.octets.size())));
    if (!bytes) return false;
    std::memcpy(bytes, from.octets.data(), from.octets.size());
    to->value.asnValue.string = {bytes, static_cast<UINT>(from.octets.size()), TRUE};
  } else if (from.type != ASN_NULL) {
    to->value.asnValue.number = from.number;
  }
  return true;
}

}  // namespace

std::string AgentLibraryPath(const std::string& valueName, std::string* error) {
  platform::RegKeyHandle list;
  if (platform::OpenRegKey(platform::kLocalMachine, kExtensionAgentsKey, platform::kKeyQueryValue, list.out()) !=
      platform::kRegOk) {
    *error = std::string("no extension-agent list HKLM\\") + kExtensionAgentsKey;
    return "";
  }
  uint32_t type = 0;
  std::string keyPath;
  if (!ReadText(list.get(), valueName, &type, &keyPath)) {
    *error = "no agent \"" + valueName + "\" in the extension-agent list";
    return "";
  }
  platform::RegKeyHandle agent;
  if (platform::OpenRegKey(platform::kLocalMachine, keyPath, platform::kKeyQueryValue, agent.out()) !=
      platform::kRegOk) {
    *error = "no key HKLM\\" + keyPath + " for agent \"" + valueName + "\"";
    return "";
  }
  std::string path;
  if (!ReadText(agent.get(), "Pathname", &type, &path) || path.empty()) {
    *error = "no Pathname in HKLM\\" + keyPath;
    return "";
  }
  return type == platform::kRegExpandSz ? ExpandEnvironment(path) : path;
}

ExtensionAgent::~ExtensionAgent() { platform::UnloadSharedLibrary(library_); }

bool ExtensionAgent::Load(const std::string& path, std::string* error) {
  library_ = platform::LoadSharedLibrary(path, error);
  if (!library_) return false;
  init_ = platform::FindLibraryExport(library_, "SnmpExtensionInit");
  query_ = platform::FindLibraryExport(library_, "SnmpExtensionQuery");
  trap_ = platform::FindLibraryExport(library_, "SnmpExtensionTrap");
  if (!init_ || !query_ || !trap_) {
    *error = path + " is not an extension agent (SnmpExtensionInit, SnmpExtensionQuery, SnmpExtensionTrap)";
    return false;
  }
  return true;
}

bool ExtensionAgent::Init(uint32_t timeZero, std::string* error) {
  AsnObjectIdentifier region{};
  HANDLE event = nullptr;
  if (!reinterpret_cast<PFNSNMPEXTENSIONINIT>(init_)(timeZero, &event, &region)) {
    *error = "SnmpExtensionInit failed";
    return false;
  }
  if (region.idLength == 0 || !region.ids) {
    *error = "the agent gave no region";
    return false;
  }
  // The region stays the agent's; it is copied, never freed here.
  region_.assign(region.ids, region.ids + region.idLength);
  trapEvent_ = event;
  return true;
}

void ExtensionAgent::Query(uint8_t pdu, std::vector<Binding>* bindings, int32_t* errorStatus, int32_t* errorIndex) {
  SnmpVarBindList list{};
  list.len = static_cast<UINT>(bindings->size());
  list.list = static_cast<SnmpVarBind*>(SnmpUtilMemAlloc(static_cast<UINT>(bindings->size() * sizeof(SnmpVarBind))));
  *errorStatus = kGenErr;
  *errorIndex = 1;
  if (!list.list) return;
  std::memset(list.list, 0, bindings->size() * sizeof(SnmpVarBind));  // freed whole, even if built in part
  bool built = true;
  for (size_t i = 0; i < bindings->size() && built; ++i) built = FromBinding((*bindings)[i], &list.list[i]);
  if (built) {
    AsnInteger32 status = kGenErr, index = 1;
    reinterpret_cast<PFNSNMPEXTENSIONQUERY>(query_)(pdu, &list, &status, &index);
    *errorStatus = status;
    *errorIndex = index;
    for (size_t i = 0; i < bindings->size(); ++i) ToBinding(list.list[i], &(*bindings)[i]);
  }
  SnmpUtilVarBindListFree(&list);
}

bool ExtensionAgent::NextTrap(Trap* trap) {
  AsnObjectIdentifier enterprise{};
  AsnInteger32 generic = 0, specific = 0;
  AsnTimeticks stamp = 0;
  SnmpVarBindList bindings{};
  if (!reinterpret_cast<PFNSNMPEXTENSIONTRAP>(trap_)(&enterprise, &generic, &specific, &stamp, &bindings)) return false;
  trap->enterprise.assign(enterprise.ids, enterprise.ids + enterprise.idLength);
  trap->generic = generic;
  trap->specific = specific;
  trap->stamp = stamp;
  trap->bindings.resize(bindings.len);
  for (UINT i = 0; i < bindings.len; ++i) ToBinding(bindings.list[i], &trap->bindings[i]);
  SnmpUtilOidFree(&enterprise);
  SnmpUtilVarBindListFree(&bindings);
  return true;
}

}  // namespace vigil_snmp
