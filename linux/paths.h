// Fixed locations of the daemon's files and inter-process objects.
#pragma once

inline constexpr const char* kConfPath = "/usr/local/vigil20/vigil20.conf";
inline constexpr const char* kLogPath = "/usr/local/vigil20/vigil20.log";
inline constexpr const char* kLogTmpPath = "/usr/local/vigil20/vigil20.logtmp";
inline constexpr const char* kConsolePath = "/dev/console";

// System V key of the shared block and of the semaphore set.
inline constexpr int kIpcKey = 6666;
