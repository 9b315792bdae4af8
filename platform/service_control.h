// The service control manager, after OpenSCManagerA, CreateServiceA,
// OpenServiceA, StartServiceA, ControlService, QueryServiceStatusEx and
// DeleteService for the programs that manage services, and
// StartServiceCtrlDispatcherA, RegisterServiceCtrlHandlerA and
// SetServiceStatus for the service itself. Results are 0 or the system's
// error code (the Win32 ERROR_* numbers).
#pragma once

#include <cstdint>
#include <string>

#include "platform/error_codes.h"
#include "platform/owned_handle.h"

namespace platform {

// Access rights.
inline constexpr uint32_t kScManagerConnect = 0x0001;
inline constexpr uint32_t kScManagerAllAccess = 0xF003F;
inline constexpr uint32_t kServiceQueryStatus = 0x0004;
inline constexpr uint32_t kServiceStart = 0x0010;
inline constexpr uint32_t kServiceStop = 0x0020;
inline constexpr uint32_t kServiceDelete = 0x10000;
inline constexpr uint32_t kServiceAllAccess = 0xF01FF;

// Service types, start types and error control.
inline constexpr uint32_t kServiceWin32OwnProcess = 0x10;
inline constexpr uint32_t kServiceInteractiveProcess = 0x100;
inline constexpr uint32_t kServiceAutoStart = 2;
inline constexpr uint32_t kServiceDemandStart = 3;
inline constexpr uint32_t kServiceDisabled = 4;
inline constexpr uint32_t kServiceErrorNormal = 1;

// States.
inline constexpr uint32_t kServiceStopped = 1;
inline constexpr uint32_t kServiceStartPending = 2;
inline constexpr uint32_t kServiceStopPending = 3;
inline constexpr uint32_t kServiceRunning = 4;
inline constexpr uint32_t kServicePaused = 7;

// Controls and the controls a service accepts.
inline constexpr uint32_t kServiceControlStop = 1;
inline constexpr uint32_t kServiceControlPause = 2;
inline constexpr uint32_t kServiceControlContinue = 3;
inline constexpr uint32_t kServiceControlInterrogate = 4;
inline constexpr uint32_t kServiceAcceptStop = 0x1;
inline constexpr uint32_t kServiceAcceptPauseContinue = 0x2;

// Error codes the programs name.

// SERVICE_STATUS, with the process of a running service.
struct ServiceStatus {
  uint32_t serviceType = 0;
  uint32_t currentState = 0;
  uint32_t controlsAccepted = 0;
  uint32_t win32ExitCode = 0;
  uint32_t serviceSpecificExitCode = 0;
  uint32_t checkPoint = 0;
  uint32_t waitHint = 0;
  uint32_t processId = 0;  // 0 when the service has no process
};

// A handle on the manager or on one service. Closed with CloseScHandle.
struct ScObject;
using ScHandle = ScObject*;

uint32_t OpenServiceManager(uint32_t access, ScHandle* out);

struct ServiceConfig {
  std::string name;
  std::string displayName;
  std::string imagePath;  // the command line the manager runs
  uint32_t serviceType = kServiceWin32OwnProcess;
  uint32_t startType = kServiceDemandStart;
  uint32_t errorControl = kServiceErrorNormal;
};
// Installs a service, run as the local system account.
uint32_t CreateServiceEntry(ScHandle manager, const ServiceConfig& config, uint32_t access, ScHandle* out);
uint32_t OpenServiceEntry(ScHandle manager, const std::string& name, uint32_t access, ScHandle* out);
// Starts the service's program without arguments; returns once the
// program has connected to the manager.
uint32_t StartServiceEntry(ScHandle service);
// Sends a control and gives the status that the service reports back.
uint32_t ControlServiceEntry(ScHandle service, uint32_t control, ServiceStatus* status);
uint32_t QueryServiceEntry(ScHandle service, ServiceStatus* status);
// Removes the service's record.
uint32_t DeleteServiceEntry(ScHandle service);
// Accepts nullptr.
void CloseScHandle(ScHandle handle);
// A handle that closes itself.
using ScOwner = Owned<ScHandle, CloseScHandle>;

// The service's side, for a program of one service.
using ServiceMainFunction = void (*)();
using ServiceControlHandler = void (*)(uint32_t control);
struct ServiceStatusObject;
using ServiceStatusHandle = ServiceStatusObject*;

// Connects the program to the manager and runs `serviceMain` on a thread
// of its own; returns when the service has reported itself stopped.
// kErrorFailedServiceControllerConnect when the manager did not start this
// program as the service `name`.
uint32_t RunServiceDispatcher(const char* name, ServiceMainFunction serviceMain);
// From the service's main function: `handler` receives the controls.
uint32_t RegisterServiceHandler(const char* name, ServiceControlHandler handler, ServiceStatusHandle* out);
uint32_t ReportServiceStatus(ServiceStatusHandle handle, const ServiceStatus& status);

}  // namespace platform
