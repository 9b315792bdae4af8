// A host of the extension agent for the tests, as the SNMP service is one:
// loads the agent library by path, finds its exports by name, and asks it
// GET, GETNEXT and SET of bindings built from OID texts. Every buffer it
// gets back is freed with the snmpapi utilities, as the service frees them.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/library.h"
#include "platform/snmp.h"

using Oid = std::vector<UINT>;

// "1.3.6.1" -> {1, 3, 6, 1}.
Oid ParseOid(const std::string& text);
std::string OidText(const Oid& oid);
// The view prefix 1.3.6.1.4.1.7491.1.1.1 followed by `suffix` ("3.1").
Oid Var(const std::string& suffix);

struct Answer {
  Oid name;
  BYTE type = ASN_NULL;
  int32_t number = 0;
  std::string text;
};

struct QueryResult {
  std::vector<Answer> bindings;
  AsnInteger32 status = -1;
  AsnInteger32 index = -1;
};

struct TrapInfo {
  Oid enterprise;
  AsnInteger32 generic = -1;
  AsnInteger32 specific = -1;
  AsnTimeticks stamp = 0;
  UINT bindings = 99;
  bool listAllocated = false;
};

// A value to SET: an INTEGER or an OCTET STRING.
struct SetValue {
  BYTE type;
  int32_t number;
  std::string text;
};
inline SetValue Integer(int32_t number) { return {ASN_INTEGER, number, ""}; }
inline SetValue Octets(const std::string& text) { return {ASN_OCTETSTRING, 0, text}; }

class AgentHost {
 public:
  explicit AgentHost(const std::string& path);
  ~AgentHost();
  AgentHost(const AgentHost&) = delete;
  AgentHost& operator=(const AgentHost&) = delete;

  // SnmpExtensionInit with the tick count of now as the time-zero reference.
  BOOL Init();
  void* trapEvent() const { return trapEvent_; }
  const Oid& region() const { return region_; }
  DWORD timeZero() const { return timeZero_; }

  QueryResult Query(BYTE pdu, const std::vector<Oid>& names, const std::vector<SetValue>& values = {});
  Answer Get(const Oid& name);
  Answer GetNext(const Oid& name);
  // The integer variable `suffix` read by GET.
  int32_t Read(const std::string& suffix);
  // Every binding of a walk from the view prefix up to the end of the region.
  std::vector<Answer> Walk();

  // One SnmpExtensionTrap call: false when it returns FALSE.
  bool Trap(TrapInfo* trap);
  // Drains the queue: the specific ids in order.
  std::vector<int32_t> DrainTraps();

  // Whether the library exports `name`.
  bool Exports(const char* name) const { return platform::FindLibraryExport(library_, name) != nullptr; }

  PFNSNMPEXTENSIONINITEX initEx = nullptr;
  int32_t (*queryStatus)() = nullptr;
  int32_t (*requestNewConfigs)() = nullptr;

 private:
  platform::Library* library_ = nullptr;
  PFNSNMPEXTENSIONINIT init_ = nullptr;
  PFNSNMPEXTENSIONQUERY query_ = nullptr;
  PFNSNMPEXTENSIONTRAP trap_ = nullptr;
  void* trapEvent_ = nullptr;
  Oid region_;
  DWORD timeZero_ = 0;
};
