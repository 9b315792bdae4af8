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
  std::filesystem::path scratch;  // a Unix path
};

TestHost::TestHost() : state_(std::make_unique<State>()) {
  const char* mark = std::getenv(kPrefixMark);
  if (!mark || !*mark)
    throw std::runtime_error("these tests change the registry and the Windows directory: run them only through "
                             "the test runner, which gives each test a throwaway Wine prefix");
  // The runner's own folder, a Unix path: files there are named to the
  // programs as they would be on Linux (the line simulator's, for one).
  state_->scratch = std::string(mark) + "/scratch-" + std::to_string(GetCurrentProcessId());
  std::filesystem::create_directories(NativePath(state_->scratch.string()));
}

TestHost::~TestHost() {
  std::error_code ignored;
  std::filesystem::remove_all(NativePath(state_->scratch.string()), ignored);
}

std::string TestHost::WindowsDirectory() const {
  const char* windir = std::getenv("WINDIR");
  return windir ? windir : "";
}

std::string TestHost::ScratchPath(const std::string& name) const { return state_->scratch.string() + "/" + name; }

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
