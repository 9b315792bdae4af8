#include "platform/session_protocol_linux.h"

#include "platform/debug_output.h"
#include "platform/linux/run_directory.h"

namespace platform::session {
namespace {

void PutWord(std::string* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<char>(value >> (8 * i)));
}

uint32_t GetWord(const uint8_t* in) {
  return in[0] | (in[1] << 8) | (in[2] << 16) | (static_cast<uint32_t>(in[3]) << 24);
}

}  // namespace

bool Encode(const Request& request, std::string* bytes) {
  bytes->clear();
  PutWord(bytes, request.style);
  PutWord(bytes, request.timeoutSeconds);
  PutWord(bytes, request.wait ? 1 : 0);
  PutWord(bytes, static_cast<uint32_t>(request.title.size()));
  *bytes += request.title;
  *bytes += request.text;
  return bytes->size() <= kMaxRequestBytes;
}

std::optional<Request> Decode(const uint8_t* bytes, size_t size) {
  if (size < 16 || size > kMaxRequestBytes) return std::nullopt;
  Request request;
  request.style = GetWord(bytes);
  request.timeoutSeconds = GetWord(bytes + 4);
  uint32_t wait = GetWord(bytes + 8);
  uint32_t title = GetWord(bytes + 12);
  if (wait > 1 || title > size - 16) return std::nullopt;
  request.wait = wait == 1;
  request.title.assign(reinterpret_cast<const char*>(bytes + 16), title);
  request.text.assign(reinterpret_cast<const char*>(bytes + 16 + title), size - 16 - title);
  return request;
}

std::string SocketPath() {
  std::string run, error;
  if (!RunDirectory("", &run, &error)) {
    DebugPrintf("session: %s\n", error.c_str());
    return "";
  }
  return run + "/" + kSocketName;
}

}  // namespace platform::session
