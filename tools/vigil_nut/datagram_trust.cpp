#include "tools/vigil_nut/datagram_trust.h"

namespace vigil_nut {

std::optional<LanDatagram> BelievedDatagram(const std::string& key, const uint8_t* bytes, size_t count) {
  if (!key.empty()) return std::nullopt;
  return DecodeLanDatagram(bytes, count);
}

bool KeyCanBeChecked(const std::string& key) { return key.empty(); }

}  // namespace vigil_nut
