// The monitoring program's status pipe as a client sees it: one request,
// one reply (its fields: tests/support/record_fields.h).
#pragma once

#include <cstdint>
#include <string>

// Sends `request` on "\\.\pipe\vigil20_pipe" and returns the reply (at most
// 4096 bytes); empty when the pipe cannot be reached, written or read
// within `timeoutMs` for each step.
std::string AskStatusPipe(const std::string& request, uint32_t timeoutMs = 3000);
