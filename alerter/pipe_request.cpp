#include "alerter/pipe_request.h"

#include <cstring>

using core::CState;
using core::kStateImageBytes;

PipeRequest ClassifyPipeRequest(const uint8_t* bytes, size_t count) {
  if (count == 0) return PipeRequest::kNone;
  if (bytes[0] == 10) return PipeRequest::kStatus;
  if (bytes[0] == 99) return PipeRequest::kExit;
  return PipeRequest::kUnknown;
}

void StatusReply(const CState& snapshot, uint8_t reply[kStateImageBytes]) {
  std::memcpy(reply, &snapshot, kStateImageBytes);
  // The header word never leaves the program with anything but 0.
  std::memset(reply, 0, sizeof snapshot.header);
}
