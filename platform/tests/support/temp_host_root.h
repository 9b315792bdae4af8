// A private host root for one test: a fresh temporary directory named in
// VIGIL20_HOST_ROOT for the life of the object, removed afterwards with
// everything in it, including the shared sections made under it. Every
// program still running on the root (a service started by the test, a
// program a failed test did not end) is ended first: nothing outlives it.
#pragma once

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <unistd.h>
#include <vector>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/shared_section_linux.h"

class TempHostRoot {
 public:
  TempHostRoot() {
    char pattern[] = "/tmp/vigil-root-XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    if (const char* previous = std::getenv("VIGIL20_HOST_ROOT")) previous_ = previous;
    setenv("VIGIL20_HOST_ROOT", path_.c_str(), 1);
  }
  // Restores the root that was set before, so nested roots unwind in order.
  ~TempHostRoot() {
    EndPrograms();
    setenv("VIGIL20_HOST_ROOT", path_.c_str(), 1);
    platform::RemoveSharedSection("LineTap");
    if (previous_)
      setenv("VIGIL20_HOST_ROOT", previous_->c_str(), 1);
    else
      unsetenv("VIGIL20_HOST_ROOT");
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempHostRoot(const TempHostRoot&) = delete;
  TempHostRoot& operator=(const TempHostRoot&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

 private:
  // The processes whose environment names this root.
  std::vector<pid_t> Programs() const {
    std::vector<pid_t> found;
    std::string wanted = "VIGIL20_HOST_ROOT=" + path_;
    DIR* proc = opendir("/proc");
    if (!proc) return found;
    while (dirent* entry = readdir(proc)) {
      pid_t pid = static_cast<pid_t>(std::atol(entry->d_name));
      if (pid <= 0 || pid == getpid()) continue;
      std::ifstream in(std::string("/proc/") + entry->d_name + "/environ", std::ios::binary);
      std::string environment((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      size_t at = environment.find(wanted);
      while (at != std::string::npos) {
        size_t end = at + wanted.size();
        if ((at == 0 || environment[at - 1] == '\0') && (end == environment.size() || environment[end] == '\0')) {
          found.push_back(pid);
          break;
        }
        at = environment.find(wanted, at + 1);
      }
    }
    closedir(proc);
    return found;
  }
  void EndPrograms() const {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (std::vector<pid_t> left = Programs(); !left.empty(); left = Programs()) {
      for (pid_t pid : left) kill(pid, SIGKILL);
      if (std::chrono::steady_clock::now() > deadline) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

  std::string path_;
  std::optional<std::string> previous_;
};
