// The Linux event's descriptor, for programs that wait on several things at
// once with poll or select (vigil-snmp waits on the trap event beside its
// sockets). A Linux internal.
#pragma once

#include "platform/event.h"

namespace platform {

// Readable while the event is set. Read it with ClearIfSet, not read().
int EventDescriptor(Event* event);

// Clears the event when set; true when it was set.
bool ClearIfSet(Event* event);

// The event that EventHandle gave as `handle`.
Event* EventFromHandle(void* handle);

}  // namespace platform
