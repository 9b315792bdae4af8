#include "applet/service_control.h"

#include "platform/named_mutex.h"
#include "platform/service_control.h"

namespace applet {

int ServiceControl(int command) {
  platform::ScOwner manager, service;
  if (platform::OpenServiceManager(platform::kScManagerAllAccess, manager.out()) != 0) return 0;
  if (platform::OpenServiceEntry(manager.get(), kServiceName, platform::kServiceAllAccess, service.out()) != 0)
    return 0;
  int result = 0;
  if (command == kServiceQuery) {
    platform::ServiceStatus status;
    if (platform::QueryServiceEntry(service.get(), &status) == 0) result = static_cast<int>(status.currentState);
  } else if (command == kServiceStart) {
    result = platform::StartServiceEntry(service.get()) == 0 ? 1 : 0;
  }
  return result;
}

bool IsInstanceRunning(const char* name) {
  uint32_t error = platform::ProbeNamedMutex(name);
  return error == 0 || error == platform::kErrorAccessDenied;
}

}  // namespace applet
