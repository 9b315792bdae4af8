// A private host for process-level tests of the daemon: its own mount, UTS
// (host name "posto7.exemplo.com.br"), IPC, PID and (unless a named network
// namespace is given) network namespaces.
// Inside it, /usr/local is a fresh temporary directory (so the daemon's
// /usr/local/vigil20 is private), the power-off programs are recorders that
// append their command line to /usr/local/recorded, and /dev/console is the
// regular file /usr/local/console. Destroying the sandbox kills every process
// in it. Needs root.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

// CommandResult and RunProcess(argv, timeout_ms).
#include "tests/support/child_process.h"
#include "tests/support/wait_until.h"

std::string ReadWholeFile(const std::string& path);

class Sandbox {
 public:
  struct Options {
    // Join this existing network namespace (made with `ip netns add`)
    // instead of a private empty one.
    std::string netns;
    // Which power-off programs exist inside the sandbox.
    bool poweroff = true;
    bool shutdown = true;
    bool init = true;
    // A host device (a pty, say) bound over /dev/console instead of the
    // file /usr/local/console.
    std::string console_device;
  };

  Sandbox();
  explicit Sandbox(const Options& options);
  ~Sandbox();
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  // Runs a /bin/sh command inside the sandbox, in /usr/local.
  CommandResult Run(const std::string& command, int timeout_ms = 20000) const;

  // Host path of `relative` under the sandbox's /usr/local.
  std::string Path(const std::string& relative) const;
  std::string Read(const std::string& relative) const;
  void Write(const std::string& relative, const std::string& content) const;
  bool Exists(const std::string& relative) const;

  // Writes /usr/local/vigil20/vigil20.conf from its seventeen lines.
  void WriteConf(const std::vector<std::string>& lines) const;

  // The daemon's processes inside the sandbox, by their host PIDs:
  // the main process (a child of the sandbox's first process) and the
  // autonomy worker (a child of the main process). 0 when absent.
  pid_t DaemonMain() const;
  pid_t DaemonWorker() const;
  // Waits until no vigil20 process is left in the sandbox.
  bool WaitDaemonGone(int timeout_ms) const;

  // Lines "PID exit N" or "PID signal N" for each process that ended after
  // being re-parented to the sandbox's first process.
  std::string Exits() const { return Read("exits"); }

 private:
  std::vector<pid_t> VigilProcesses() const;

  std::string root_;   // host directory mounted at /usr/local
  std::unique_ptr<ChildProcess> launcher_;  // our child that created the namespaces
  pid_t holder_ = -1;    // host PID of the namespace's first process
};

// A sandbox's options that put it in the network namespace `netns`.
inline Sandbox::Options In(const std::string& netns) {
  Sandbox::Options options;
  options.netns = netns;
  return options;
}

// Two network namespaces joined by a veth pair, each with a default route
// through it, so that a broadcast to 255.255.255.255 from one reaches the
// other. Removed with the object.
class VethLan {
 public:
  VethLan();
  ~VethLan();
  VethLan(const VethLan&) = delete;
  VethLan& operator=(const VethLan&) = delete;
  const std::string& first() const { return first_; }
  const std::string& second() const { return second_; }

 private:
  std::string first_, second_;
};
