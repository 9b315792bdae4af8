// The host root of the Linux stand-ins: the directory under which the
// registry, the Windows directory and the other Windows facilities live.
#pragma once

#include <string>

namespace platform {

inline constexpr const char* kHostRootVariable = "VIGIL20_HOST_ROOT";
inline constexpr const char* kDefaultHostRoot = "/var/lib/vigil20";

// VIGIL20_HOST_ROOT when set and not empty, else /var/lib/vigil20; without a
// trailing slash.
std::string HostRoot();

// Creates `path` and its missing parents with mode 0755. False with `error`
// ("mkdir <path>: <reason>") when a level cannot be made.
// Makes the one directory `path` with `mode` (all of it with `exactMode`,
// whatever the umask), or accepts the directory that is there. False, with
// `error` saying why, when it cannot be made or something else is there.
bool MakeDirectory(const std::string& path, unsigned mode, bool exactMode, std::string* error);

bool MakeDirectories(const std::string& path, std::string* error);

}  // namespace platform
