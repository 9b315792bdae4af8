// A POSIX shared-memory object named after the section and the host root, so
// that separate roots never share. Every holder keeps a shared flock on it;
// a process that can take the lock exclusively is alone and (re)initialises
// the content, which gives the "initial image while nobody holds it" rule
// even after holders crashed.
#include "platform/shared_section_linux.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "linuxbase/unique_fd.h"
#include "platform/linux/host_root.h"

struct platform::SharedSection {
  linuxbase::UniqueFd fd;  // the holder's shared lock goes with it
  void* data = nullptr;
  size_t size = 0;
};

namespace platform {
namespace {

// 64-bit FNV-1a: a stable digest of the host root for the object's name.
uint64_t Digest(const std::string& text) {
  uint64_t hash = 0xcbf29ce484222325ull;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 0x100000001b3ull;
  }
  return hash;
}

std::string ObjectName(const char* name) {
  std::error_code ignored;
  // Two spellings of one root must meet in one section.
  std::string root = std::filesystem::weakly_canonical(HostRoot(), ignored).string();
  if (root.empty()) root = HostRoot();
  char digest[17];
  std::snprintf(digest, sizeof digest, "%016llx", static_cast<unsigned long long>(Digest(root)));
  return std::string("/vigil20-") + name + "-" + digest;
}

bool Lock(int fd, int operation) {
  while (flock(fd, operation) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

bool Fail(std::string* error, const std::string& what) {
  if (error) *error = what + ": " + std::strerror(errno);
  return false;
}

// Takes the holder's shared lock, initialising the content when alone.
bool Attach(int fd, const void* initial, size_t size, std::string* error) {
  if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
    if (ftruncate(fd, static_cast<off_t>(size)) != 0) return Fail(error, "ftruncate");
    if (pwrite(fd, initial, size, 0) != static_cast<ssize_t>(size)) return Fail(error, "initial write");
    // A holder arriving between the two calls may initialise again: harmless,
    // since nobody has changed the content yet.
    if (!Lock(fd, LOCK_SH)) return Fail(error, "flock");
    return true;
  }
  if (errno != EWOULDBLOCK) return Fail(error, "flock");
  if (!Lock(fd, LOCK_SH)) return Fail(error, "flock");
  struct stat st;
  if (fstat(fd, &st) != 0) return Fail(error, "fstat");
  if (st.st_size != static_cast<off_t>(size)) {
    if (error) *error = "the section has " + std::to_string(st.st_size) + " bytes, not " + std::to_string(size);
    return false;
  }
  return true;
}

}  // namespace

SharedSection* OpenSharedSection(const char* name, const void* initial, size_t size, std::string* error) {
  std::string object = ObjectName(name);
  linuxbase::UniqueFd fd(shm_open(object.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
  if (!fd) {
    Fail(error, "shm_open " + object);
    return nullptr;
  }
  // Any local user's process may hold the section; the umask must not stop
  // them. Only the object's owner may change that, so EPERM is expected.
  if (fchmod(fd.get(), 0666) != 0 && errno != EPERM) {
    Fail(error, "fchmod " + object);
    return nullptr;
  }
  if (!Attach(fd.get(), initial, size, error)) return nullptr;
  void* data = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd.get(), 0);
  if (data == MAP_FAILED) {
    Fail(error, "mmap " + object);
    return nullptr;
  }
  return new SharedSection{std::move(fd), data, size};
}

void* SharedSectionData(SharedSection* section) { return section->data; }

void CloseSharedSection(SharedSection* section) {
  if (!section) return;
  // Given back, but not taken away from a thread that still uses it (a
  // process ended through exit() from another thread: on Windows the other
  // threads are stopped first). Private memory with the last contents takes
  // the section's place; the hold goes with the descriptor.
  std::vector<unsigned char> last(static_cast<unsigned char*>(section->data),
                                  static_cast<unsigned char*>(section->data) + section->size);
  void* kept =
      mmap(section->data, section->size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
  if (kept == section->data)
    std::memcpy(kept, last.data(), last.size());
  else
    munmap(section->data, section->size);
  delete section;
}

void RemoveSharedSection(const char* name) { shm_unlink(ObjectName(name).c_str()); }

}  // namespace platform
