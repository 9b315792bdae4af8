// What the service manager stand-in reads from outside the process: the
// status file "<name>.status" (one line of eight numbers), a control on the
// service's socket (one 32-bit word) and the status sent back (the record's
// bytes), and the image path of the service's record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/service_control.h"

namespace platform::scm {

std::string FormatStatusLine(const ServiceStatus& status);
// Nothing unless the text starts with eight numbers that fit 32 bits.
std::optional<ServiceStatus> ParseStatusLine(const std::string& text);

// A control is exactly one word; a reply exactly one record.
std::optional<uint32_t> DecodeControl(const void* bytes, size_t size);
std::optional<ServiceStatus> DecodeStatusReply(const void* bytes, size_t size);

// The image path as a program and its arguments: a first word in double
// quotes may hold blanks; other words end at blanks.
std::vector<std::string> SplitCommandLine(const std::string& line);

}  // namespace platform::scm
