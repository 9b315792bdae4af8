// A status pipe request comes from any local program: whatever its bytes,
// it is one of the four kinds, and a status reply is the record's image
// with its header 0.
#include <cstring>

#include "alerter/pipe_request.h"

using core::CState;
using core::kStateImageBytes;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PipeRequest kind = ClassifyPipeRequest(data, size);
  if ((size == 0) != (kind == PipeRequest::kNone)) __builtin_trap();
  if (kind != PipeRequest::kStatus) return 0;
  CState state{};
  // The rest of the request as a record's content, to see it travel whole.
  std::memcpy(&state, data, size < sizeof state ? size : sizeof state);
  uint8_t reply[kStateImageBytes];
  StatusReply(state, reply);
  if (reply[0] | reply[1] | reply[2] | reply[3]) __builtin_trap();
  if (std::memcmp(reply + 4, reinterpret_cast<const uint8_t*>(&state) + 4, sizeof reply - 4) != 0) __builtin_trap();
  return 0;
}
