// Fixed locations of the daemon's files and inter-process objects.
#pragma once

#define VIGIL_DIR "/usr/local/vigil20"
inline constexpr const char* kConfPath = VIGIL_DIR "/vigil20.conf";
inline constexpr const char* kLogPath = VIGIL_DIR "/vigil20.log";
inline constexpr const char* kLogTmpPath = VIGIL_DIR "/vigil20.logtmp";
inline constexpr const char* kConsolePath = "/dev/console";
#undef VIGIL_DIR

// System V key of the shared block and of the semaphore set.
inline constexpr int kIpcKey = 6666;
