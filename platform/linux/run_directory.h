// The run-time directories of the Linux stand-ins under the host root:
// <root>/run/<name> for the mutexes, the pipes, the windows, the session and
// the service manager. Shared by every user's programs, like /tmp: mode
// 1777, so a service run by root and a user's tools meet there.
#pragma once

#include <string>

namespace platform {

// Creates <root>/run/<name> (<root>/run itself for an empty name) when missing and returns its path in *path.
// False with `error` saying why when it cannot be made.
bool RunDirectory(const std::string& name, std::string* path, std::string* error);

// `name` as one file name: letters, digits, '-', '_' and '.' (not first)
// kept, every other byte %HH.
std::string FileNameFor(const std::string& name);

}  // namespace platform
