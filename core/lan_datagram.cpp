#include "core/lan_datagram.h"

#include <cstring>

namespace core {

namespace {

constexpr uint8_t kHeader[4] = {0x4F, 0xD3, 0x03, 0x01};

void Put16(uint8_t* at, uint16_t value) {
  at[0] = static_cast<uint8_t>(value >> 8);
  at[1] = static_cast<uint8_t>(value & 0xFF);
}

uint16_t Get16(const uint8_t* at) { return static_cast<uint16_t>((at[0] << 8) | at[1]); }

uint8_t Flag(uint8_t byte) { return byte != 0 ? 1 : 0; }

}  // namespace

size_t EncodeLanDatagram(const LanDatagram& d, uint8_t out[kLanDatagramMax]) {
  size_t n = d.name_len < kLanNameMax ? d.name_len : kLanNameMax;
  std::memcpy(out, kHeader, sizeof kHeader);
  Put16(out + 4, static_cast<uint16_t>(kLanHeaderSize + n));
  out[6] = d.power_fail;
  out[7] = d.battery_low;
  out[8] = d.bypass;
  out[9] = d.signal_fault;
  out[10] = d.autonomy_over;
  Put16(out + 11, d.autonomy_total);
  Put16(out + 13, d.autonomy_base);
  Put16(out + 15, d.autonomy_left);
  Put16(out + 17, d.discharge_time);
  out[kLanNameLengthAt] = static_cast<uint8_t>(n);
  std::memcpy(out + kLanHeaderSize, d.name, n);
  return kLanHeaderSize + n;
}

std::optional<LanDatagram> DecodeLanDatagram(const uint8_t* bytes, size_t count) {
  if (count < kLanHeaderSize || std::memcmp(bytes, kHeader, sizeof kHeader) != 0) return std::nullopt;
  LanDatagram d;
  d.length = Get16(bytes + 4);
  d.power_fail = Flag(bytes[6]);
  d.battery_low = Flag(bytes[7]);
  d.bypass = Flag(bytes[8]);
  d.signal_fault = Flag(bytes[9]);
  d.autonomy_over = Flag(bytes[10]);
  d.autonomy_total = Get16(bytes + 11);
  d.autonomy_base = Get16(bytes + 13);
  d.autonomy_left = Get16(bytes + 15);
  d.discharge_time = Get16(bytes + 17);
  size_t n = bytes[kLanNameLengthAt];
  if (n > kLanNameMax) n = kLanNameMax;
  if (n > count - kLanHeaderSize) n = count - kLanHeaderSize;
  d.name_len = static_cast<uint8_t>(n);
  std::memcpy(d.name, bytes + kLanHeaderSize, n);
  d.name[n] = '\0';
  return d;
}

}  // namespace core
