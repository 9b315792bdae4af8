// Fixed locations of the daemon's files and inter-process objects.
#pragma once

#include "core/daemon_log_record.h"
#include "core/ups_figures.h"

inline constexpr const char* kConfPath = "/usr/local/vigil20/vigil20.conf";
inline constexpr const char* kLogPath = core::kDaemonLogPath;
inline constexpr const char* kLogTmpPath = "/usr/local/vigil20/vigil20.logtmp";
// What a USB UPS measures, for the gateways (core/ups_figures.h).
inline constexpr const char* kUpsFiguresPath = core::kDaemonUpsFiguresPath;
inline constexpr const char* kConsolePath = "/dev/console";

// System V key of the shared block and of the semaphore set.
inline constexpr int kIpcKey = 6666;
