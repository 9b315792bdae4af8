// The status pipe "\\.\pipe\vigil20_pipe": a listener thread that keeps one
// instance waiting for the supervisor, and one thread per connection that
// answers its one request with the status record. Instances are duplex,
// in message mode, at most 10 at once.
//
// A client is not allowed to put the pipe out of service: a connection
// that sends nothing for 5 s is closed, and while all 10 instances are in
// use the listener waits and tries again (telling it once).
#pragma once

#include <cstdint>
#include <functional>

#include "core/status_record.h"

// Where the replies come from: a consistent copy of the status record.
using StateSnapshot = std::function<core::CState()>;

inline constexpr uint32_t kPipeInstances = 10;
inline constexpr uint32_t kPipeBufferBytes = 4096;
inline constexpr uint32_t kPipeIdleLimitMs = 5000;

// Starts the listener; it lives until the process ends or the pipe fails.
void StartStatusPipe(StateSnapshot snapshot);
