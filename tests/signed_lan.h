// Datagrams for the signed-LAN tests: built, signed and spoiled here, sent
// from a station's sandbox with vigil-dgram.
#pragma once

#include <cstdio>
#include <string>

#include "sandbox.h"

inline const std::string kNetKey = "segredo da rede 7";

// A notification in hexadecimal: flags "pf bl bp cf ao", figures 600 600
// 590 10, the station `name`.
inline std::string PlainHex(const std::string& name, int pf, int bl) {
  char head[64];
  std::snprintf(head, sizeof head, "4fd30301%04zx%02x%02x000000" "0258" "0258" "024e" "000a" "%02zx", 20 + name.size(),
                pf, bl, name.size());
  std::string hex = head;
  char two[3];
  for (unsigned char c : name) {
    std::snprintf(two, sizeof two, "%02x", c);
    hex += two;
  }
  return hex;
}

// `hex` signed with `key` by the codec itself; `ahead_ms` moves the sender's clock.
inline std::string SignedHex(const std::string& hex, const std::string& key, long long ahead_ms = 0) {
  CommandResult r = RunProcess({VIGIL_DGRAM_BIN, "sign", key, hex, std::to_string(ahead_ms)}, 5000);
  std::string out = r.out;
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

// `hex` with the bits `mask` of byte `at` flipped.
inline std::string Flipped(std::string hex, size_t at, int mask = 0x01) {
  int byte = std::stoi(hex.substr(at * 2, 2), nullptr, 16) ^ mask;
  char two[3];
  std::snprintf(two, sizeof two, "%02x", byte);
  hex.replace(at * 2, 2, two);
  return hex;
}

inline void SendHex(const Sandbox& from, const std::string& hex) {
  from.Run(VIGIL_DGRAM_BIN " raw 255.255.255.255 " + hex);
}
