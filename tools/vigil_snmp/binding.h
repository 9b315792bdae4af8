// One variable binding as vigil-snmp carries it between the extension
// agent (SDK types, extension_agent.cpp) and net-snmp (region_handler.cpp),
// which cannot share a file: their headers define the same names. Types
// are the BER tags both sides use (0x02 INTEGER, 0x04 OCTET STRING, 0x05
// NULL, 0x41 Counter, 0x42 Gauge, 0x43 TimeTicks).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vigil_snmp {

inline constexpr uint8_t kTagInteger = 0x02;
inline constexpr uint8_t kTagOctets = 0x04;
inline constexpr uint8_t kTagNull = 0x05;
inline constexpr uint8_t kTagCounter = 0x41;
inline constexpr uint8_t kTagGauge = 0x42;
inline constexpr uint8_t kTagTimeTicks = 0x43;

struct Binding {
  std::vector<uint32_t> name;
  uint8_t type = kTagNull;
  int32_t number = 0;  // INTEGER, Counter, Gauge, TimeTicks
  std::string octets;  // OCTET STRING
};

// The request kinds, as the extension agent numbers them.
inline constexpr uint8_t kPduGet = 0xA0;
inline constexpr uint8_t kPduGetNext = 0xA1;
inline constexpr uint8_t kPduSet = 0xA3;

// The SNMPv1 error statuses an extension agent answers with.
inline constexpr int32_t kNoError = 0;
inline constexpr int32_t kTooBig = 1;
inline constexpr int32_t kNoSuchName = 2;
inline constexpr int32_t kBadValue = 3;
inline constexpr int32_t kReadOnly = 4;
inline constexpr int32_t kGenErr = 5;

// A trap as SnmpExtensionTrap gives it.
struct Trap {
  std::vector<uint32_t> enterprise;
  int32_t generic = 0;
  int32_t specific = 0;
  uint32_t stamp = 0;  // milliseconds since the time-zero reference
  std::vector<Binding> bindings;
};

}  // namespace vigil_snmp
