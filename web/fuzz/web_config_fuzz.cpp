// vigil-web's configuration file, whatever it holds.
#include <cstddef>
#include <cstdint>
#include <string>

#include "web/web_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  web::WebSettings settings;
  std::string error;
  web::ParseWebConfig(std::string_view(reinterpret_cast<const char*>(data), size), &settings, &error);
  return 0;
}
