// The window-message stand-in: each thread with a message queue has a poll
// loop over an eventfd (posted messages), its windows' timers, the sockets
// it watches and, for each top-level window, a SOCK_SEQPACKET socket in
// <root>/run/windows through which other processes send and post to it.
// Registered message names are numbered by their line in the shared file
// <root>/run/windows/messages, so every process agrees on them.
#include "platform/window_messages.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

#include "linuxbase/unique_fd.h"
#include "linuxbase/unique_file.h"
#include "platform/debug_output.h"
#include "platform/error_codes.h"
#include "platform/event_loop_linux.h"
#include "platform/linux/run_directory.h"
#include "platform/seqpacket_linux.h"

using Clock = std::chrono::steady_clock;

namespace platform {
namespace {

using linuxbase::UniqueFd;

constexpr size_t kMaxNameBytes = 255;
// How long a broadcast waits for one window of another process.
constexpr int kRemoteReplyMs = 5000;
constexpr const char* kSocketSuffix = ".win";

// One message between processes: a send (answered with the 8-byte result)
// or a post (not answered).
struct WireMessage {
  uint32_t kind;
  uint32_t message;
  uint64_t wParam;
  int64_t lParam;
};
constexpr uint32_t kWireSend = 1;
constexpr uint32_t kWirePost = 2;

struct Timer {
  uintptr_t id;
  uint32_t period;
  Clock::time_point due;
};

struct SocketWatch {
  int fd;
  Window window;
  uint32_t message;
  uintptr_t socketId;
  bool readArmed;
};

struct Posted {
  Window window;  // nullptr: a message to the thread itself
  uint64_t serial;
  uint32_t message;
  uintptr_t wParam;
  intptr_t lParam;
};

struct ThreadQueue {
  uint32_t thread = 0;
  UniqueFd wake;    // the queue, and so this, lives until the process ends
  std::mutex lock;  // guards `posted` only: other threads post
  std::deque<Posted> posted;
  // The rest belongs to the thread itself.
  std::vector<Window> windows;
  std::vector<SocketWatch> sockets;
};

std::atomic<uint64_t> next_serial{1};

}  // namespace
}  // namespace platform

struct platform::WindowObject {
  ThreadQueue* queue;
  uint64_t serial;
  WindowProcedure procedure;
  linuxbase::UniqueFd listener;  // top-level windows only
  std::string socketPath;
  std::vector<linuxbase::UniqueFd> pending;  // connections whose message has not come yet
  std::vector<Timer> timers;
};

namespace platform {
namespace {

// Never destroyed: a thread may still post while the process exits.
std::mutex& RegistryLock() {
  static auto* lock = new std::mutex;
  return *lock;
}
std::map<uint32_t, ThreadQueue*>& Queues() {
  static auto* queues = new std::map<uint32_t, ThreadQueue*>;
  return *queues;
}

thread_local ThreadQueue* current_queue = nullptr;

ThreadQueue* CurrentQueue() {
  if (current_queue) return current_queue;
  UniqueFd wake(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (!wake) return nullptr;
  auto* queue = new ThreadQueue;
  queue->thread = CurrentThreadId();
  queue->wake = std::move(wake);
  std::lock_guard<std::mutex> hold(RegistryLock());
  Queues()[queue->thread] = queue;
  current_queue = queue;
  return queue;
}

void Wake(ThreadQueue* queue) {
  uint64_t one = 1;
  if (write(queue->wake.get(), &one, sizeof one) < 0 && errno != EAGAIN)
    DebugPrintf("window messages: cannot wake thread %u: %s\n", queue->thread, std::strerror(errno));
}

void Post(ThreadQueue* queue, const Posted& posted) {
  {
    std::lock_guard<std::mutex> hold(queue->lock);
    queue->posted.push_back(posted);
  }
  Wake(queue);
}

bool IsLive(ThreadQueue* queue, Window window, uint64_t serial) {
  for (Window w : queue->windows)
    if (w == window && w->serial == serial) return true;
  return false;
}

intptr_t Dispatch(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (!window->procedure) return DefaultWindowProcedure(window, message, wParam, lParam);
  return window->procedure(window, message, wParam, lParam);
}

std::string WindowsDirectory() {
  std::string dir, error;
  if (!RunDirectory("windows", &dir, &error)) {
    DebugPrintf("window messages: %s\n", error.c_str());
    return "";
  }
  return dir;
}

// The registered names, by their number; shared through the messages file.
struct Names {
  std::mutex lock;
  std::vector<std::string> byIndex;  // as last read from the file
};
Names& RegisteredNames() {
  static auto* names = new Names;
  return *names;
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

// Reads the names file (held open as `fd`) into `names`.
bool ReadNames(int fd, std::vector<std::string>* names) {
  std::string text;
  char chunk[4096];
  if (lseek(fd, 0, SEEK_SET) < 0) return false;
  for (;;) {
    ssize_t n = read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    text.append(chunk, static_cast<size_t>(n));
  }
  names->clear();
  size_t start = 0;
  // A last line without its end is a writer that has not finished: not a name yet.
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    names->push_back(text.substr(start, end - start));
  return true;
}

UniqueFd OpenNamesFile() {
  std::string dir = WindowsDirectory();
  if (dir.empty()) return UniqueFd();
  UniqueFd fd(open((dir + "/messages").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
  if (fd) fchmod(fd.get(), 0666);  // EPERM when another user made it: harmless
  return fd;
}

bool LockFile(int fd, int operation) {
  while (flock(fd, operation) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

// ---- the other side of a window socket

// Serves one message that arrived on a window's socket.
void ServeConnection(ThreadQueue* queue, Window window, UniqueFd connection) {
  int fd = connection.get();
  WireMessage wire{};
  bool truncated = false;
  ssize_t n = seqpacket::Receive(fd, &wire, sizeof wire, 0, &truncated);
  // A longer message is not a message cut short.
  if (n == static_cast<ssize_t>(sizeof wire) && !truncated) {
    if (wire.kind == kWireSend) {
      intptr_t result =
          Dispatch(window, wire.message, static_cast<uintptr_t>(wire.wParam), static_cast<intptr_t>(wire.lParam));
      int64_t reply = result;
      if (!seqpacket::Send(fd, &reply, sizeof reply))
        DebugPrintf("window messages: a reply was not taken: %s\n", std::strerror(errno));
    } else if (wire.kind == kWirePost) {
      Post(queue, {window, window->serial, wire.message, static_cast<uintptr_t>(wire.wParam),
                   static_cast<intptr_t>(wire.lParam)});
    }
  }
}

// The descriptors of one poll, each with what it stands for.
struct PollSet {
  std::vector<pollfd> fds;
  struct Entry {
    enum Kind { kWake, kListener, kPending, kSocket, kExtra } kind;
    Window window;
    uint64_t serial;
    int fd;
  };
  std::vector<Entry> entries;
  void Add(int fd, short events, Entry entry) {
    fds.push_back({fd, events, 0});
    entries.push_back(entry);
  }
};

void AddWindowSockets(ThreadQueue* queue, PollSet* set) {
  for (Window w : queue->windows) {
    int listener = w->listener.get();
    if (listener >= 0) set->Add(listener, POLLIN, {PollSet::Entry::kListener, w, w->serial, listener});
    for (const UniqueFd& fd : w->pending)
      set->Add(fd.get(), POLLIN, {PollSet::Entry::kPending, w, w->serial, fd.get()});
  }
}

// Handles the window-socket entries that are ready.
void ServeReadyWindowSockets(ThreadQueue* queue, const PollSet& set) {
  for (size_t i = 0; i < set.fds.size(); ++i) {
    const auto& entry = set.entries[i];
    if (!(set.fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
    if (!IsLive(queue, entry.window, entry.serial)) continue;
    Window w = entry.window;
    if (entry.kind == PollSet::Entry::kListener) {
      UniqueFd fd(seqpacket::Accept(w->listener.get()));
      if (fd) w->pending.push_back(std::move(fd));
    } else if (entry.kind == PollSet::Entry::kPending) {
      auto found =
          std::find_if(w->pending.begin(), w->pending.end(), [&](const UniqueFd& fd) { return fd.get() == entry.fd; });
      if (found == w->pending.end()) continue;
      UniqueFd connection = std::move(*found);
      w->pending.erase(found);
      ServeConnection(queue, w, std::move(connection));
    }
  }
}

// Sends to a window of another process (or another thread), answering
// sends to our own windows while the reply is awaited.
bool SendRemote(const std::string& path, uint32_t message, uintptr_t wParam, intptr_t lParam, int timeoutMs,
                intptr_t* result) {
  UniqueFd connection(seqpacket::Connect(path));
  if (!connection) {
    // The window's process ended without removing its socket.
    if (errno == ECONNREFUSED || errno == ENOENT) unlink(path.c_str());
    return false;
  }
  int fd = connection.get();
  WireMessage wire{kWireSend, message, wParam, static_cast<int64_t>(lParam)};
  if (!seqpacket::Send(fd, &wire, sizeof wire)) return false;
  ThreadQueue* queue = current_queue;
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) break;
    PollSet set;
    set.Add(fd, POLLIN, {PollSet::Entry::kExtra, nullptr, 0, fd});
    if (queue) AddWindowSockets(queue, &set);
    int ready = poll(set.fds.data(), set.fds.size(), static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) break;
    if (set.fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
      int64_t reply = 0;
      ssize_t n = seqpacket::Receive(fd, &reply, sizeof reply, 0);
      connection.reset();
      if (n != static_cast<ssize_t>(sizeof reply)) return false;
      *result = static_cast<intptr_t>(reply);
      return true;
    }
    if (queue) ServeReadyWindowSockets(queue, set);
  }
  return false;
}

bool PostRemote(const std::string& path, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  UniqueFd fd(seqpacket::Connect(path));
  if (!fd) {
    if (errno == ECONNREFUSED || errno == ENOENT) unlink(path.c_str());
    return false;
  }
  WireMessage wire{kWirePost, message, wParam, static_cast<int64_t>(lParam)};
  return seqpacket::Send(fd.get(), &wire, sizeof wire);
}

// This process's top-level window with socket `path`, if the calling
// thread owns it.
Window OwnWindowAt(const std::string& path) {
  if (!current_queue) return nullptr;
  for (Window w : current_queue->windows)
    if (w->socketPath == path) return w;
  return nullptr;
}

bool OpenWindowSocket(Window window, uint32_t* error) {
  std::string dir = WindowsDirectory();
  if (dir.empty()) {
    *error = kErrorAccessDenied;
    return false;
  }
  window->socketPath = dir + "/" + std::to_string(getpid()) + "-" + std::to_string(window->serial) + kSocketSuffix;
  window->listener.reset(seqpacket::Listen(window->socketPath, 0666, 16));
  if (!window->listener) {
    DebugPrintf("window messages: cannot listen on %s: %s\n", window->socketPath.c_str(), std::strerror(errno));
    *error = kErrorAccessDenied;
    return false;
  }
  return true;
}

Timer* FindTimer(Window window, uintptr_t id) {
  for (Timer& t : window->timers)
    if (t.id == id) return &t;
  return nullptr;
}

}  // namespace

Window CreateHiddenWindow(const char* /*title*/, bool topLevel, WindowProcedure procedure, uint32_t* error) {
  ThreadQueue* queue = CurrentQueue();
  if (!queue) {
    *error = kErrorNotEnoughMemory;
    return nullptr;
  }
  auto* window = new WindowObject;
  window->queue = queue;
  window->serial = next_serial++;
  window->procedure = std::move(procedure);
  if (topLevel && !OpenWindowSocket(window, error)) {
    delete window;
    return nullptr;
  }
  queue->windows.push_back(window);
  Dispatch(window, kWmCreate, 0, 0);
  return window;
}

void DestroyHiddenWindow(Window window) {
  if (!window) return;
  ThreadQueue* queue = window->queue;
  if (!IsLive(queue, window, window->serial)) return;
  Dispatch(window, kWmDestroy, 0, 0);
  queue->windows.erase(std::find(queue->windows.begin(), queue->windows.end(), window));
  queue->sockets.erase(std::remove_if(queue->sockets.begin(), queue->sockets.end(),
                                      [&](const SocketWatch& s) { return s.window == window; }),
                       queue->sockets.end());
  if (window->listener) {
    window->listener.reset();
    unlink(window->socketPath.c_str());
  }
  delete window;
}

bool SetWindowTimer(Window window, uintptr_t id, uint32_t periodMs) {
  if (!window) return false;
  if (periodMs == 0) periodMs = 1;
  Clock::time_point due = Clock::now() + std::chrono::milliseconds(periodMs);
  if (Timer* existing = FindTimer(window, id)) {
    *existing = {id, periodMs, due};
  } else {
    window->timers.push_back({id, periodMs, due});
  }
  return true;
}

bool KillWindowTimer(Window window, uintptr_t id) {
  if (!window) return false;
  auto found = std::find_if(window->timers.begin(), window->timers.end(), [&](const Timer& t) { return t.id == id; });
  if (found == window->timers.end()) return false;
  window->timers.erase(found);
  return true;
}

bool PostWindowMessage(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (!window) return false;
  Post(window->queue, {window, window->serial, message, wParam, lParam});
  return true;
}

intptr_t SendWindowMessage(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (!window) return 0;
  return Dispatch(window, message, wParam, lParam);
}

intptr_t DefaultWindowProcedure(Window, uint32_t message, uintptr_t, intptr_t) {
  // A session may end: nothing here objects.
  return message == kWmQueryEndSession ? 1 : 0;
}

uint32_t RegisterMessageName(const char* name) {
  if (!name || !*name) return 0;
  std::string wanted(name);
  if (wanted.size() > kMaxNameBytes || wanted.find('\n') != std::string::npos) return 0;
  Names& names = RegisteredNames();
  std::lock_guard<std::mutex> hold(names.lock);
  auto find = [&]() -> uint32_t {
    for (size_t i = 0; i < names.byIndex.size(); ++i)
      if (SameName(names.byIndex[i], wanted)) return kFirstRegisteredMessage + static_cast<uint32_t>(i);
    return 0;
  };
  if (uint32_t known = find()) return known;
  UniqueFd names_file = OpenNamesFile();
  if (!names_file) return 0;
  int fd = names_file.get();
  uint32_t number = 0;
  if (LockFile(fd, LOCK_EX) && ReadNames(fd, &names.byIndex)) {
    number = find();
    if (!number && kFirstRegisteredMessage + names.byIndex.size() <= 0xFFFF) {
      std::string line = wanted + "\n";
      if (lseek(fd, 0, SEEK_END) >= 0 && write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size())) {
        names.byIndex.push_back(wanted);
        number = kFirstRegisteredMessage + static_cast<uint32_t>(names.byIndex.size() - 1);
      }
    }
  }
  return number;
}

std::string RegisteredMessageName(uint32_t message) {
  if (message < kFirstRegisteredMessage || message > 0xFFFF) return "";
  size_t index = message - kFirstRegisteredMessage;
  Names& names = RegisteredNames();
  std::lock_guard<std::mutex> hold(names.lock);
  if (index >= names.byIndex.size()) {
    UniqueFd fd = OpenNamesFile();
    if (!fd) return "";
    if (LockFile(fd.get(), LOCK_SH)) ReadNames(fd.get(), &names.byIndex);
  }
  return index < names.byIndex.size() ? names.byIndex[index] : "";
}

void BroadcastSendMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  for (const auto& address : event_loop::ListTopLevelWindows()) {
    if (Window own = OwnWindowAt(address.path)) {
      Dispatch(own, message, wParam, lParam);
      continue;
    }
    intptr_t ignored = 0;
    SendRemote(address.path, message, wParam, lParam, kRemoteReplyMs, &ignored);
  }
}

bool BroadcastPostMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  for (const auto& address : event_loop::ListTopLevelWindows()) {
    if (Window own = OwnWindowAt(address.path)) {
      PostWindowMessage(own, message, wParam, lParam);
      continue;
    }
    PostRemote(address.path, message, wParam, lParam);
  }
  return true;
}

uint32_t CurrentThreadId() { return static_cast<uint32_t>(syscall(SYS_gettid)); }

void PrepareMessageQueue() { CurrentQueue(); }

bool PostQuitToThread(uint32_t threadId, int exitCode) {
  ThreadQueue* queue = nullptr;
  {
    std::lock_guard<std::mutex> hold(RegistryLock());
    auto found = Queues().find(threadId);
    if (found != Queues().end()) queue = found->second;
  }
  if (!queue) {
    DebugPrintf("window messages: thread %u has no message queue (error %u)\n", threadId, kErrorInvalidThreadId);
    return false;
  }
  Post(queue, {nullptr, 0, kWmQuit, static_cast<uintptr_t>(exitCode), 0});
  return true;
}

int RunMessageLoop() {
  ThreadQueue* queue = CurrentQueue();
  if (!queue) return -1;
  for (;;) {
    // Posted messages first, in order; a quit ends the loop.
    std::deque<Posted> posted;
    {
      std::lock_guard<std::mutex> hold(queue->lock);
      posted.swap(queue->posted);
    }
    for (size_t i = 0; i < posted.size(); ++i) {
      const Posted& p = posted[i];
      if (!p.window && p.message == kWmQuit) {
        // What came after the quit stays for a later loop.
        std::lock_guard<std::mutex> hold(queue->lock);
        queue->posted.insert(queue->posted.begin(), posted.begin() + static_cast<long>(i) + 1, posted.end());
        return static_cast<int>(p.wParam);
      }
      if (p.window && IsLive(queue, p.window, p.serial)) Dispatch(p.window, p.message, p.wParam, p.lParam);
    }

    // Timers that are due.
    auto now = Clock::now();
    auto next = now + std::chrono::hours(24);
    std::vector<std::pair<Window, uint64_t>> windows;
    for (Window w : queue->windows) windows.push_back({w, w->serial});
    for (auto [w, serial] : windows) {
      if (!IsLive(queue, w, serial)) continue;
      std::vector<uintptr_t> due;
      for (Timer& t : w->timers) {
        if (t.due > now) continue;
        due.push_back(t.id);
        t.due += std::chrono::milliseconds(t.period);
        if (t.due <= now) t.due = now + std::chrono::milliseconds(t.period);
      }
      for (uintptr_t id : due) {
        if (!IsLive(queue, w, serial) || !FindTimer(w, id)) continue;
        Dispatch(w, kWmTimer, id, 0);
      }
    }
    for (Window w : queue->windows)
      for (const Timer& t : w->timers) next = std::min(next, t.due);

    {
      std::lock_guard<std::mutex> hold(queue->lock);
      if (!queue->posted.empty()) continue;
    }

    PollSet set;
    set.Add(queue->wake.get(), POLLIN, {PollSet::Entry::kWake, nullptr, 0, queue->wake.get()});
    AddWindowSockets(queue, &set);
    for (const SocketWatch& s : queue->sockets)
      if (s.readArmed) set.Add(s.fd, POLLIN, {PollSet::Entry::kSocket, s.window, s.window->serial, s.fd});
    auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now()).count() + 1;
    if (wait < 0) wait = 0;
    int ready = poll(set.fds.data(), set.fds.size(), static_cast<int>(std::min<long long>(wait, 60000)));
    if (ready < 0 && errno != EINTR) {
      DebugPrintf("window messages: poll: %s\n", std::strerror(errno));
      return -1;
    }
    if (ready <= 0) continue;
    if (set.fds[0].revents & POLLIN) {
      uint64_t count = 0;
      if (read(queue->wake.get(), &count, sizeof count) < 0 && errno != EAGAIN)
        DebugPrintf("window messages: eventfd: %s\n", std::strerror(errno));
    }
    ServeReadyWindowSockets(queue, set);
    for (size_t i = 0; i < set.fds.size(); ++i) {
      const auto& entry = set.entries[i];
      if (entry.kind != PollSet::Entry::kSocket || !(set.fds[i].revents & (POLLIN | POLLERR | POLLHUP))) continue;
      auto watch = std::find_if(queue->sockets.begin(), queue->sockets.end(),
                                [&](const SocketWatch& s) { return s.fd == entry.fd && s.window == entry.window; });
      if (watch == queue->sockets.end() || !watch->readArmed || !IsLive(queue, entry.window, entry.serial)) continue;
      // Until the program receives, no further read notification comes.
      watch->readArmed = false;
      Dispatch(watch->window, watch->message, watch->socketId, event_loop::kSocketRead);
    }
  }
}

namespace event_loop {

bool WatchSocket(Window window, int fd, uint32_t message, uintptr_t socketId, uint32_t events) {
  if (!window || !IsLive(window->queue, window, window->serial) || window->queue != current_queue) return false;
  UnwatchSocket(fd);
  window->queue->sockets.push_back({fd, window, message, socketId, (events & kSocketRead) != 0});
  if (events & kSocketWrite) PostWindowMessage(window, message, socketId, kSocketWrite);
  return true;
}

void RearmSocketRead(int fd) {
  if (!current_queue) return;
  for (SocketWatch& s : current_queue->sockets)
    if (s.fd == fd) s.readArmed = true;
}

void UnwatchSocket(int fd) {
  if (!current_queue) return;
  auto& sockets = current_queue->sockets;
  sockets.erase(std::remove_if(sockets.begin(), sockets.end(), [&](const SocketWatch& s) { return s.fd == fd; }),
                sockets.end());
}

std::vector<WindowAddress> ListTopLevelWindows() {
  std::vector<WindowAddress> found;
  std::string dir = WindowsDirectory();
  if (dir.empty()) return found;
  linuxbase::UniqueDir d(opendir(dir.c_str()));
  if (!d) return found;
  while (dirent* entry = readdir(d.get())) {
    std::string name = entry->d_name;
    size_t suffix = std::strlen(kSocketSuffix);
    if (name.size() <= suffix || name.compare(name.size() - suffix, suffix, kSocketSuffix) != 0) continue;
    found.push_back({std::atol(name.c_str()), dir + "/" + name});
  }
  d.reset();
  // Oldest process first, and a process's windows in the order made.
  std::sort(found.begin(), found.end(), [](const WindowAddress& a, const WindowAddress& b) {
    return a.processId != b.processId ? a.processId < b.processId : a.path < b.path;
  });
  return found;
}

bool SendToWindow(const WindowAddress& address, uint32_t message, uintptr_t wParam, intptr_t lParam, int timeoutMs,
                  intptr_t* result) {
  if (Window own = OwnWindowAt(address.path)) {
    *result = Dispatch(own, message, wParam, lParam);
    return true;
  }
  return SendRemote(address.path, message, wParam, lParam, timeoutMs, result);
}

}  // namespace event_loop
}  // namespace platform
