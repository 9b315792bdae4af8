// The configuration file is edited by hand: any bytes must parse into
// zero-terminated fields that fit.
#include <cstdio>
#include <cstring>

#include "linux/config_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* f = size > 0 ? fmemopen(const_cast<uint8_t*>(data), size, "r") : nullptr;
  if (!f) return 0;
  ConfigRecord c;
  KeyConfig k;
  ParseConf(f, &c, &k);
  std::fclose(f);
  if (memchr(k.net_key, '\0', sizeof k.net_key) == nullptr) __builtin_trap();
  if (memchr(c.device, '\0', sizeof c.device) == nullptr || memchr(c.station, '\0', sizeof c.station) == nullptr ||
      memchr(c.server, '\0', sizeof c.server) == nullptr || memchr(c.script, '\0', sizeof c.script) == nullptr)
    __builtin_trap();
  if (c.autonomy_min < 0 || c.recharge_h < 0) __builtin_trap();
  return 0;
}
