// What the Linux pipe stand-in keeps of a security descriptor: the file
// mode of the pipe's socket. Local users reach the pipe when the
// descriptor grants read or write access to everyone, to authenticated
// users, to users or to guests; its owner always does.
#pragma once

#include <optional>
#include <string_view>
#include <sys/types.h>

namespace platform {

// The mode for a descriptor in the definition language ("D:(A;...)..."),
// or nothing when it does not read.
std::optional<mode_t> ModeFromSddl(std::string_view sddl);

}  // namespace platform
