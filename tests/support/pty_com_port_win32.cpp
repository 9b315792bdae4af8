#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

#include "tests/support/pty_com_port.h"

// The runner's pty_port follows the line file within 20 ms: pulled while
// it is missing, plugged while it is there.
struct PtyComPort::Device {};

namespace {

void LetTheRunnerFollow() { std::this_thread::sleep_for(std::chrono::milliseconds(200)); }

}  // namespace

PtyComPort::PtyComPort(const std::string&) {
  const char* lines = std::getenv("VIGIL_PTY_LINES");
  const char* port = std::getenv("VIGIL_WINE_PTY_PORT");
  if (!lines || !port) throw std::runtime_error("run through the Wine runner with VIGIL_WINE_PTY_PORT set");
  lines_ = lines;
  number_ = std::atoi(port);
  UnsetEnvironment("VIGIL20_SIMLINES");
}

PtyComPort::~PtyComPort() = default;

void PtyComPort::Set(const std::string& names) const {
  std::string native = NativePath(lines_);
  std::ofstream(native + ".tmp", std::ios::binary) << names << "\n";
  std::filesystem::rename(native + ".tmp", native);
}

std::string PtyComPort::Outputs() const {
  std::ifstream in(NativePath(lines_ + ".out"), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void PtyComPort::Pull() {
  std::filesystem::remove(NativePath(lines_));
  LetTheRunnerFollow();
}

void PtyComPort::Plug(const std::string& names) {
  std::filesystem::remove(NativePath(lines_ + ".out"));
  Set(names);
  LetTheRunnerFollow();
}
