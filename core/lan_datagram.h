// The LAN notification datagram: the UPS state that a station broadcasts on
// UDP port 2648, the same bytes from the Linux daemon and from the Windows
// programs. 20 + N bytes, N being the station name's length (0 to 32):
//
//   0-3   header 0x4F 0xD3 0x03 0x01
//   4-5   total length, 20 + N (receivers ignore it)
//   6-10  flags: power failure, battery critical, bypass, signal fault, autonomy end
//   11-18 figures, seconds: nominal, base, remaining (signed), time on battery
//   19    N
//   20-   the station name, no terminator
//
// 16-bit values are big-endian and carry the low 16 bits of the sender's
// value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace core {

inline constexpr uint16_t kLanPort = 2648;
inline constexpr size_t kLanHeaderSize = 20;
inline constexpr size_t kLanNameMax = 32;
// Where the datagram holds N, the station name's length.
inline constexpr size_t kLanNameLengthAt = 19;
inline constexpr size_t kLanDatagramMax = kLanHeaderSize + kLanNameMax;

struct LanDatagram {
  uint16_t length = 0;  // as the sender wrote it
  uint8_t power_fail = 0;
  uint8_t battery_low = 0;
  uint8_t bypass = 0;
  uint8_t signal_fault = 0;  // the sender cannot trust its UPS lines
  uint8_t autonomy_over = 0;
  uint16_t autonomy_total = 0;
  uint16_t autonomy_base = 0;
  uint16_t autonomy_left = 0;  // two's complement: a prediction below zero
  uint16_t discharge_time = 0;
  uint8_t name_len = 0;             // bytes of `name` in use, at most 32
  char name[kLanNameMax + 1] = {};  // zero-terminated
};

// Writes the datagram for `d` into `out` and returns its size, 20 + N. The
// name is cut to 32 bytes; the length field is computed, not taken from `d`.
size_t EncodeLanDatagram(const LanDatagram& d, uint8_t out[kLanDatagramMax]);

// Reads `count` received bytes. Nothing when they are fewer than 20 or the
// header differs. The name is N bytes, N cut to 32 and to what arrived after
// offset 20; flags read as 0 or 1. Never reads past `count`.
std::optional<LanDatagram> DecodeLanDatagram(const uint8_t* bytes, size_t count);

// The remaining autonomy as the signed number it stands for.
inline int SignedSeconds(uint16_t raw) { return static_cast<int16_t>(raw); }

}  // namespace core
