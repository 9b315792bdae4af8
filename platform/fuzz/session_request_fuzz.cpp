// A message box request comes from any local program: the broker takes a
// message as a request only when it is one exactly, and then sending the
// request again gives the same bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/session_protocol_linux.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto request = platform::session::Decode(data, size);
  if (!request) {
    if (size >= 16 && size <= platform::session::kMaxRequestBytes && data[8] <= 1 && !data[9] && !data[10] &&
        !data[11] && (data[12] | data[13] << 8 | data[14] << 16 | static_cast<uint32_t>(data[15]) << 24) <= size - 16)
      std::abort();  // a well-formed request refused
    return 0;
  }
  if (request->title.size() + request->text.size() + 16 != size) std::abort();
  std::string again;
  if (!platform::session::Encode(*request, &again)) std::abort();
  if (again != std::string(reinterpret_cast<const char*>(data), size)) std::abort();
  return 0;
}
