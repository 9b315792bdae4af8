// Received datagrams come from anyone on the LAN.
#include <cstring>

#include "core/lan_datagram.h"

using core::DecodeLanDatagram;
using core::EncodeLanDatagram;
using core::kLanDatagramMax;
using core::kLanNameMax;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto d = DecodeLanDatagram(data, size);
  if (!d) return 0;
  if (d->name_len > kLanNameMax || std::strlen(d->name) > d->name_len) __builtin_trap();
  uint8_t out[kLanDatagramMax];
  size_t n = EncodeLanDatagram(*d, out);
  auto again = DecodeLanDatagram(out, n);
  if (!again || again->name_len != d->name_len || again->autonomy_left != d->autonomy_left) __builtin_trap();
  return 0;
}
