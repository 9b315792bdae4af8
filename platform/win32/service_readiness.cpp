#include "platform/service_readiness.h"

// The service control manager learns that the service runs from its
// status (SERVICE_RUNNING) and has no watchdog to answer.
namespace platform {

void NotifyServiceReady() {}

void NotifyServiceAlive() {}

uint32_t ServiceAlivePeriodMs() { return 0; }

}  // namespace platform
