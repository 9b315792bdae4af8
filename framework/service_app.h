// The application classes of a program that may run as a service: the
// single instance (CSingletonApp) and the service machinery (CWinAppSrv),
// with the command-line switches (CSrvcCmdInfo). The monitoring program and
// the status page are both built on them.
//
// In service mode a dispatcher thread connects the program to the service
// control manager; ServiceMain reports start-pending and waits up to 20 s
// for start-up to succeed (runningSemaphore, released by Run) or fail
// (stoppedSemaphore, released first by the exit), and reports the outcome.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "framework/command_line.h"
#include "framework/service_texts.h"
#include "framework/win_app.h"
#include "platform/named_mutex.h"
#include "platform/semaphore.h"
#include "platform/service_control.h"

class CSrvcCmdInfo : public CCommandLineInfo {
 public:
  static constexpr CRuntimeClass runtimeClass{"CSrvcCmdInfo", &CCommandLineInfo::runtimeClass};
  const CRuntimeClass* GetRuntimeClass() const override { return &runtimeClass; }

  // "silent", "install", "remove", "start", "stop", "normal" or "noserv",
  // "show", without regard to case; anything else is ignored.
  void ParseSwitch(const char* text, bool isSwitch) override;

  bool silent = false;  // no result texts
  bool install = false;
  bool remove = false;
  bool start = false;
  bool stop = false;
  bool normal = false;  // an ordinary program even when the service is installed
  bool show = false;    // accepted; changes nothing
};

class CSingletonApp : public CWinApp {
 public:
  static constexpr CRuntimeClass runtimeClass{"CSingletonApp", &CWinApp::runtimeClass};
  const CRuntimeClass* GetRuntimeClass() const override { return &runtimeClass; }

  ~CSingletonApp() override;

 protected:
  // Creates the named mutex; false when it cannot, or when it existed
  // already (another instance runs). The handle is kept until destruction.
  bool ClaimSingleInstance(const char* mutexName);

 private:
  platform::NamedMutex* m_hMutex = nullptr;
};

class CWinAppSrv : public CSingletonApp {
 public:
  static constexpr CRuntimeClass runtimeClass{"CWinAppSrv", &CSingletonApp::runtimeClass};
  const CRuntimeClass* GetRuntimeClass() const override { return &runtimeClass; }

  // What "install" registers: the service's type and how it starts.
  CWinAppSrv(const char* serviceName, const char* displayName,
             uint32_t serviceType = platform::kServiceWin32OwnProcess,
             uint32_t startType = platform::kServiceDemandStart);
  // Waits up to 10 s for the service machinery to finish.
  ~CWinAppSrv() override;

  // Start-up's first step: carries out a service command (then false, the
  // program ends) or decides the mode and, in service mode, starts the
  // dispatcher thread (true).
  bool ServiceStep();

  // 0 on success; 1 the manager, 2 the creation, 3 the service cannot be
  // opened, 4 the start or stop was refused, 5 the deletion failed.
  int InstallService();
  int RemoveService();
  int StartInstalledService();
  int StopInstalledService();
  bool IsServiceInstalled();

  // Writes the result text of a command to standard error (up to 1024
  // bytes), unless "silent" was given.
  void ReportResult(const char* format, ...) __attribute__((format(printf, 2, 3)));
  bool FinishCommand(int result, const char* done, const char* failed);

  // Run releases the running semaphore before its loop.
  int Run() override;

  bool ServiceMode() const { return serviceMode_; }
  const CSrvcCmdInfo& CommandLine() const { return cmdInfo_; }

 protected:
  // Lets the service report itself stopped (start-up failed, or the program
  // is ending); once, in the exit. A program whose stop takes a while calls
  // it last, so that "stopped" means no file of it is still in use.
  void SignalStopping();
  // The service's control handler could not be registered, so the service
  // part gives up; told on the debug output unless a program shows it.
  virtual void WarnHandlerFailed(const char* text);

 private:
  static void ServiceMain();
  static void ServiceCtrlHandler(uint32_t control);
  uint32_t Report(uint32_t state, uint32_t exitCode = 0, uint32_t specificCode = 0);
  // The system's text for the last error, or "Error %d".
  std::string LastErrorText() const;

  CSrvcCmdInfo cmdInfo_;
  std::string serviceName_;
  std::string displayName_;
  uint32_t serviceType_;
  uint32_t startType_;
  std::atomic<bool> serviceMode_{false};
  platform::Semaphore* runningSemaphore_ = nullptr;
  platform::Semaphore* stoppedSemaphore_ = nullptr;
  platform::Semaphore* serviceDoneSemaphore_ = nullptr;
  uint32_t lastError_ = 0;

  // Written by the service-main thread and the control handler.
  std::mutex statusLock_;
  platform::ServiceStatus status_;
  platform::ServiceStatusHandle statusHandle_ = nullptr;
};
