// systemd's notification protocol, written once in linuxbase/ for the
// daemon and the suite alike.
#include "platform/service_readiness.h"

#include "linuxbase/monotonic_clock.h"
#include "linuxbase/service_notify.h"

namespace platform {

void NotifyServiceReady() { linuxbase::NotifyServiceReady(linuxbase::MonotonicMs()); }

void NotifyServiceAlive() { linuxbase::NotifyServiceAlive(linuxbase::MonotonicMs()); }

uint32_t ServiceAlivePeriodMs() { return linuxbase::AlivePeriodMs(); }

}  // namespace platform
