#include "agent/tests/agent_host.h"

#include <algorithm>
#include <cstring>
#include <sstream>

#include "platform/tick_count.h"

Oid ParseOid(const std::string& text) {
  Oid oid;
  std::stringstream in(text);
  std::string part;
  while (std::getline(in, part, '.'))
    if (!part.empty()) oid.push_back(static_cast<UINT>(std::stoul(part)));
  return oid;
}

std::string OidText(const Oid& oid) {
  std::string text;
  for (size_t i = 0; i < oid.size(); ++i) {
    if (i) text += '.';
    text += std::to_string(oid[i]);
  }
  return text;
}

Oid Var(const std::string& suffix) { return ParseOid("1.3.6.1.4.1.7491.1.1.1." + suffix); }

AgentHost::AgentHost(const std::string& path) {
  std::string error;
  library_ = platform::LoadSharedLibrary(path, &error);
  if (!library_) throw std::runtime_error("the agent does not load: " + error);
  init_ = reinterpret_cast<PFNSNMPEXTENSIONINIT>(platform::FindLibraryExport(library_, "SnmpExtensionInit"));
  initEx = reinterpret_cast<PFNSNMPEXTENSIONINITEX>(platform::FindLibraryExport(library_, "SnmpExtensionInitEx"));
  query_ = reinterpret_cast<PFNSNMPEXTENSIONQUERY>(platform::FindLibraryExport(library_, "SnmpExtensionQuery"));
  trap_ = reinterpret_cast<PFNSNMPEXTENSIONTRAP>(platform::FindLibraryExport(library_, "SnmpExtensionTrap"));
  queryStatus = reinterpret_cast<int32_t (*)()>(platform::FindLibraryExport(library_, "AgentQueryStatus"));
  requestNewConfigs = reinterpret_cast<int32_t (*)()>(platform::FindLibraryExport(library_, "RequestNewConfigs"));
  if (!init_ || !initEx || !query_ || !trap_ || !queryStatus || !requestNewConfigs) {
    platform::UnloadSharedLibrary(library_);
    throw std::runtime_error("the agent lacks one of its six exports");
  }
}

AgentHost::~AgentHost() { platform::UnloadSharedLibrary(library_); }

BOOL AgentHost::Init() {
  timeZero_ = platform::TickCount();
  AsnObjectIdentifier region{};
  HANDLE event = nullptr;
  BOOL result = init_(timeZero_, &event, &region);
  trapEvent_ = event;
  region_.assign(region.ids, region.ids + region.idLength);
  return result;
}

QueryResult AgentHost::Query(BYTE pdu, const std::vector<Oid>& names, const std::vector<SetValue>& values) {
  SnmpVarBindList list{};
  list.len = static_cast<UINT>(names.size());
  list.list = static_cast<SnmpVarBind*>(SnmpUtilMemAlloc(static_cast<UINT>(names.size() * sizeof(SnmpVarBind))));
  std::memset(list.list, 0, names.size() * sizeof(SnmpVarBind));
  for (size_t i = 0; i < names.size(); ++i) {
    SnmpVarBind& binding = list.list[i];
    AsnObjectIdentifier name{static_cast<UINT>(names[i].size()), const_cast<UINT*>(names[i].data())};
    SnmpUtilOidCpy(&binding.name, &name);
    binding.value.asnType = ASN_NULL;
    if (i < values.size()) {
      binding.value.asnType = values[i].type;
      if (values[i].type == ASN_OCTETSTRING) {
        auto* bytes = static_cast<BYTE*>(SnmpUtilMemAlloc(static_cast<UINT>(values[i].text.size())));
        std::memcpy(bytes, values[i].text.data(), values[i].text.size());
        binding.value.asnValue.string = {bytes, static_cast<UINT>(values[i].text.size()), TRUE};
      } else {
        binding.value.asnValue.number = values[i].number;
      }
    }
  }
  QueryResult result;
  if (!query_(pdu, &list, &result.status, &result.index)) result.status = -2;
  for (UINT i = 0; i < list.len; ++i) {
    const SnmpVarBind& binding = list.list[i];
    Answer answer;
    answer.name.assign(binding.name.ids, binding.name.ids + binding.name.idLength);
    answer.type = binding.value.asnType;
    if (answer.type == ASN_OCTETSTRING)
      answer.text.assign(reinterpret_cast<const char*>(binding.value.asnValue.string.stream),
                         binding.value.asnValue.string.length);
    else
      answer.number = binding.value.asnValue.number;
    result.bindings.push_back(answer);
  }
  SnmpUtilVarBindListFree(&list);
  return result;
}

Answer AgentHost::Get(const Oid& name) { return Query(SNMP_PDU_GET, {name}).bindings.at(0); }

Answer AgentHost::GetNext(const Oid& name) { return Query(SNMP_PDU_GETNEXT, {name}).bindings.at(0); }

int32_t AgentHost::Read(const std::string& suffix) {
  QueryResult result = Query(SNMP_PDU_GET, {Var(suffix)});
  if (result.status != 0) throw std::runtime_error("GET " + suffix + ": error " + std::to_string(result.status));
  return result.bindings.at(0).number;
}

std::vector<Answer> AgentHost::Walk() {
  std::vector<Answer> walked;
  const Oid prefix = ParseOid("1.3.6.1.4.1.7491.1.1.1");
  Oid next = prefix;
  for (int steps = 0; steps < 100000; ++steps) {
    QueryResult result = Query(SNMP_PDU_GETNEXT, {next});
    if (result.status != 0) throw std::runtime_error("GETNEXT " + OidText(next) + " failed");
    const Answer& answer = result.bindings.at(0);
    if (answer.name.size() < 10 || !std::equal(prefix.begin(), prefix.end(), answer.name.begin()))
      return walked;
    walked.push_back(answer);
    next = answer.name;
  }
  throw std::runtime_error("the walk does not end");
}

bool AgentHost::Trap(TrapInfo* trap) {
  AsnObjectIdentifier enterprise{};
  SnmpVarBindList bindings{nullptr, 99};
  if (!trap_(&enterprise, &trap->generic, &trap->specific, &trap->stamp, &bindings)) return false;
  trap->enterprise.assign(enterprise.ids, enterprise.ids + enterprise.idLength);
  trap->bindings = bindings.len;
  trap->listAllocated = bindings.list != nullptr;
  SnmpUtilOidFree(&enterprise);
  SnmpUtilVarBindListFree(&bindings);
  return true;
}

std::vector<int32_t> AgentHost::DrainTraps() {
  std::vector<int32_t> ids;
  TrapInfo trap;
  while (Trap(&trap)) ids.push_back(trap.specific);
  return ids;
}
