// A Linux descriptor that closes itself; -1 when empty.
#pragma once

#include <unistd.h>

#include "platform/owned_handle.h"

namespace platform {

using UniqueFd = Owned<int, ::close, -1>;

}  // namespace platform
