// A named mutex is <root>/run/mutex/<name>, a lock file every handle holds
// with a shared flock for its life, so that a crashed holder frees it. A
// handle that can lock it exclusively is the only one: the mutex is new.
// The check and the shared lock are made under an exclusive lock on
// "<name>.gate", so two creators never both find it new.
#include "platform/named_mutex.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "linuxbase/unique_fd.h"
#include "platform/debug_output.h"
#include "platform/error_codes.h"
#include "platform/linux/run_directory.h"

struct platform::NamedMutex {
  linuxbase::UniqueFd fd;  // the shared lock goes with it
};

namespace platform {
namespace {

using linuxbase::UniqueFd;

bool Lock(int fd, int operation) {
  while (flock(fd, operation) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

uint32_t ErrorOf(int error) { return error == EACCES || error == EPERM || error == EROFS ? kErrorAccessDenied : 1117; }

// Paths of the lock file and the gate; false when the run directory fails.
bool Paths(const char* name, std::string* lock, std::string* gate) {
  std::string dir, error;
  if (!RunDirectory("mutex", &dir, &error)) {
    DebugPrintf("named mutex: %s\n", error.c_str());
    return false;
  }
  std::string base = dir + "/" + FileNameFor(name);
  *lock = base + ".lock";
  *gate = base + ".gate";
  return true;
}

// Opens a shared file of the run directory, readable and writable by all.
UniqueFd OpenShared(const std::string& path) {
  UniqueFd fd(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
  if (fd) fchmod(fd.get(), 0666);  // EPERM when another user made it: harmless
  return fd;
}

// Holds the gate for the life of the object.
class Gate {
 public:
  explicit Gate(const std::string& path) : fd_(OpenShared(path)) {
    if (fd_ && !Lock(fd_.get(), LOCK_EX)) fd_.reset();
  }
  bool held() const { return static_cast<bool>(fd_); }

 private:
  UniqueFd fd_;  // the lock goes with it
};

}  // namespace

NamedMutex* CreateNamedMutex(const char* name, bool* alreadyExisted, uint32_t* error) {
  *alreadyExisted = false;
  if (!name || !*name) {
    *error = kErrorInvalidName;
    return nullptr;
  }
  std::string lock, gate_path;
  if (!Paths(name, &lock, &gate_path)) {
    *error = kErrorAccessDenied;
    return nullptr;
  }
  Gate gate(gate_path);
  if (!gate.held()) {
    *error = ErrorOf(errno);
    return nullptr;
  }
  UniqueFd fd = OpenShared(lock);
  if (!fd) {
    *error = ErrorOf(errno);
    return nullptr;
  }
  if (flock(fd.get(), LOCK_EX | LOCK_NB) == 0) {
    // Alone: the mutex is new. Kept shared from now on.
    if (!Lock(fd.get(), LOCK_SH)) {
      *error = ErrorOf(errno);
      return nullptr;
    }
  } else if (errno == EWOULDBLOCK) {
    *alreadyExisted = true;
    if (!Lock(fd.get(), LOCK_SH)) {
      *error = ErrorOf(errno);
      return nullptr;
    }
  } else {
    *error = ErrorOf(errno);
    return nullptr;
  }
  return new NamedMutex{std::move(fd)};
}

bool NamedMutexExists(const char* name) {
  std::string lock, gate_path;
  if (!name || !*name || !Paths(name, &lock, &gate_path)) return false;
  Gate gate(gate_path);
  UniqueFd fd(open(lock.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) return false;
  return flock(fd.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

uint32_t ProbeNamedMutex(const char* name) {
  std::string lock, gate_path;
  if (!name || !*name) return kErrorInvalidName;
  if (!Paths(name, &lock, &gate_path)) return kErrorFileNotFound;
  Gate gate(gate_path);
  UniqueFd fd(open(lock.c_str(), O_RDONLY | O_CLOEXEC));
  // A lock file this user may not open belongs to a mutex of another.
  if (!fd) return errno == EACCES ? kErrorAccessDenied : kErrorFileNotFound;
  bool held = flock(fd.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  return held ? 0 : kErrorFileNotFound;
}

void CloseNamedMutex(NamedMutex* mutex) { delete mutex; }

}  // namespace platform
