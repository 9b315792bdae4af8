#include <cstdlib>

#include "platform/tests/support/temp_host_root.h"
#include "tests/support/test_host.h"

struct TestHost::State {
  TempHostRoot root;
};

TestHost::TestHost() : state_(std::make_unique<State>()) {}
TestHost::~TestHost() = default;

std::string TestHost::WindowsDirectory() const { return state_->root / "windows"; }
std::string TestHost::ScratchPath(const std::string& name) const { return state_->root / name; }

void SetEnvironment(const std::string& name, const std::string& value) { setenv(name.c_str(), value.c_str(), 1); }
void UnsetEnvironment(const std::string& name) { unsetenv(name.c_str()); }

std::string NativePath(const std::string& path) { return path; }
