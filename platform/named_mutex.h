// Named mutexes, after CreateMutexA and OpenMutexA: a name seen by every
// process of the machine, held open by handles. The programs use it as a
// single-instance mark: creating it tells whether some handle already held
// it. Ownership (waiting on the mutex) is not offered.
#pragma once

#include <cstdint>

#include "platform/error_codes.h"

namespace platform {

struct NamedMutex;

// CreateMutexA(nullptr, FALSE, name): opens the mutex `name`, creating it
// when no handle holds it. *alreadyExisted is true when one did
// (ERROR_ALREADY_EXISTS). nullptr on failure, with *error the system's
// error code.
NamedMutex* CreateNamedMutex(const char* name, bool* alreadyExisted, uint32_t* error);

// True when some handle, in any process, holds the mutex `name`.
bool NamedMutexExists(const char* name);

// OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name), the handle closed at once:
// 0 when it opens, else the system's error code (kErrorFileNotFound when
// no handle holds it, kErrorAccessDenied when it exists but may not
// be opened by this user).
uint32_t ProbeNamedMutex(const char* name);

// Closes the handle; accepts nullptr. The mutex ends with its last handle
// (also when its holder crashes).
void CloseNamedMutex(NamedMutex* mutex);

}  // namespace platform
