// What a test of the Windows suite needs from the system it runs on, so
// that one test file runs on Linux over the stand-ins and on Windows (under
// Wine) over the real calls.
#pragma once

#include <memory>
#include <string>

// A private host for one test. On Linux, a fresh host root named in
// VIGIL20_HOST_ROOT for the life of the object. On Windows, the throwaway
// Wine prefix the test runner made for this one test: outside such a prefix
// the constructor throws, so a real Windows installation's registry and
// Windows directory are never touched.
class TestHost {
 public:
  TestHost();
  ~TestHost();
  TestHost(const TestHost&) = delete;
  TestHost& operator=(const TestHost&) = delete;

  // The Windows directory, as the system names it apart from the platform
  // layer: <host root>/windows on Linux, %WINDIR% on Windows.
  std::string WindowsDirectory() const;
  // `name` in a private scratch directory of this test. On Windows it is a
  // Unix path in the runner's folder, which Windows programs reach through
  // Wine's Z: drive; open it through NativePath.
  std::string ScratchPath(const std::string& name) const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Environment of this process and of the processes it starts.
void SetEnvironment(const std::string& name, const std::string& value);
void UnsetEnvironment(const std::string& name);

// A path that this program's own file calls accept for `path`: unchanged on
// Linux; on Windows a Unix path ("/tmp/x") becomes its name on Wine's Z:
// drive ("Z:\tmp\x").
std::string NativePath(const std::string& path);
