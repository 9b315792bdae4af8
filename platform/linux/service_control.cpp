// The service control manager stand-in. A service's record lives in the
// registry under System\CurrentControlSet\Services\<name>, as on Windows.
// Its run-time files are in <root>/run/scm:
//
//   <name>.status  the last status reported, one line of numbers
//   <name>.lock    locked by the service's process while it runs
//   <name>.ctl     the socket on which the running service takes controls
//   <name>.start   the one-time mark of a start under way
//   <name>.log     the service's standard output and error
//
// A start writes a fresh mark and launches the image path detached, with
// the mark in its environment; the program's RunServiceDispatcher accepts
// only a mark that matches the file, and removes the file, which tells the
// starter that the service has connected. A program started any other way
// finds no matching mark and is refused (1063), as on Windows.
#include "platform/service_control.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <poll.h>
#include <sstream>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "linuxbase/unique_fd.h"
#include "platform/debug_output.h"
#include "platform/directories.h"
#include "platform/error_codes.h"
#include "platform/linux/host_root.h"
#include "platform/linux/run_directory.h"
#include "platform/linux/service_messages.h"
#include "platform/registry.h"
#include "platform/seqpacket_linux.h"

extern char** environ;

struct platform::ScObject {
  bool manager;
  uint32_t access;
  std::string name;  // a service's name as stored
};

struct platform::ServiceStatusObject {
  std::string name;
  ServiceControlHandler handler;
  std::mutex lock;
  ServiceStatus status;
  int stopped;  // eventfd: the service reported itself stopped
};

namespace platform {
namespace {

using linuxbase::UniqueFd;

constexpr const char* kServicesKey = "System\\CurrentControlSet\\Services";
constexpr const char* kMarkVariable = "VIGIL20_SERVICE_MARK";
constexpr auto kConnectLimit = std::chrono::seconds(30);
constexpr auto kEndingLimit = std::chrono::seconds(10);
constexpr int kControlReplyMs = 30000;

std::string KeyOf(const std::string& name) { return std::string(kServicesKey) + "\\" + name; }

bool ScmFile(const std::string& name, const char* suffix, std::string* path) {
  std::string dir, error;
  if (!RunDirectory("scm", &dir, &error)) {
    DebugPrintf("service manager: %s\n", error.c_str());
    return false;
  }
  *path = dir + "/" + FileNameFor(name) + suffix;
  return true;
}

// Full access needs the right to change the host root, as administrators
// alone may change the services on Windows.
bool MayAdminister() { return geteuid() == 0 || access(HostRoot().c_str(), W_OK) == 0; }

bool WriteWhole(const std::string& path, const std::string& text, mode_t mode) {
  std::string temporary = path + ".new";
  UniqueFd fd(open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode));
  if (!fd) return false;
  bool written = write(fd.get(), text.data(), text.size()) == static_cast<ssize_t>(text.size());
  written = fd.Close() && written;
  if (written && rename(temporary.c_str(), path.c_str()) == 0) return true;
  unlink(temporary.c_str());
  return false;
}

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool WriteStatus(const std::string& name, const ServiceStatus& s) {
  std::string path;
  if (!ScmFile(name, ".status", &path)) return false;
  return WriteWhole(path, scm::FormatStatusLine(s), 0644);
}

bool ReadStatus(const std::string& name, ServiceStatus* s) {
  std::string path;
  if (!ScmFile(name, ".status", &path)) return false;
  std::optional<ServiceStatus> read = scm::ParseStatusLine(ReadWhole(path));
  if (!read) return false;
  *s = *read;
  return true;
}

// True while the service's process holds its lock.
bool ProcessRuns(const std::string& name) {
  std::string path;
  if (!ScmFile(name, ".lock", &path)) return false;
  UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) return false;
  return flock(fd.get(), LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

// The record's values; false when the service is not installed.
bool ReadRecord(const std::string& name, ServiceConfig* config) {
  RegKeyHandle key;
  if (OpenRegKey(kLocalMachine, KeyOf(name), kKeyQueryValue, key.out()) != kRegOk) return false;
  std::string image;
  if (QueryRegString(key.get(), "ImagePath", 32768, &image) != kRegOk) {
    // Stored as REG_EXPAND_SZ; the typed reader takes REG_SZ only.
    uint8_t data[4096];
    uint32_t size = sizeof data - 1, type = 0;
    if (QueryRegValue(key.get(), "ImagePath", &type, data, &size) != kRegOk || (type != kRegExpandSz && type != kRegSz))
      return false;
    data[size] = 0;
    image = reinterpret_cast<const char*>(data);
  }
  config->name = name;
  config->imagePath = image;
  QueryRegString(key.get(), "DisplayName", 4096, &config->displayName);
  uint32_t value = 0;
  if (QueryRegDword(key.get(), "Type", &value) == kRegOk) config->serviceType = value;
  if (QueryRegDword(key.get(), "Start", &value) == kRegOk) config->startType = value;
  return true;
}

// %NAME% replaced by the environment's NAME, as REG_EXPAND_SZ is read.
std::string Expand(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    size_t end = text[i] == '%' ? text.find('%', i + 1) : std::string::npos;
    const char* value = end != std::string::npos ? std::getenv(text.substr(i + 1, end - i - 1).c_str()) : nullptr;
    if (value) {
      out += value;
      i = end;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string FreshMark() {
  unsigned char bytes[16] = {};
  UniqueFd fd(open("/dev/urandom", O_RDONLY | O_CLOEXEC));
  ssize_t got = fd ? read(fd.get(), bytes, sizeof bytes) : -1;
  fd.reset();
  if (got != static_cast<ssize_t>(sizeof bytes)) {
    // No randomness: the time and the process still make the mark unique.
    auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    std::memcpy(bytes, &now, sizeof now);
    pid_t pid = getpid();
    std::memcpy(bytes + 8, &pid, sizeof pid);
  }
  char text[33];
  for (size_t i = 0; i < sizeof bytes; ++i) std::snprintf(text + 2 * i, 3, "%02x", bytes[i]);
  return text;
}

// Launches `words` detached (its own session, re-parented at once), in the
// system directory, its output appended to `log`. `started` is called with
// the process's id before the program runs, so that nothing it records is
// older than what the program reports. The process's id, or 0.
pid_t LaunchDetached(const std::vector<std::string>& words, const std::string& mark, const std::string& log,
                     const std::function<void(pid_t)>& started) {
  char system_dir[4096];
  uint32_t length = GetSystemDir(system_dir, sizeof system_dir);
  if (length == 0 || length >= sizeof system_dir) system_dir[0] = '\0';
  std::vector<std::string> environment_words;
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, kMarkVariable, std::strlen(kMarkVariable)) != 0) environment_words.push_back(*e);
  environment_words.push_back(std::string(kMarkVariable) + "=" + mark);
  std::vector<char*> env, argv;
  for (auto& e : environment_words) env.push_back(e.data());
  env.push_back(nullptr);
  std::vector<std::string> arguments = words;
  for (auto& a : arguments) argv.push_back(a.data());
  argv.push_back(nullptr);

  // `report` brings the service's process id back; the service waits on
  // `go` until the start is recorded.
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return 0;
  UniqueFd report_read(ends[0]), report_write(ends[1]);
  if (pipe2(ends, O_CLOEXEC) != 0) return 0;
  UniqueFd go_read(ends[0]), go_write(ends[1]);
  pid_t child = fork();
  if (child < 0) return 0;
  if (child == 0) {
    setsid();
    pid_t service = fork();
    if (service == 0) {
      int null_fd = open("/dev/null", O_RDONLY);
      int log_fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
      if (null_fd >= 0) dup2(null_fd, STDIN_FILENO);
      if (log_fd >= 0) {
        dup2(log_fd, STDOUT_FILENO);
        dup2(log_fd, STDERR_FILENO);
      }
      if (system_dir[0] && chdir(system_dir) != 0) _exit(126);
      // Until the starter has recorded the start (its end of `go` closes).
      // A forked child closes by hand: it leaves by exec or _exit, and no
      // owner of this copy of the parent's memory may act for it.
      close(go_write.get());
      char ignored;
      while (read(go_read.get(), &ignored, 1) < 0 && errno == EINTR) {
      }
      execve(argv[0], argv.data(), env.data());
      _exit(127);
    }
    (void)!write(report_write.get(), &service, sizeof service);
    _exit(service > 0 ? 0 : 1);
  }
  report_write.reset();
  go_read.reset();
  pid_t service = 0;
  if (read(report_read.get(), &service, sizeof service) != static_cast<ssize_t>(sizeof service)) service = 0;
  report_read.reset();
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (service > 0) started(service);
  go_write.reset();
  return service > 0 ? service : 0;
}

bool ProcessAlive(pid_t pid) { return pid > 0 && (kill(pid, 0) == 0 || errno == EPERM); }

// The dispatcher of this process, while it runs.
std::mutex dispatcher_lock;
ServiceStatusObject* dispatcher = nullptr;

}  // namespace

uint32_t OpenServiceManager(uint32_t access, ScHandle* out) {
  if ((access & ~(kScManagerConnect | 0x0004 | 0x0010 | 0x20000)) != 0 && !MayAdminister()) return kErrorAccessDenied;
  *out = new ScObject{true, access, ""};
  return 0;
}

uint32_t CreateServiceEntry(ScHandle manager, const ServiceConfig& config, uint32_t access, ScHandle* out) {
  if (!manager || !manager->manager) return kErrorInvalidHandle;
  if (!(manager->access & 0x0002)) return kErrorAccessDenied;  // SC_MANAGER_CREATE_SERVICE
  if (config.name.empty() || config.name.find_first_of("\\/") != std::string::npos || config.imagePath.empty())
    return kErrorInvalidParameter;
  ServiceConfig existing;
  if (ReadRecord(config.name, &existing)) return kErrorServiceExists;
  RegKeyHandle key;
  bool created = false;
  long result = CreateRegKey(kLocalMachine, KeyOf(config.name), kKeyAllAccess, key.out(), &created);
  if (result != kRegOk) return result == kRegAccessDenied ? kErrorAccessDenied : kErrorIoDevice;
  const std::string& image = config.imagePath;
  if (SetRegDword(key.get(), "Type", config.serviceType) != kRegOk ||
      SetRegDword(key.get(), "Start", config.startType) != kRegOk ||
      SetRegDword(key.get(), "ErrorControl", config.errorControl) != kRegOk ||
      SetRegValue(key.get(), "ImagePath", kRegExpandSz, reinterpret_cast<const uint8_t*>(image.c_str()),
                  static_cast<uint32_t>(image.size() + 1)) != kRegOk ||
      SetRegString(key.get(), "DisplayName", config.displayName.empty() ? config.name : config.displayName) != kRegOk ||
      SetRegString(key.get(), "ObjectName", "LocalSystem") != kRegOk) {
    key.Reset();
    DeleteRegTree(kLocalMachine, KeyOf(config.name));
    return kErrorIoDevice;
  }
  *out = new ScObject{false, access, config.name};
  return 0;
}

uint32_t OpenServiceEntry(ScHandle manager, const std::string& name, uint32_t access, ScHandle* out) {
  if (!manager || !manager->manager) return kErrorInvalidHandle;
  ServiceConfig config;
  if (name.empty() || name.find_first_of("\\/") != std::string::npos || !ReadRecord(name, &config))
    return kErrorServiceDoesNotExist;
  if ((access & ~(kServiceQueryStatus | 0x0001 | 0x0008 | 0x0080 | 0x20000)) != 0 && !MayAdminister())
    return kErrorAccessDenied;
  *out = new ScObject{false, access, name};
  return 0;
}

uint32_t StartServiceEntry(ScHandle service) {
  if (!service || service->manager) return kErrorInvalidHandle;
  if (!(service->access & kServiceStart)) return kErrorAccessDenied;
  ServiceConfig config;
  if (!ReadRecord(service->name, &config)) return kErrorServiceDoesNotExist;
  if (config.startType == kServiceDisabled) return 1058;  // ERROR_SERVICE_DISABLED
  // A process that has reported itself stopped is on its way out: its end
  // is awaited, not taken for a service still running.
  ServiceStatus last;
  auto ending_by = std::chrono::steady_clock::now() + kEndingLimit;
  while (ProcessRuns(service->name) && ReadStatus(service->name, &last) && last.currentState == kServiceStopped &&
         std::chrono::steady_clock::now() < ending_by)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (ProcessRuns(service->name)) return kErrorServiceAlreadyRunning;
  std::vector<std::string> words = scm::SplitCommandLine(Expand(config.imagePath));
  std::string mark_path, log_path;
  if (words.empty()) return kErrorFileNotFound;
  if (!ScmFile(service->name, ".start", &mark_path) || !ScmFile(service->name, ".log", &log_path))
    return kErrorAccessDenied;
  if (access(words[0].c_str(), X_OK) != 0) return kErrorFileNotFound;
  std::string mark = FreshMark();
  if (!WriteWhole(mark_path, mark, 0600)) return kErrorAccessDenied;
  ServiceStatus pending;
  pending.serviceType = config.serviceType;
  pending.currentState = kServiceStartPending;
  pending.waitHint = 2000;
  // Recorded before the program runs: a status it reports at once is not
  // overwritten by this one.
  pid_t pid = LaunchDetached(words, mark, log_path, [&](pid_t started) {
    pending.processId = static_cast<uint32_t>(started);
    WriteStatus(service->name, pending);
  });
  if (pid == 0) {
    WriteStatus(service->name, pending);
    unlink(mark_path.c_str());
    return kErrorFileNotFound;
  }
  // Taken once the program has connected: its dispatcher removes the mark.
  auto deadline = std::chrono::steady_clock::now() + kConnectLimit;
  while (access(mark_path.c_str(), F_OK) == 0) {
    if (!ProcessAlive(pid) || std::chrono::steady_clock::now() >= deadline) {
      unlink(mark_path.c_str());
      ServiceStatus stopped = pending;
      stopped.currentState = kServiceStopped;
      stopped.win32ExitCode = kErrorServiceRequestTimeout;
      stopped.processId = 0;
      if (!ProcessRuns(service->name)) WriteStatus(service->name, stopped);
      return kErrorServiceRequestTimeout;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return 0;
}

uint32_t QueryServiceEntry(ScHandle service, ServiceStatus* status) {
  if (!service || service->manager) return kErrorInvalidHandle;
  ServiceConfig config;
  if (!ReadRecord(service->name, &config)) return kErrorServiceDoesNotExist;
  ServiceStatus read;
  if (!ReadStatus(service->name, &read)) {
    read = {};
    read.serviceType = config.serviceType;
    read.currentState = kServiceStopped;
    read.win32ExitCode = kErrorServiceNeverStarted;
  } else if (read.currentState != kServiceStopped && !ProcessRuns(service->name) &&
             !(read.currentState == kServiceStartPending && ProcessAlive(static_cast<pid_t>(read.processId)))) {
    // The process ended without reporting itself stopped.
    read.currentState = kServiceStopped;
    read.controlsAccepted = 0;
    read.win32ExitCode = kErrorProcessAborted;
    read.processId = 0;
  }
  if (read.currentState == kServiceStopped) read.processId = 0;
  *status = read;
  return 0;
}

uint32_t ControlServiceEntry(ScHandle service, uint32_t control, ServiceStatus* status) {
  if (!service || service->manager) return kErrorInvalidHandle;
  ServiceStatus current;
  uint32_t result = QueryServiceEntry(service, &current);
  if (result != 0) return result;
  if (current.currentState == kServiceStopped || !ProcessRuns(service->name)) return kErrorServiceNotActive;
  if (control != kServiceControlInterrogate) {
    if (control == kServiceControlStop && !(service->access & kServiceStop)) return kErrorAccessDenied;
    if (current.currentState == kServiceStartPending || current.currentState == kServiceStopPending)
      return kErrorServiceCannotAcceptControl;
    uint32_t needed = control == kServiceControlStop ? kServiceAcceptStop : kServiceAcceptPauseContinue;
    if ((control == kServiceControlStop || control == kServiceControlPause || control == kServiceControlContinue) &&
        !(current.controlsAccepted & needed))
      return kErrorInvalidServiceControl;
  }
  std::string path;
  if (!ScmFile(service->name, ".ctl", &path)) return kErrorAccessDenied;
  UniqueFd fd(seqpacket::Connect(path));
  if (!fd) return errno == EACCES ? kErrorAccessDenied : kErrorServiceNotActive;
  // One byte more than a reply, so that a longer message is seen as such.
  uint8_t reply[sizeof(ServiceStatus) + 1];
  ssize_t n = seqpacket::Send(fd.get(), &control, sizeof control)
                  ? seqpacket::Receive(fd.get(), reply, sizeof reply, kControlReplyMs)
                  : -1;
  fd.reset();
  std::optional<ServiceStatus> answer = n > 0 ? scm::DecodeStatusReply(reply, static_cast<size_t>(n)) : std::nullopt;
  if (!answer) return kErrorServiceRequestTimeout;
  *status = *answer;
  return 0;
}

uint32_t DeleteServiceEntry(ScHandle service) {
  if (!service || service->manager) return kErrorInvalidHandle;
  if (!(service->access & kServiceDelete)) return kErrorAccessDenied;
  long result = DeleteRegTree(kLocalMachine, KeyOf(service->name));
  if (result == kRegNotFound) return kErrorServiceDoesNotExist;
  if (result != kRegOk) return result == kRegAccessDenied ? kErrorAccessDenied : kErrorIoDevice;
  // A running service keeps its files until it stops.
  std::string path;
  if (!ProcessRuns(service->name) && ScmFile(service->name, ".status", &path)) unlink(path.c_str());
  return 0;
}

void CloseScHandle(ScHandle handle) { delete handle; }

uint32_t RunServiceDispatcher(const char* name, ServiceMainFunction serviceMain) {
  const char* mark = std::getenv(kMarkVariable);
  std::string mark_path, lock_path, control_path;
  if (!name || !*name || !mark || !ScmFile(name, ".start", &mark_path) || !ScmFile(name, ".lock", &lock_path) ||
      !ScmFile(name, ".ctl", &control_path))
    return kErrorFailedServiceControllerConnect;
  if (ReadWhole(mark_path) != mark) return kErrorFailedServiceControllerConnect;
  // The mark is for this process alone, not for the programs it starts.
  unsetenv(kMarkVariable);

  UniqueFd lock(open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
  if (!lock || flock(lock.get(), LOCK_EX | LOCK_NB) != 0) return kErrorServiceAlreadyRunning;
  UniqueFd listener(seqpacket::Listen(control_path, 0600, 4));
  UniqueFd stopped(eventfd(0, EFD_CLOEXEC));
  if (!listener || !stopped) return kErrorAccessDenied;
  auto* state = new ServiceStatusObject{name, nullptr, {}, {}, stopped.get()};
  {
    std::lock_guard<std::mutex> hold(dispatcher_lock);
    dispatcher = state;
  }
  // Connected: the starter may return.
  unlink(mark_path.c_str());
  std::thread main_thread(serviceMain);

  for (;;) {
    pollfd fds[2] = {{listener.get(), POLLIN, 0}, {stopped.get(), POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[1].revents & POLLIN) break;
    if (!(fds[0].revents & POLLIN)) continue;
    UniqueFd connection(seqpacket::Accept(listener.get()));
    if (!connection) continue;
    int fd = connection.get();
    uint8_t message[sizeof(uint32_t) + 1];
    ssize_t n = seqpacket::Receive(fd, message, sizeof message, 5000);
    std::optional<uint32_t> decoded = n > 0 ? scm::DecodeControl(message, static_cast<size_t>(n)) : std::nullopt;
    if (decoded) {
      uint32_t control = *decoded;
      ServiceControlHandler handler = nullptr;
      {
        std::lock_guard<std::mutex> hold(state->lock);
        handler = state->handler;
      }
      // Controls run on this thread, as the dispatcher's thread runs them on Windows.
      if (handler) handler(control);
      ServiceStatus reply;
      {
        std::lock_guard<std::mutex> hold(state->lock);
        reply = state->status;
      }
      seqpacket::Send(fd, &reply, sizeof reply);
    }
  }
  main_thread.join();
  {
    std::lock_guard<std::mutex> hold(dispatcher_lock);
    dispatcher = nullptr;
  }
  listener.reset();
  unlink(control_path.c_str());
  delete state;
  return 0;
}

uint32_t RegisterServiceHandler(const char* name, ServiceControlHandler handler, ServiceStatusHandle* out) {
  std::lock_guard<std::mutex> hold(dispatcher_lock);
  if (!dispatcher || !name || dispatcher->name != name) return kErrorServiceDoesNotExist;
  {
    std::lock_guard<std::mutex> hold_state(dispatcher->lock);
    dispatcher->handler = handler;
  }
  *out = dispatcher;
  return 0;
}

uint32_t ReportServiceStatus(ServiceStatusHandle handle, const ServiceStatus& status) {
  if (!handle) return kErrorInvalidHandle;
  ServiceStatus stored = status;
  stored.processId = static_cast<uint32_t>(getpid());
  {
    std::lock_guard<std::mutex> hold(handle->lock);
    handle->status = stored;
    if (!WriteStatus(handle->name, stored)) return kErrorIoDevice;
  }
  if (status.currentState == kServiceStopped) {
    uint64_t one = 1;
    if (write(handle->stopped, &one, sizeof one) < 0) return kErrorIoDevice;
  }
  return 0;
}

}  // namespace platform
