#include "core/packet.h"

#include <cstring>

#include "core/datagram_state.h"
#include "core/lan_datagram.h"
#include "core/record_state.h"

namespace core {

static_assert(sizeof(CState{}.packet) >= kLanDatagramMax, "the record holds a whole datagram");

size_t BuildPacket(CState& state, const char* name) {
  LanDatagram d;
  PutStateInDatagram(StateOfRecord(state), &d);
  if (name) {
    size_t n = strnlen(name, kLanNameMax);
    std::memcpy(d.name, name, n);
    d.name_len = static_cast<uint8_t>(n);
    KeepHostName(state.hostName, name, n);
  }
  return EncodeLanDatagram(d, state.packet);
}

bool ParsePacket(const uint8_t* bytes, size_t count, CState* record) {
  auto d = DecodeLanDatagram(bytes, count);
  if (!d) return false;
  ReadPacket(*d, record);
  return true;
}

void ReadPacket(const LanDatagram& datagram, CState* record) {
  record->fromNetwork = 1;
  PutStateInRecord(StateOfDatagram(datagram), record);
  KeepHostName(record->hostName, datagram.name, datagram.name_len);
}

void KeepHostName(char (&hostName)[32], const char* name, size_t length) {
  size_t kept = length < sizeof hostName - 1 ? length : sizeof hostName - 1;
  std::memcpy(hostName, name, kept);
  hostName[kept] = '\0';
}

}  // namespace core
