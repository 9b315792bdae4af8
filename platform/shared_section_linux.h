// A named block of memory shared by every process that opens it, standing in
// for a DLL's shared data section: while no process holds it, it holds the
// initial image again, so the first process to open it sees `initial`.
// A Linux internal: on Windows the linker makes the section itself
// (lineshare/shared_record_win32.cpp), with no call to stand in for.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

struct SharedSection;

// Maps the section `name` (letters and digits) of `size` bytes, filling it
// from `initial` when no other process holds it. The section stays held
// until CloseSharedSection or the end of the process. nullptr on failure,
// with `error` saying why.
SharedSection* OpenSharedSection(const char* name, const void* initial, size_t size, std::string* error);

// The mapped bytes; shared until CloseSharedSection.
void* SharedSectionData(SharedSection* section);

// Gives the section back. Its bytes stay readable and writable in this
// process (no longer shared), for a thread that still uses them.
void CloseSharedSection(SharedSection* section);

// Removes the section's name (a clean-up for tests). Processes that hold it
// keep their mapping.
void RemoveSharedSection(const char* name);

}  // namespace platform
