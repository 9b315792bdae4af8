// A private host root for one test: a fresh temporary directory named in
// VIGIL20_HOST_ROOT for the life of the object, removed afterwards with
// everything in it, including the shared sections made under it.
#pragma once

#include <cstdlib>
#include <filesystem>
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
  std::string path_;
  std::optional<std::string> previous_;
};
