#include "tools/vigil_snmp/region_handler.h"

// clang-format off
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <net-snmp/agent/net-snmp-agent-includes.h>
// clang-format on

#include <algorithm>
#include <vector>

namespace vigil_snmp {
namespace {

ExtensionAgent* served = nullptr;

std::vector<uint32_t> NameOf(const netsnmp_variable_list* vb) {
  return std::vector<uint32_t>(vb->name, vb->name + vb->name_length);
}

Binding Named(std::vector<uint32_t> name) {
  Binding binding;
  binding.name = std::move(name);
  return binding;
}

bool InRegion(const std::vector<uint32_t>& name) {
  const std::vector<uint32_t>& region = served->Region();
  return name.size() >= region.size() && std::equal(region.begin(), region.end(), name.begin());
}

// The answer's value into the request's binding.
void SetValue(netsnmp_variable_list* vb, const Binding& answer) {
  switch (answer.type) {
    case kTagOctets:
      snmp_set_var_typed_value(vb, ASN_OCTET_STR, answer.octets.data(), answer.octets.size());
      break;
    case kTagCounter:
    case kTagGauge:
    case kTagTimeTicks:
      snmp_set_var_typed_integer(vb, answer.type, static_cast<uint32_t>(answer.number));
      break;
    default:
      snmp_set_var_typed_integer(vb, ASN_INTEGER, answer.number);
      break;
  }
}

// The request's value for a SET.
Binding FromRequest(const netsnmp_variable_list* vb) {
  Binding binding;
  binding.name = NameOf(vb);
  binding.type = vb->type;
  if (vb->type == ASN_OCTET_STR) {
    binding.octets.assign(reinterpret_cast<const char*>(vb->val.string), vb->val_len);
  } else if (vb->type == ASN_INTEGER || vb->type == ASN_COUNTER || vb->type == ASN_GAUGE || vb->type == ASN_TIMETICKS) {
    binding.number = static_cast<int32_t>(*vb->val.integer);
  }
  return binding;
}

// The agent's SNMPv1 status as this request's version says it: unchanged
// for version 1; for the others the version-2 status (or exception) that
// stands for it.
int VersionStatus(long version, bool set, int32_t status) {
  if (version == SNMP_VERSION_1) return status;
  switch (status) {
    case kNoSuchName:
      return set ? SNMP_ERR_NOTWRITABLE : SNMP_NOSUCHOBJECT;
    case kReadOnly:
      return SNMP_ERR_NOTWRITABLE;
    case kBadValue:
      return set ? SNMP_ERR_WRONGTYPE : SNMP_ERR_GENERR;
    case kTooBig:
      return set ? SNMP_ERR_WRONGLENGTH : SNMP_ERR_TOOBIG;
    default:
      return SNMP_ERR_GENERR;
  }
}

void Fail(netsnmp_agent_request_info* reqinfo, netsnmp_request_info* request, bool set, int32_t status) {
  netsnmp_set_request_error(reqinfo, request, VersionStatus(reqinfo->asp->pdu->version, set, status));
}

void Get(netsnmp_agent_request_info* reqinfo, netsnmp_request_info* request) {
  std::vector<Binding> bindings{Named(NameOf(request->requestvb))};
  int32_t status = 0, index = 0;
  served->Query(kPduGet, &bindings, &status, &index);
  if (status != kNoError) {
    // For version 1 the exception becomes noSuchName at this binding's index.
    netsnmp_set_request_error(
        reqinfo, request,
        status == kNoSuchName ? SNMP_NOSUCHOBJECT : VersionStatus(reqinfo->asp->pdu->version, false, status));
    return;
  }
  SetValue(request->requestvb, bindings[0]);
}

void GetNext(netsnmp_agent_request_info* reqinfo, netsnmp_request_info* request) {
  std::vector<uint32_t> asked = NameOf(request->requestvb);
  std::vector<Binding> bindings{Named(asked)};
  int32_t status = 0, index = 0;
  served->Query(kPduGetNext, &bindings, &status, &index);
  if (status != kNoError) {
    Fail(reqinfo, request, false, status);
    return;
  }
  const std::vector<uint32_t>& next = bindings[0].name;
  // Outside the region (the agent's end), or not after the request: left
  // unanswered, so the agent library passes it on to what follows.
  bool after = std::lexicographical_compare(asked.begin(), asked.end(), next.begin(), next.end()) ||
               (request->inclusive && next == asked);
  if (!InRegion(next) || !after) return;
  std::vector<oid> name(next.begin(), next.end());
  snmp_set_var_objid(request->requestvb, name.data(), name.size());
  SetValue(request->requestvb, bindings[0]);
}

// SETs take effect binding by binding in the first phase, as the extension
// agent's own SET does; the first refusal ends the request.
void Set(netsnmp_agent_request_info* reqinfo, netsnmp_request_info* requests) {
  for (netsnmp_request_info* request = requests; request; request = request->next) {
    if (request->processed) continue;
    std::vector<Binding> bindings{FromRequest(request->requestvb)};
    int32_t status = 0, index = 0;
    served->Query(kPduSet, &bindings, &status, &index);
    if (status != kNoError) {
      Fail(reqinfo, request, true, status);
      return;
    }
  }
}

int HandleRegion(netsnmp_mib_handler*, netsnmp_handler_registration*, netsnmp_agent_request_info* reqinfo,
                 netsnmp_request_info* requests) {
  switch (reqinfo->mode) {
    case MODE_GET:
      for (netsnmp_request_info* r = requests; r; r = r->next)
        if (!r->processed) Get(reqinfo, r);
      break;
    case MODE_GETNEXT:
      for (netsnmp_request_info* r = requests; r; r = r->next)
        if (!r->processed) GetNext(reqinfo, r);
      break;
    case MODE_SET_RESERVE1:
      Set(reqinfo, requests);
      break;
    default:
      break;  // the later SET phases: already done
  }
  return SNMP_ERR_NOERROR;
}

}  // namespace

bool RegisterRegion(ExtensionAgent& agent, std::string* error) {
  served = &agent;
  std::vector<oid> region(agent.Region().begin(), agent.Region().end());
  netsnmp_handler_registration* registration =
      netsnmp_create_handler_registration("vigil20", HandleRegion, region.data(), region.size(), HANDLER_CAN_RWRITE);
  if (!registration || netsnmp_register_handler(registration) != MIB_REGISTERED_OK) {
    *error = "the agent's region cannot be registered";
    return false;
  }
  return true;
}

void SendTrap(const Trap& trap) {
  netsnmp_variable_list* vars = nullptr;
  for (const Binding& binding : trap.bindings) {
    std::vector<oid> name(binding.name.begin(), binding.name.end());
    if (binding.type == kTagOctets)
      snmp_varlist_add_variable(&vars, name.data(), name.size(), ASN_OCTET_STR,
                                reinterpret_cast<const u_char*>(binding.octets.data()), binding.octets.size());
    else {
      long number = binding.number;
      snmp_varlist_add_variable(&vars, name.data(), name.size(), binding.type, reinterpret_cast<const u_char*>(&number),
                                sizeof number);
    }
  }
  std::vector<oid> enterprise(trap.enterprise.begin(), trap.enterprise.end());
  send_enterprise_trap_vars(trap.generic, trap.specific, enterprise.data(), static_cast<int>(enterprise.size()), vars);
  snmp_free_varbind(vars);
}

}  // namespace vigil_snmp
