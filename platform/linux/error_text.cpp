// The Windows texts of the error codes the stand-ins give, as the system's
// message table has them.
#include "platform/error_text.h"

#include <cstdio>

namespace platform {
namespace {

struct ErrorText {
  uint32_t code;
  const char* text;
};

constexpr ErrorText kTexts[] = {
    {0, "The operation completed successfully.\r\n"},
    {2, "The system cannot find the file specified.\r\n"},
    {5, "Access is denied.\r\n"},
    {6, "The handle is invalid.\r\n"},
    {8, "Not enough memory resources are available to process this command.\r\n"},
    {87, "The parameter is incorrect.\r\n"},
    {109, "The pipe has been ended.\r\n"},
    {123, "The filename, directory name, or volume label syntax is incorrect.\r\n"},
    {161, "The specified path is invalid.\r\n"},
    {193, "%1 is not a valid Win32 application.\r\n"},
    {231, "All pipe instances are busy.\r\n"},
    {232, "The pipe is being closed.\r\n"},
    {233, "No process is on the other end of the pipe.\r\n"},
    {234, "More data is available.\r\n"},
    {1051, "A stop control has been sent to a service that other running services are dependent on.\r\n"},
    {1052, "The requested control is not valid for this service.\r\n"},
    {1053, "The service did not respond to the start or control request in a timely fashion.\r\n"},
    {1056, "An instance of the service is already running.\r\n"},
    {1060, "The specified service does not exist as an installed service.\r\n"},
    {1061, "The service cannot accept control messages at this time.\r\n"},
    {1062, "The service has not been started.\r\n"},
    {1063, "The service process could not connect to the service controller.\r\n"},
    {1066, "The service has returned a service-specific error code.\r\n"},
    {1067, "The process terminated unexpectedly.\r\n"},
    {1072, "The specified service has been marked for deletion.\r\n"},
    {1073, "The specified service already exists.\r\n"},
    {1117, "The request could not be performed because of an I/O device error.\r\n"},
    {1300, "Not all privileges or groups referenced are assigned to the caller.\r\n"},
    {1314, "A required privilege is not held by the client.\r\n"},
    {1444, "The thread identifier is invalid.\r\n"},
    {1627, "Function failed during execution.\r\n"},
    {1460, "This operation returned because the timeout period expired.\r\n"},
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
