// A private host root for one test: a fresh temporary directory named in
// VIGIL20_HOST_ROOT for the life of the object, removed afterwards with
// everything in it, including the shared sections made under it.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "shared_section.h"

class TempHostRoot {
 public:
  TempHostRoot() {
    char pattern[] = "/tmp/vigil-root-XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    setenv("VIGIL20_HOST_ROOT", path_.c_str(), 1);
  }
  ~TempHostRoot() {
    platform::RemoveSharedSection("LineTap");
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
};
