// The Windows error numbers the suite gives and reads (GetLastError, the
// registry's results, the service manager's exit codes), declared once.
// The Linux stand-ins give these same numbers, and their texts come from
// one table (platform/linux/error_text.cpp) as FormatMessageA's do.
#pragma once

#include <cstdint>

namespace platform {

inline constexpr uint32_t kErrorSuccess = 0;
inline constexpr uint32_t kErrorFileNotFound = 2;
inline constexpr uint32_t kErrorAccessDenied = 5;
inline constexpr uint32_t kErrorInvalidHandle = 6;
inline constexpr uint32_t kErrorNotEnoughMemory = 8;
inline constexpr uint32_t kErrorGenFailure = 31;
inline constexpr uint32_t kErrorInvalidParameter = 87;
inline constexpr uint32_t kErrorBrokenPipe = 109;  // the other end closed
inline constexpr uint32_t kErrorInvalidName = 123;
inline constexpr uint32_t kErrorBadPathName = 161;
inline constexpr uint32_t kErrorBadExeFormat = 193;
inline constexpr uint32_t kErrorPipeBusy = 231;  // every instance is in use
inline constexpr uint32_t kErrorNoData = 232;    // the pipe is being closed
inline constexpr uint32_t kErrorPipeNotConnected = 233;
inline constexpr uint32_t kErrorMoreData = 234;  // the message was longer than the buffer
inline constexpr uint32_t kErrorNoMoreItems = 259;
inline constexpr uint32_t kErrorBadDb = 1009;  // a stored registry key cannot be read
inline constexpr uint32_t kErrorKeyDeleted = 1018;
inline constexpr uint32_t kErrorDependentServicesRunning = 1051;
inline constexpr uint32_t kErrorInvalidServiceControl = 1052;
inline constexpr uint32_t kErrorServiceRequestTimeout = 1053;
inline constexpr uint32_t kErrorServiceAlreadyRunning = 1056;
inline constexpr uint32_t kErrorServiceDoesNotExist = 1060;
inline constexpr uint32_t kErrorServiceCannotAcceptControl = 1061;
inline constexpr uint32_t kErrorServiceNotActive = 1062;
inline constexpr uint32_t kErrorFailedServiceControllerConnect = 1063;
inline constexpr uint32_t kErrorServiceSpecificError = 1066;
inline constexpr uint32_t kErrorProcessAborted = 1067;
inline constexpr uint32_t kErrorServiceMarkedForDelete = 1072;
inline constexpr uint32_t kErrorServiceExists = 1073;
inline constexpr uint32_t kErrorServiceNeverStarted = 1077;
inline constexpr uint32_t kErrorIoDevice = 1117;
inline constexpr uint32_t kErrorNotAllAssigned = 1300;
inline constexpr uint32_t kErrorPrivilegeNotHeld = 1314;
inline constexpr uint32_t kErrorInvalidThreadId = 1444;  // a thread without a message queue
inline constexpr uint32_t kErrorTimeout = 1460;          // nothing came in time
inline constexpr uint32_t kErrorFunctionFailed = 1627;
inline constexpr uint32_t kErrorUnsupportedType = 1630;  // a registry value of another type

}  // namespace platform
