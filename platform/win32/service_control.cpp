// The service control manager through the Win32 calls. One service per
// program: the dispatcher's table and the handler are kept here.
#include <windows.h>

#include "platform/service_control.h"

struct platform::ScObject {
  SC_HANDLE handle;
};

struct platform::ServiceStatusObject {
  SERVICE_STATUS_HANDLE handle;
};

namespace platform {
namespace {

ServiceMainFunction service_main = nullptr;
ServiceControlHandler control_handler = nullptr;
ServiceStatusObject status_object{nullptr};

void WINAPI ServiceMainEntry(DWORD, LPSTR*) {
  if (service_main) service_main();
}

void WINAPI HandlerEntry(DWORD control) {
  if (control_handler) control_handler(control);
}

void FromWindows(const SERVICE_STATUS_PROCESS& in, ServiceStatus* out) {
  out->serviceType = in.dwServiceType;
  out->currentState = in.dwCurrentState;
  out->controlsAccepted = in.dwControlsAccepted;
  out->win32ExitCode = in.dwWin32ExitCode;
  out->serviceSpecificExitCode = in.dwServiceSpecificExitCode;
  out->checkPoint = in.dwCheckPoint;
  out->waitHint = in.dwWaitHint;
  out->processId = in.dwProcessId;
}

}  // namespace

uint32_t OpenServiceManager(uint32_t access, ScHandle* out) {
  SC_HANDLE handle = OpenSCManagerA(nullptr, nullptr, access);
  if (!handle) return GetLastError();
  *out = new ScObject{handle};
  return 0;
}

uint32_t CreateServiceEntry(ScHandle manager, const ServiceConfig& config, uint32_t access, ScHandle* out) {
  SC_HANDLE handle = CreateServiceA(manager->handle, config.name.c_str(), config.displayName.c_str(), access,
                                    config.serviceType, config.startType, config.errorControl, config.imagePath.c_str(),
                                    nullptr, nullptr, nullptr, nullptr, nullptr);
  if (!handle) return GetLastError();
  *out = new ScObject{handle};
  return 0;
}

uint32_t OpenServiceEntry(ScHandle manager, const std::string& name, uint32_t access, ScHandle* out) {
  SC_HANDLE handle = OpenServiceA(manager->handle, name.c_str(), access);
  if (!handle) return GetLastError();
  *out = new ScObject{handle};
  return 0;
}

uint32_t StartServiceEntry(ScHandle service) { return StartServiceA(service->handle, 0, nullptr) ? 0 : GetLastError(); }

uint32_t ControlServiceEntry(ScHandle service, uint32_t control, ServiceStatus* status) {
  SERVICE_STATUS reply{};
  if (!ControlService(service->handle, control, &reply)) return GetLastError();
  SERVICE_STATUS_PROCESS full{};
  full.dwServiceType = reply.dwServiceType;
  full.dwCurrentState = reply.dwCurrentState;
  full.dwControlsAccepted = reply.dwControlsAccepted;
  full.dwWin32ExitCode = reply.dwWin32ExitCode;
  full.dwServiceSpecificExitCode = reply.dwServiceSpecificExitCode;
  full.dwCheckPoint = reply.dwCheckPoint;
  full.dwWaitHint = reply.dwWaitHint;
  FromWindows(full, status);
  return 0;
}

uint32_t QueryServiceEntry(ScHandle service, ServiceStatus* status) {
  SERVICE_STATUS_PROCESS full{};
  DWORD needed = 0;
  if (!QueryServiceStatusEx(service->handle, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&full), sizeof full,
                            &needed))
    return GetLastError();
  FromWindows(full, status);
  return 0;
}

uint32_t DeleteServiceEntry(ScHandle service) { return DeleteService(service->handle) ? 0 : GetLastError(); }

void CloseScHandle(ScHandle handle) {
  if (!handle) return;
  CloseServiceHandle(handle->handle);
  delete handle;
}

uint32_t RunServiceDispatcher(const char* name, ServiceMainFunction serviceMain) {
  service_main = serviceMain;
  SERVICE_TABLE_ENTRYA table[] = {{const_cast<char*>(name), ServiceMainEntry}, {nullptr, nullptr}};
  return StartServiceCtrlDispatcherA(table) ? 0 : GetLastError();
}

uint32_t RegisterServiceHandler(const char* name, ServiceControlHandler handler, ServiceStatusHandle* out) {
  control_handler = handler;
  SERVICE_STATUS_HANDLE handle = RegisterServiceCtrlHandlerA(name, HandlerEntry);
  if (!handle) return GetLastError();
  status_object.handle = handle;
  *out = &status_object;
  return 0;
}

uint32_t ReportServiceStatus(ServiceStatusHandle handle, const ServiceStatus& status) {
  SERVICE_STATUS out{};
  out.dwServiceType = status.serviceType;
  out.dwCurrentState = status.currentState;
  out.dwControlsAccepted = status.controlsAccepted;
  out.dwWin32ExitCode = status.win32ExitCode;
  out.dwServiceSpecificExitCode = status.serviceSpecificExitCode;
  out.dwCheckPoint = status.checkPoint;
  out.dwWaitHint = status.waitHint;
  return SetServiceStatus(handle->handle, &out) ? 0 : GetLastError();
}

}  // namespace platform
