// The status pipe's requests: one message whose first byte says what is
// wanted (the rest is ignored).
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/status_record.h"

enum class PipeRequest {
  kNone,     // no byte came: close without a reply
  kStatus,   // 10 (line feed): the 216-byte status record
  kExit,     // 99 ('c'): the program ends at once
  kUnknown,  // anything else: no reply, a box
};

PipeRequest ClassifyPipeRequest(const uint8_t* bytes, size_t count);

// The reply to a status request: `snapshot`'s image, its header 0.
void StatusReply(const core::CState& snapshot, uint8_t reply[core::kStateImageBytes]);
