// Linked into every test program of the suite's folders: before any test
// runs, VIGIL20_HOST_ROOT names a fresh temporary directory, so that even a
// test that makes no root of its own never reaches /var/lib/vigil20. Removed
// when the program ends.
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/shared_section_linux.h"

namespace {

class FallbackHostRoot {
 public:
  FallbackHostRoot() {
    char pattern[] = "/tmp/vigil-fallback-root-XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    path_ = pattern;
    setenv("VIGIL20_HOST_ROOT", path_.c_str(), 1);
  }
  ~FallbackHostRoot() {
    setenv("VIGIL20_HOST_ROOT", path_.c_str(), 1);
    platform::RemoveSharedSection("LineTap");
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }

 private:
  std::string path_;
};

const FallbackHostRoot fallback_root;

}  // namespace
