// Fixed locations of the daemon's files and inter-process objects.
#pragma once

#include "core/daemon_log_record.h"

inline constexpr const char* kConfPath = "/usr/local/vigil20/vigil20.conf";
inline constexpr const char* kLogPath = core::kDaemonLogPath;
inline constexpr const char* kLogTmpPath = "/usr/local/vigil20/vigil20.logtmp";
inline constexpr const char* kConsolePath = "/dev/console";

// System V key of the shared block and of the semaphore set.
inline constexpr int kIpcKey = 6666;
