#include "platform/session_listener.h"

namespace platform {

bool SessionListenerPresent() { return true; }

}  // namespace platform
