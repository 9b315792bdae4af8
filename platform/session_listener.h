// Whether anybody answers the session message boxes: on Windows the
// console session always does; here only while vigil-session listens.
#pragma once

namespace platform {

bool SessionListenerPresent();

}  // namespace platform
