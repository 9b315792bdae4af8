#include "core/packet.h"

#include <cstring>

#include "core/lan_datagram.h"

namespace core {

static_assert(sizeof(CState{}.packet) >= kLanDatagramMax, "the record holds a whole datagram");

size_t BuildPacket(CState& state, const char* name) {
  LanDatagram d;
  d.power_fail = static_cast<uint8_t>(state.powerFailure);
  d.battery_low = static_cast<uint8_t>(state.batteryCritical);
  d.bypass = static_cast<uint8_t>(state.bypass);
  d.fault = static_cast<uint8_t>(state.signalFault);
  d.autonomy_over = static_cast<uint8_t>(state.autonomyEnd);
  d.autonomy_total = static_cast<uint16_t>(state.nominalAutonomy);
  d.autonomy_base = static_cast<uint16_t>(state.fullAutonomy);
  d.autonomy_left = static_cast<uint16_t>(state.remainingAutonomy);
  d.discharge_time = static_cast<uint16_t>(state.timeOnBattery);
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
  record->fromNetwork = 1;
  record->powerFailure = d->power_fail;
  record->batteryCritical = d->battery_low;
  record->bypass = d->bypass;
  record->signalFault = d->fault;
  record->autonomyEnd = d->autonomy_over;
  record->nominalAutonomy = d->autonomy_total;
  record->fullAutonomy = d->autonomy_base;
  record->remainingAutonomy = SignedSeconds(d->autonomy_left);
  record->timeOnBattery = d->discharge_time;
  KeepHostName(record->hostName, d->name, d->name_len);
  return true;
}

void KeepHostName(char (&hostName)[32], const char* name, size_t length) {
  size_t kept = length < sizeof hostName - 1 ? length : sizeof hostName - 1;
  std::memcpy(hostName, name, kept);
  hostName[kept] = '\0';
}

}  // namespace core
