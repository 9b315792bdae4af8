// The system's text for an error code, after FormatMessageA from the
// system message table in the neutral language.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// Copies the text, cut to fit, into `buffer`; false (buffer untouched) when
// the system has no text for the code.
bool SystemErrorText(uint32_t code, char* buffer, size_t size);

}  // namespace platform
