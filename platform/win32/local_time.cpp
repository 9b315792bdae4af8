#include "platform/local_time.h"

namespace platform {

// The C runtime's converter takes moments up to the year 3000 and refuses
// the rest.
bool LocalTime(std::time_t when, std::tm* local) { return _localtime64_s(local, &when) == 0; }

}  // namespace platform
