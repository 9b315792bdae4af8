#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "tests/support/test_host.h"

namespace {

// Set by tests/support/wine/run.sh in each test's fresh prefix.
constexpr const char* kPrefixMark = "VIGIL_TEST_PREFIX";

}  // namespace

struct TestHost::State {
  std::filesystem::path scratch;
};

TestHost::TestHost() : state_(std::make_unique<State>()) {
  const char* mark = std::getenv(kPrefixMark);
  if (!mark || !*mark)
    throw std::runtime_error("these tests change the registry and the Windows directory: run them only through "
                             "the test runner, which gives each test a throwaway Wine prefix");
  char name[64];
  std::snprintf(name, sizeof name, "vigil-test-%lu", GetCurrentProcessId());
  state_->scratch = std::filesystem::temp_directory_path() / name;
  std::filesystem::create_directories(state_->scratch);
}

TestHost::~TestHost() {
  std::error_code ignored;
  std::filesystem::remove_all(state_->scratch, ignored);
}

std::string TestHost::WindowsDirectory() const {
  const char* windir = std::getenv("WINDIR");
  return windir ? windir : "";
}

std::string TestHost::ScratchPath(const std::string& name) const { return (state_->scratch / name).string(); }

void SetEnvironment(const std::string& name, const std::string& value) {
  _putenv_s(name.c_str(), value.c_str());
}

void UnsetEnvironment(const std::string& name) { _putenv_s(name.c_str(), ""); }

std::string NativePath(const std::string& path) {
  if (path.empty() || path[0] != '/') return path;
  std::string native = "Z:" + path;
  for (char& c : native)
    if (c == '/') c = '\\';
  return native;
}
