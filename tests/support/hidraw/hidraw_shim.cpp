// LD_PRELOAD shim standing in for Linux's hidraw, for the tests of the real
// open, ioctl and read path of a program that reads a USB UPS. Under the
// folder that VIGIL_HIDRAW_ROOT names (read at every call; unset, the shim
// does nothing), a test keeps a small device model (hidraw_device.h):
//   dev/hidrawN          a listening SOCK_SEQPACKET socket: opening
//                        "/dev/hidrawN" connects to it, and each packet the
//                        test sends is one input report for read()
//   sys/class/hidraw/... the sysfs tree: "/sys/class/hidraw" and below, as
//                        opened by open(), openat() and opendir(), lead here
//   model/hidrawN/       "descriptor" (its bytes), "info" ("BUS VENDOR
//                        PRODUCT", hexadecimal), "feature-XX" (the feature
//                        report of id XX, hexadecimal, id byte first)
// On a descriptor opened here, as the kernel's hidraw does:
//   HIDIOCGRDESCSIZE, HIDIOCGRDESC (min of the asked and the real size),
//   HIDIOCGRAWINFO, HIDIOCGFEATURE (the file's bytes cut to the buffer;
//   EPIPE, a stalled request, when the UPS has no such report);
//   once the device is unplugged (its model folder gone) every ioctl fails
//   with ENODEV, and read() with EIO once the test has closed its end.
// Descriptors are followed through close() but not dup(). Every other path,
// descriptor and request goes to the C library unchanged.
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr int kFdsFollowed = 4096;
// For each descriptor opened here, its hidraw number + 1; 0 for any other.
std::atomic<int> node_of_fd[kFdsFollowed];

template <typename F>
F Next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

const char* Root() {
  const char* root = std::getenv("VIGIL_HIDRAW_ROOT");
  return root && *root ? root : nullptr;
}

bool StartsWith(const char* s, const char* prefix) { return std::strncmp(s, prefix, std::strlen(prefix)) == 0; }

// The hidraw number of "/dev/hidrawN", or -1.
int HidrawNumber(const char* path) {
  if (!StartsWith(path, "/dev/hidraw")) return -1;
  const char* digits = path + std::strlen("/dev/hidraw");
  if (!*digits || std::strlen(digits) > 6) return -1;
  for (const char* p = digits; *p; ++p)
    if (*p < '0' || *p > '9') return -1;
  return std::atoi(digits);
}

// "/sys/class/hidraw..." under the root, or the path unchanged.
std::string Redirected(const char* path) {
  const char* root = Root();
  if (root && StartsWith(path, "/sys/class/hidraw")) return std::string(root) + path;
  return path;
}

int ConnectNode(int number, int flags) {
  std::string path = std::string(Root()) + "/dev/hidraw" + std::to_string(number);
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) {
    errno = ENAMETOOLONG;
    return -1;
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  int type = SOCK_SEQPACKET | SOCK_CLOEXEC;
  int fd = socket(AF_UNIX, type, 0);
  if (fd < 0) return -1;
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    int e = errno;
    Next<int (*)(int)>("close")(fd);
    errno = (e == ECONNREFUSED) ? ENOENT : e;  // a socket file left behind is no device
    return -1;
  }
  if ((flags & O_NONBLOCK) && fcntl(fd, F_SETFL, O_NONBLOCK) != 0) {
    Next<int (*)(int)>("close")(fd);
    return -1;
  }
  if (fd >= kFdsFollowed) {
    Next<int (*)(int)>("close")(fd);
    errno = EMFILE;
    return -1;
  }
  node_of_fd[fd] = number + 1;
  return fd;
}

mode_t ModeOf(int flags, va_list args) {
  return (flags & (O_CREAT | O_TMPFILE)) ? static_cast<mode_t>(va_arg(args, int)) : 0;
}

int OpenAt(const char* real_name, int dirfd, const char* path, int flags, mode_t mode) {
  if (Root() && path) {
    int number = HidrawNumber(path);
    if (number >= 0) return ConnectNode(number, flags);
    if (StartsWith(path, "/sys/class/hidraw")) {
      std::string to = Redirected(path);
      return Next<int (*)(int, const char*, int, ...)>("openat")(dirfd, to.c_str(), flags, mode);
    }
  }
  if (std::strcmp(real_name, "openat") == 0 || std::strcmp(real_name, "openat64") == 0)
    return Next<int (*)(int, const char*, int, ...)>(real_name)(dirfd, path, flags, mode);
  return Next<int (*)(const char*, int, ...)>(real_name)(path, flags, mode);
}

int ModelFd(int fd) { return fd >= 0 && fd < kFdsFollowed ? node_of_fd[fd].load() - 1 : -1; }

std::string ModelFile(int number, const std::string& name) {
  return std::string(Root() ? Root() : "") + "/model/hidraw" + std::to_string(number) + "/" + name;
}

bool ModelPresent(int number) {
  struct stat st;
  return Root() && stat(ModelFile(number, "").c_str(), &st) == 0;
}

// Reads a model file whole, up to `max` bytes; -1 when it is missing.
long ReadModelFile(int number, const std::string& name, unsigned char* into, size_t max) {
  FILE* f = std::fopen(ModelFile(number, name).c_str(), "rb");
  if (!f) return -1;
  size_t n = std::fread(into, 1, max, f);
  std::fclose(f);
  return static_cast<long>(n);
}

int HidrawIoctl(int number, unsigned long request, void* arg) {
  if (!ModelPresent(number)) {
    errno = ENODEV;
    return -1;
  }
  static thread_local unsigned char buffer[HID_MAX_DESCRIPTOR_SIZE];
  if (request == HIDIOCGRDESCSIZE) {
    long n = ReadModelFile(number, "descriptor", buffer, sizeof buffer);
    if (n < 0) {
      errno = ENODEV;
      return -1;
    }
    *static_cast<int*>(arg) = static_cast<int>(n);
    return 0;
  }
  if (request == HIDIOCGRDESC) {
    auto* d = static_cast<hidraw_report_descriptor*>(arg);
    if (d->size > HID_MAX_DESCRIPTOR_SIZE - 1) {
      errno = EINVAL;
      return -1;
    }
    long n = ReadModelFile(number, "descriptor", buffer, sizeof buffer);
    if (n < 0) {
      errno = ENODEV;
      return -1;
    }
    std::memcpy(d->value, buffer, static_cast<size_t>(n) < d->size ? static_cast<size_t>(n) : d->size);
    return 0;
  }
  if (request == HIDIOCGRAWINFO) {
    char text[64] = {};
    long n = ReadModelFile(number, "info", reinterpret_cast<unsigned char*>(text), sizeof text - 1);
    unsigned bus = 0, vendor = 0, product = 0;
    if (n < 0 || std::sscanf(text, "%x %x %x", &bus, &vendor, &product) != 3) {
      errno = ENODEV;
      return -1;
    }
    auto* info = static_cast<hidraw_devinfo*>(arg);
    info->bustype = bus;
    info->vendor = static_cast<__s16>(vendor);
    info->product = static_cast<__s16>(product);
    return 0;
  }
  if (_IOC_TYPE(request) == 'H' && _IOC_NR(request) == _IOC_NR(HIDIOCGFEATURE(0)) &&
      _IOC_DIR(request) == (_IOC_READ | _IOC_WRITE)) {
    size_t size = _IOC_SIZE(request);
    auto* report = static_cast<unsigned char*>(arg);
    if (size == 0) {
      errno = EINVAL;
      return -1;
    }
    char name[16];
    std::snprintf(name, sizeof name, "feature-%02X", report[0]);
    long n = ReadModelFile(number, name, buffer, sizeof buffer);
    if (n < 0) {
      errno = EPIPE;
      return -1;
    }
    size_t copied = static_cast<size_t>(n) < size ? static_cast<size_t>(n) : size;
    std::memcpy(report, buffer, copied);
    return static_cast<int>(copied);
  }
  errno = ENOTTY;
  return -1;
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  mode_t mode = ModeOf(flags, args);
  va_end(args);
  return OpenAt("open", AT_FDCWD, path, flags, mode);
}

int open64(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  mode_t mode = ModeOf(flags, args);
  va_end(args);
  return OpenAt("open64", AT_FDCWD, path, flags, mode);
}

int openat(int dirfd, const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  mode_t mode = ModeOf(flags, args);
  va_end(args);
  return OpenAt("openat", dirfd, path, flags, mode);
}

int openat64(int dirfd, const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  mode_t mode = ModeOf(flags, args);
  va_end(args);
  return OpenAt("openat64", dirfd, path, flags, mode);
}

// What _FORTIFY_SOURCE builds call for an open without a mode.
int __open_2(const char* path, int flags) { return OpenAt("open", AT_FDCWD, path, flags, 0); }
int __open64_2(const char* path, int flags) { return OpenAt("open64", AT_FDCWD, path, flags, 0); }

DIR* opendir(const char* path) {
  std::string to = Redirected(path);
  return Next<DIR* (*)(const char*)>("opendir")(to.c_str());
}

int close(int fd) {
  if (fd >= 0 && fd < kFdsFollowed) node_of_fd[fd] = 0;
  return Next<int (*)(int)>("close")(fd);
}

ssize_t read(int fd, void* buffer, size_t count) {
  ssize_t n = Next<ssize_t (*)(int, void*, size_t)>("read")(fd, buffer, count);
  if (n == 0 && count > 0 && ModelFd(fd) >= 0) {  // the test closed its end: unplugged
    errno = EIO;
    return -1;
  }
  return n;
}

int ioctl(int fd, unsigned long request, ...) {
  va_list args;
  va_start(args, request);
  void* arg = va_arg(args, void*);
  va_end(args);
  int number = ModelFd(fd);
  if (number >= 0) return HidrawIoctl(number, request, arg);
  return Next<int (*)(int, unsigned long, ...)>("ioctl")(fd, request, arg);
}

}  // extern "C"
