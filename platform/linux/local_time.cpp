#include "platform/local_time.h"

namespace platform {

bool LocalTime(std::time_t when, std::tm* local) { return localtime_r(&when, local) != nullptr; }

}  // namespace platform
