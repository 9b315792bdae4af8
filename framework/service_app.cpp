#include "framework/service_app.h"

#include <cstdarg>
#include <cstdio>
#include <strings.h>
#include <thread>

#include "platform/debug_output.h"
#include "platform/console_output.h"
#include "platform/error_text.h"
#include "platform/module_path.h"

namespace {

// The one application object with a service, for the entry points the
// manager calls.
CWinAppSrv* the_service = nullptr;

constexpr uint32_t kStartWaitMs = 20000;
constexpr uint32_t kServiceDoneWaitMs = 10000;
constexpr uint32_t kStartWaitHintMs = 5000;
constexpr uint32_t kServiceTypeReported = 0x30;
constexpr uint32_t kControlsAccepted = platform::kServiceAcceptStop | platform::kServiceAcceptPauseContinue;

bool Same(const char* a, const char* b) { return strcasecmp(a, b) == 0; }

void Pause(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

// Every half second while the service reads stop-pending.
void WaitWhileStopPending(platform::ScHandle service) {
  platform::ServiceStatus status;
  do {
    Pause(500);
    if (platform::QueryServiceEntry(service, &status) != 0) return;
  } while (status.currentState == platform::kServiceStopPending);
}

// Opens the manager and the service `name`: 0, or 1 when the manager and 3
// when the service cannot be opened, with the system's code in `error`.
int OpenOwnService(const std::string& name, platform::ScOwner* manager, platform::ScOwner* service, uint32_t* error) {
  *error = platform::OpenServiceManager(platform::kScManagerAllAccess, manager->out());
  if (*error != 0) return 1;
  *error = platform::OpenServiceEntry(manager->get(), name, platform::kServiceAllAccess, service->out());
  return *error != 0 ? 3 : 0;
}

}  // namespace

void CSrvcCmdInfo::ParseSwitch(const char* text, bool isSwitch) {
  if (!isSwitch) return;
  if (Same(text, "silent"))
    silent = true;
  else if (Same(text, "install"))
    install = true;
  else if (Same(text, "remove"))
    remove = true;
  else if (Same(text, "start"))
    start = true;
  else if (Same(text, "stop"))
    stop = true;
  else if (Same(text, "normal") || Same(text, "noserv"))
    normal = true;
  else if (Same(text, "show"))
    show = true;
}

CSingletonApp::~CSingletonApp() { platform::CloseNamedMutex(m_hMutex); }

bool CSingletonApp::ClaimSingleInstance(const char* mutexName) {
  bool existed = false;
  uint32_t error = 0;
  m_hMutex = platform::CreateNamedMutex(mutexName, &existed, &error);
  return m_hMutex && !existed;
}

CWinAppSrv::CWinAppSrv(const char* serviceName, const char* displayName, uint32_t serviceType, uint32_t startType)
    : serviceName_(serviceName), displayName_(displayName), serviceType_(serviceType), startType_(startType) {
  the_service = this;
}

void CWinAppSrv::WarnHandlerFailed(const char* text) { platform::DebugPrintf("%s\n", text); }

CWinAppSrv::~CWinAppSrv() {
  // Released last by the service machinery: after it, nothing of it runs.
  bool finished = !serviceDoneSemaphore_ || platform::WaitForSemaphore(serviceDoneSemaphore_, kServiceDoneWaitMs) == 0;
  if (!finished) return;  // still running: the semaphores must stay
  platform::CloseSemaphoreObject(runningSemaphore_);
  platform::CloseSemaphoreObject(stoppedSemaphore_);
  platform::CloseSemaphoreObject(serviceDoneSemaphore_);
  if (the_service == this) the_service = nullptr;
}

std::string CWinAppSrv::LastErrorText() const {
  char text[256];
  if (platform::SystemErrorText(lastError_, text, sizeof text)) return text;
  std::snprintf(text, sizeof text, "Error %d", static_cast<int>(lastError_));
  return text;
}

void CWinAppSrv::ReportResult(const char* format, ...) {
  if (cmdInfo_.silent) return;
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  platform::WriteStandardError(text);
}

// Reports a service command's result and sets the exit code; always false,
// as nothing runs after a command. `failed` takes the system's error text.
bool CWinAppSrv::FinishCommand(int result, const char* done, const char* failed) {
  if (result == 0)
    ReportResult("%s", done);
  else
    ReportResult(failed, LastErrorText().c_str());
  m_exitCode = result == 0 ? 0 : 1;
  return false;
}

bool CWinAppSrv::ServiceStep() {
  ParseCommandLine(cmdInfo_);
  if (cmdInfo_.install) return FinishCommand(InstallService(), service_texts::kInstalled, service_texts::kInstallFailed);
  if (cmdInfo_.remove) return FinishCommand(RemoveService(), service_texts::kRemoved, service_texts::kRemoveFailed);
  if (cmdInfo_.start) return FinishCommand(StartInstalledService(), service_texts::kStarted, service_texts::kStartFailed);
  if (cmdInfo_.stop) return FinishCommand(StopInstalledService(), service_texts::kStopped, service_texts::kStopFailed);
  if (!cmdInfo_.normal) serviceMode_ = IsServiceInstalled();
  runningSemaphore_ = platform::CreateSemaphoreObject(0, 1);
  stoppedSemaphore_ = platform::CreateSemaphoreObject(0, 1);
  if (serviceMode_) {
    // Made here rather than by ServiceMain, so that an exit that comes
    // before ServiceMain still waits for it to report.
    serviceDoneSemaphore_ = platform::CreateSemaphoreObject(0, 1);
    std::thread([this] {
      uint32_t refused = platform::RunServiceDispatcher(serviceName_.c_str(), &CWinAppSrv::ServiceMain);
      // After a service run the program may already be gone: ServiceMain
      // released the semaphore that its end awaits. Only a refusal, which
      // no ServiceMain answers, still has the program to tell.
      if (refused) {
        serviceMode_ = false;
        platform::ReleaseSemaphoreObject(serviceDoneSemaphore_);
      }
    }).detach();
  }
  return true;
}

int CWinAppSrv::InstallService() {
  char path[260];
  if (platform::ProgramPath(path, sizeof path) == 0) {
    lastError_ = 122;  // ERROR_INSUFFICIENT_BUFFER
    return 1;
  }
  platform::ScOwner manager;
  lastError_ = platform::OpenServiceManager(platform::kScManagerAllAccess, manager.out());
  if (lastError_ != 0) return 1;
  platform::ServiceConfig config;
  config.name = serviceName_;
  config.displayName = displayName_;
  // Quoted when it holds blanks, so that the manager does not cut it there.
  std::string image = path;
  config.imagePath = image.find(' ') != std::string::npos ? "\"" + image + "\"" : image;
  config.serviceType = serviceType_;
  config.startType = startType_;
  config.errorControl = platform::kServiceErrorNormal;
  platform::ScOwner service;
  lastError_ = platform::CreateServiceEntry(manager.get(), config, platform::kServiceAllAccess, service.out());
  return lastError_ != 0 ? 2 : 0;
}

int CWinAppSrv::RemoveService() {
  platform::ScOwner manager, service;
  if (int failed = OpenOwnService(serviceName_, &manager, &service, &lastError_)) return failed;
  platform::ServiceStatus status;
  lastError_ = platform::ControlServiceEntry(service.get(), platform::kServiceControlStop, &status);
  if (lastError_ == 0) {
    Pause(500);
    WaitWhileStopPending(service.get());
  } else if (lastError_ != platform::kErrorServiceNotActive) {
    return 4;
  }
  lastError_ = platform::DeleteServiceEntry(service.get());
  return lastError_ != 0 ? 5 : 0;
}

int CWinAppSrv::StartInstalledService() {
  platform::ScOwner manager, service;
  if (int failed = OpenOwnService(serviceName_, &manager, &service, &lastError_)) return failed;
  lastError_ = platform::StartServiceEntry(service.get());
  return lastError_ != 0 ? 4 : 0;
}

int CWinAppSrv::StopInstalledService() {
  platform::ScOwner manager, service;
  if (int failed = OpenOwnService(serviceName_, &manager, &service, &lastError_)) return failed;
  platform::ServiceStatus status;
  lastError_ = platform::ControlServiceEntry(service.get(), platform::kServiceControlStop, &status);
  if (lastError_ != 0) return 4;
  if (status.currentState == platform::kServiceStopPending) WaitWhileStopPending(service.get());
  return 0;
}

bool CWinAppSrv::IsServiceInstalled() {
  platform::ScOwner manager, service;
  if (platform::OpenServiceManager(platform::kScManagerAllAccess, manager.out()) != 0) return false;
  return platform::OpenServiceEntry(manager.get(), serviceName_, platform::kServiceAllAccess, service.out()) == 0;
}

int CWinAppSrv::Run() {
  platform::ReleaseSemaphoreObject(runningSemaphore_);
  return CSingletonApp::Run();
}

void CWinAppSrv::SignalStopping() { platform::ReleaseSemaphoreObject(stoppedSemaphore_); }

uint32_t CWinAppSrv::Report(uint32_t state, uint32_t exitCode, uint32_t specificCode) {
  std::lock_guard<std::mutex> hold(statusLock_);
  status_.currentState = state;
  status_.win32ExitCode = exitCode;
  status_.serviceSpecificExitCode = specificCode;
  return platform::ReportServiceStatus(statusHandle_, status_);
}

void CWinAppSrv::ServiceMain() {
  CWinAppSrv* app = the_service;
  if (!app) return;
  platform::ServiceStatusHandle handle = nullptr;
  if (platform::RegisterServiceHandler(app->serviceName_.c_str(), &CWinAppSrv::ServiceCtrlHandler, &handle) != 0) {
    app->WarnHandlerFailed(service_texts::kRegisterHandlerFailed);
    return;
  }
  {
    std::lock_guard<std::mutex> hold(app->statusLock_);
    app->statusHandle_ = handle;
    app->status_ = {};
    app->status_.serviceType = kServiceTypeReported;
    app->status_.controlsAccepted = kControlsAccepted;
    app->status_.waitHint = kStartWaitHintMs;
  }
  app->Report(platform::kServiceStartPending);
  platform::Semaphore* started[] = {app->runningSemaphore_, app->stoppedSemaphore_};
  if (platform::WaitForSemaphores(started, 2, kStartWaitMs) == 0) {
    app->Report(platform::kServiceRunning);
    platform::WaitForSemaphore(app->stoppedSemaphore_, platform::kWaitForever);
    app->Report(platform::kServiceStopPending);
    app->Report(platform::kServiceStopped);
  } else if (app->Report(platform::kServiceStopPending) == 0) {
    app->Report(platform::kServiceStopped, platform::kErrorServiceSpecificError, 0);
  }
  platform::ReleaseSemaphoreObject(app->serviceDoneSemaphore_);
}

void CWinAppSrv::ServiceCtrlHandler(uint32_t control) {
  CWinAppSrv* app = the_service;
  if (!app) return;
  if (control == platform::kServiceControlStop) {
    {
      std::lock_guard<std::mutex> hold(app->statusLock_);
      app->status_.checkPoint = 0;
      app->status_.waitHint = 0;
    }
    app->Report(platform::kServiceStopPending);
    app->PostQuitRequest(0);
  } else if (control == platform::kServiceControlInterrogate) {
    std::lock_guard<std::mutex> hold(app->statusLock_);
    platform::ReportServiceStatus(app->statusHandle_, app->status_);
  }
}
