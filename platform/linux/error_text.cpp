// The Windows texts of the error codes the stand-ins give, as the system's
// message table has them: FormatMessageA's stand-in.
#include "platform/error_text.h"

#include "platform/error_codes.h"

#include <cstdio>

namespace platform {
namespace {

struct ErrorText {
  uint32_t code;
  const char* text;
};

constexpr ErrorText kTexts[] = {
    {kErrorSuccess, "The operation completed successfully.\r\n"},
    {kErrorFileNotFound, "The system cannot find the file specified.\r\n"},
    {kErrorAccessDenied, "Access is denied.\r\n"},
    {kErrorInvalidHandle, "The handle is invalid.\r\n"},
    {kErrorNotEnoughMemory, "Not enough memory resources are available to process this command.\r\n"},
    {kErrorGenFailure, "A device attached to the system is not functioning.\r\n"},
    {kErrorInvalidParameter, "The parameter is incorrect.\r\n"},
    {kErrorBrokenPipe, "The pipe has been ended.\r\n"},
    {kErrorInvalidName, "The filename, directory name, or volume label syntax is incorrect.\r\n"},
    {kErrorBadPathName, "The specified path is invalid.\r\n"},
    {kErrorBadExeFormat, "%1 is not a valid Win32 application.\r\n"},
    {kErrorPipeBusy, "All pipe instances are busy.\r\n"},
    {kErrorNoData, "The pipe is being closed.\r\n"},
    {kErrorPipeNotConnected, "No process is on the other end of the pipe.\r\n"},
    {kErrorMoreData, "More data is available.\r\n"},
    {kErrorNoMoreItems, "No more data is available.\r\n"},
    {kErrorBadDb, "The configuration registry database is corrupt.\r\n"},
    {kErrorKeyDeleted, "Illegal operation attempted on a registry key that has been marked for deletion.\r\n"},
    {kErrorDependentServicesRunning,
     "A stop control has been sent to a service that other running services are dependent on.\r\n"},
    {kErrorInvalidServiceControl, "The requested control is not valid for this service.\r\n"},
    {kErrorServiceRequestTimeout,
     "The service did not respond to the start or control request in a timely fashion.\r\n"},
    {kErrorServiceAlreadyRunning, "An instance of the service is already running.\r\n"},
    {kErrorServiceDoesNotExist, "The specified service does not exist as an installed service.\r\n"},
    {kErrorServiceCannotAcceptControl, "The service cannot accept control messages at this time.\r\n"},
    {kErrorServiceNotActive, "The service has not been started.\r\n"},
    {kErrorFailedServiceControllerConnect, "The service process could not connect to the service controller.\r\n"},
    {kErrorServiceSpecificError, "The service has returned a service-specific error code.\r\n"},
    {kErrorProcessAborted, "The process terminated unexpectedly.\r\n"},
    {kErrorServiceMarkedForDelete, "The specified service has been marked for deletion.\r\n"},
    {kErrorServiceExists, "The specified service already exists.\r\n"},
    {kErrorServiceNeverStarted, "No attempts to start the service have been made since the last boot.\r\n"},
    {kErrorIoDevice, "The request could not be performed because of an I/O device error.\r\n"},
    {kErrorNotAllAssigned, "Not all privileges or groups referenced are assigned to the caller.\r\n"},
    {kErrorPrivilegeNotHeld, "A required privilege is not held by the client.\r\n"},
    {kErrorInvalidThreadId, "The thread identifier is invalid.\r\n"},
    {kErrorTimeout, "This operation returned because the timeout period expired.\r\n"},
    {kErrorFunctionFailed, "Function failed during execution.\r\n"},
    {kErrorUnsupportedType, "Data of this type is not supported.\r\n"},
};

}  // namespace

bool SystemErrorText(uint32_t code, char* buffer, size_t size) {
  for (const auto& entry : kTexts) {
    if (entry.code != code) continue;
    if (size > 0) std::snprintf(buffer, size, "%s", entry.text);
    return true;
  }
  return false;
}

}  // namespace platform
