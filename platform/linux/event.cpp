// An event is a FIFO in <host root>/run/events/, held open for reading and
// writing by every process that has the event, so it never reports an end.
// Set: one byte written (a full FIFO is already set). Waiting: poll for
// input, then one read that takes every byte, so exactly one waiter sees
// each setting and the event is clear again (automatic reset).
#include "platform/event.h"

#include "platform/event_linux.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include "linuxbase/unique_fd.h"
#include "platform/linux/host_root.h"

struct platform::Event {
  linuxbase::UniqueFd fd;
};

namespace platform {
namespace {

bool ValidName(const std::string& name) {
  if (name.empty() || name.size() > 200) return false;
  for (char c : name)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-'))
      return false;
  return true;
}

}  // namespace

Event* CreateAutoResetEvent(const std::string& name, std::string* error) {
  if (!ValidName(name)) {
    if (error) *error = "invalid event name \"" + name + "\"";
    return nullptr;
  }
  std::string directory = HostRoot() + "/run/events";
  if (!MakeDirectories(directory, error)) return nullptr;
  std::string path = directory + "/" + name;
  if (mkfifo(path.c_str(), 0600) != 0 && errno != EEXIST) {
    if (error) *error = "mkfifo " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  linuxbase::UniqueFd fd(open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
  if (!fd) {
    if (error) *error = "open " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  struct stat st;
  if (fstat(fd.get(), &st) != 0 || !S_ISFIFO(st.st_mode)) {
    if (error) *error = path + " is not an event";
    return nullptr;
  }
  return new Event{std::move(fd)};
}

bool SetEvent(Event* event) {
  if (!event) return false;
  const char byte = 1;
  while (write(event->fd.get(), &byte, 1) != 1) {
    if (errno == EINTR) continue;
    return errno == EAGAIN;  // full: already set
  }
  return true;
}

bool ClearIfSet(Event* event) {
  if (!event) return false;
  char bytes[4096];
  for (;;) {
    ssize_t n = read(event->fd.get(), bytes, sizeof bytes);
    if (n > 0) return true;
    if (n < 0 && errno == EINTR) continue;
    return false;
  }
}

bool WaitEvent(Event* event, int timeout_ms) {
  if (!event) return false;
  for (;;) {
    pollfd waiting{event->fd.get(), POLLIN, 0};
    int ready = poll(&waiting, 1, timeout_ms < 0 ? -1 : timeout_ms);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    // Another waiter may have taken the setting first: wait on.
    if (ClearIfSet(event)) return true;
    if (timeout_ms >= 0) return false;
  }
}

void CloseEvent(Event* event) { delete event; }

void* EventHandle(Event* event) { return event; }

int EventDescriptor(Event* event) { return event ? event->fd.get() : -1; }

Event* EventFromHandle(void* handle) { return static_cast<Event*>(handle); }

bool WaitEventHandle(void* handle, int timeout_ms) { return WaitEvent(EventFromHandle(handle), timeout_ms); }

}  // namespace platform
