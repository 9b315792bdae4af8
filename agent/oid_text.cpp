#include "agent/oid_text.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

void OidToText(const AsnObjectIdentifier& oid, char* buffer, size_t size) {
  if (size == 0) return;
  buffer[0] = '\0';
  size_t used = 0;
  for (UINT i = 0; i < oid.idLength; ++i) {
    char piece[16];
    int length = std::snprintf(piece, sizeof piece, i == 0 ? "%d" : ".%d", static_cast<int32_t>(oid.ids[i]));
    if (length < 0) return;
    if (used + static_cast<size_t>(length) + 1 > size) {
      if (used + 4 <= size) std::memcpy(buffer + used, "...", 4);
      return;
    }
    std::memcpy(buffer + used, piece, static_cast<size_t>(length) + 1);
    used += static_cast<size_t>(length);
  }
}
