// vigil-sc: sc.exe for the service control manager stand-in.
//
//   vigil-sc create NAME binPath= PATH [DisplayName= TEXT] [start= auto|demand|disabled] [type= own|interact]
//   vigil-sc start NAME | stop NAME | query NAME | delete NAME
//
// Prints what sc.exe prints; exits 0 on success and with the Windows error
// code otherwise (1060 for a service that does not exist), as far as an
// exit status holds it: its low eight bits (1060 exits 36), or 255 when
// those are 0. The FAILED line names the whole code. start and stop return
// once the request is taken.
#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

#include "platform/error_text.h"
#include "platform/service_control.h"

namespace {

using platform::ServiceStatus;

int Usage() {
  std::fprintf(stderr,
               "usage: vigil-sc create NAME binPath= PATH [DisplayName= TEXT] [start= auto|demand|disabled] "
               "[type= own|interact]\n"
               "       vigil-sc start|stop|query|delete NAME\n");
  return 87;
}

// A Linux exit status keeps eight bits; a failure must never read as 0.
int ExitStatus(uint32_t error) { return (error & 0xFF) != 0 ? static_cast<int>(error & 0xFF) : 255; }

int Failed(const char* call, uint32_t error) {
  char text[256] = "";
  if (!platform::SystemErrorText(error, text, sizeof text)) std::snprintf(text, sizeof text, "Error %u\r\n", error);
  std::printf("[SC] %s FAILED %u:\n\n%s\n", call, error, text);
  return ExitStatus(error);
}

const char* StateName(uint32_t state) {
  switch (state) {
    case platform::kServiceStopped:
      return "STOPPED";
    case platform::kServiceStartPending:
      return "START_PENDING";
    case platform::kServiceStopPending:
      return "STOP_PENDING";
    case platform::kServiceRunning:
      return "RUNNING";
    case 5:
      return "CONTINUE_PENDING";
    case 6:
      return "PAUSE_PENDING";
    case platform::kServicePaused:
      return "PAUSED";
    default:
      return "";
  }
}

void PrintStatus(const std::string& name, const ServiceStatus& s, bool withProcess) {
  std::string type;
  if (s.serviceType & platform::kServiceWin32OwnProcess)
    type = "WIN32_OWN_PROCESS";
  else if (s.serviceType & 0x20)
    type = "WIN32_SHARE_PROCESS";
  else if (s.serviceType & 0x30)
    type = "WIN32";
  if (s.serviceType & platform::kServiceInteractiveProcess) type += "  (interactive)";
  std::printf("\nSERVICE_NAME: %s \n", name.c_str());
  std::printf("        TYPE               : %x  %s\n", s.serviceType, type.c_str());
  std::printf("        STATE              : %u  %s \n", s.currentState, StateName(s.currentState));
  std::printf("                                (%s, %s, %s)\n",
              (s.controlsAccepted & platform::kServiceAcceptStop) ? "STOPPABLE" : "NOT_STOPPABLE",
              (s.controlsAccepted & platform::kServiceAcceptPauseContinue) ? "PAUSABLE" : "NOT_PAUSABLE",
              (s.controlsAccepted & 0x4) ? "ACCEPTS_SHUTDOWN" : "IGNORES_SHUTDOWN");
  std::printf("        WIN32_EXIT_CODE    : %u  (0x%x)\n", s.win32ExitCode, s.win32ExitCode);
  std::printf("        SERVICE_EXIT_CODE  : %u  (0x%x)\n", s.serviceSpecificExitCode, s.serviceSpecificExitCode);
  std::printf("        CHECKPOINT         : 0x%x\n", s.checkPoint);
  std::printf("        WAIT_HINT          : 0x%x\n", s.waitHint);
  if (withProcess) {
    std::printf("        PID                : %u\n", s.processId);
    std::printf("        FLAGS              : \n");
  }
}

// "name= value" or "name=value" among the words from `from`.
bool Option(const std::vector<std::string>& words, size_t from, const char* name, std::string* value) {
  std::string key = std::string(name) + "=";
  for (size_t i = from; i < words.size(); ++i) {
    if (strncasecmp(words[i].c_str(), key.c_str(), key.size()) != 0) continue;
    std::string rest = words[i].substr(key.size());
    if (!rest.empty()) {
      *value = rest;
      return true;
    }
    if (i + 1 < words.size()) {
      *value = words[i + 1];
      return true;
    }
  }
  return false;
}

int Create(const std::string& name, const std::vector<std::string>& words) {
  platform::ServiceConfig config;
  config.name = name;
  if (!Option(words, 3, "binPath", &config.imagePath)) return Usage();
  Option(words, 3, "DisplayName", &config.displayName);
  std::string start, type;
  if (Option(words, 3, "start", &start)) {
    if (start == "auto")
      config.startType = platform::kServiceAutoStart;
    else if (start == "demand")
      config.startType = platform::kServiceDemandStart;
    else if (start == "disabled")
      config.startType = platform::kServiceDisabled;
    else
      return Usage();
  }
  if (Option(words, 3, "type", &type)) {
    if (type == "own")
      config.serviceType = platform::kServiceWin32OwnProcess;
    else if (type == "interact")
      config.serviceType |= platform::kServiceInteractiveProcess;
    else
      return Usage();
  }
  platform::ScOwner manager, service;
  if (uint32_t e = platform::OpenServiceManager(platform::kScManagerAllAccess, manager.out()))
    return Failed("OpenSCManager", e);
  if (uint32_t e = platform::CreateServiceEntry(manager.get(), config, platform::kServiceAllAccess, service.out()))
    return Failed("CreateService", e);
  std::printf("[SC] CreateService SUCCESS\n");
  return 0;
}

int OnService(const std::string& command, const std::string& name) {
  bool query = command == "query";
  platform::ScOwner manager, service;
  uint32_t managerAccess = query ? platform::kScManagerConnect : platform::kScManagerAllAccess;
  if (uint32_t e = platform::OpenServiceManager(managerAccess, manager.out())) return Failed("OpenSCManager", e);
  uint32_t access = query ? platform::kServiceQueryStatus : platform::kServiceAllAccess;
  if (uint32_t e = platform::OpenServiceEntry(manager.get(), name, access, service.out()))
    return Failed(query ? "EnumQueryServicesStatus:OpenService" : "OpenService", e);
  ServiceStatus status;
  if (command == "query") {
    if (uint32_t e = platform::QueryServiceEntry(service.get(), &status)) return Failed("QueryServiceStatus", e);
    PrintStatus(name, status, false);
  } else if (command == "start") {
    if (uint32_t e = platform::StartServiceEntry(service.get())) return Failed("StartService", e);
    if (platform::QueryServiceEntry(service.get(), &status) == 0) PrintStatus(name, status, true);
  } else if (command == "stop") {
    if (uint32_t e = platform::ControlServiceEntry(service.get(), platform::kServiceControlStop, &status))
      return Failed("ControlService", e);
    PrintStatus(name, status, false);
  } else if (command == "delete") {
    if (uint32_t e = platform::DeleteServiceEntry(service.get())) return Failed("DeleteService", e);
    std::printf("[SC] DeleteService SUCCESS\n");
  } else {
    return Usage();
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> words(argv, argv + argc);
  if (argc < 3) return Usage();
  std::string command = words[1];
  if (command == "create") return Create(words[2], words);
  if (argc != 3) return Usage();
  return OnService(command, words[2]);
}
