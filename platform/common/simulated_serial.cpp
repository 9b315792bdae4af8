// The line simulator as a serial port: the inputs read from the line file,
// the outputs written to "<file>.out", held by one process at a time.
#include <cerrno>
#include <cstring>

#include "linesim/line_sim.h"
#include "platform/common/serial_backend.h"
#include "platform/common/simulated_lines.h"
#include "platform/debug_output.h"

namespace platform {
namespace {

class SimulatedBackend : public SerialBackend {
 public:
  SimulatedBackend(const std::string& path, std::unique_ptr<SimulatedPortLock> lock)
      : lines_(path), lock_(std::move(lock)) {}
  // Closing a port drops DTR and RTS; the simulated lines follow suit.
  ~SimulatedBackend() override {
    if (!lines_.SetOutputs(0))
      DebugPrintf("serial: cannot drop the simulated outputs in %s.out\n", lines_.path().c_str());
  }

  // Opening a port raises DTR and RTS, as the serial driver does.
  bool Open(std::string* error) {
    if (lines_.SetOutputs(linesim::kDtr | linesim::kRts)) return true;
    if (error) *error = lines_.path() + ".out: cannot be written";
    return false;
  }

  // The simulator has no line settings; RTS is on in both modes at rest.
  bool Configure(bool, std::string* error) override {
    if (lines_.SetOutput(linesim::kRts, true)) return true;
    if (error) *error = lines_.path() + ".out: cannot be written";
    return false;
  }
  bool SetDtr(bool on) override { return lines_.SetOutput(linesim::kDtr, on); }
  bool SetRts(bool on) override { return lines_.SetOutput(linesim::kRts, on); }
  bool ReadModemStatus(uint32_t* status) override { return lines_.ReadStatus(status); }

 private:
  SimulatedLines lines_;
  std::unique_ptr<SimulatedPortLock> lock_;
};

}  // namespace

std::unique_ptr<SerialBackend> OpenSimulatedBackend(const std::string& path, std::string* error) {
  // A missing line file is a port that is not there.
  if (!SimulatedLines(path).Present()) {
    if (error) *error = path + ": " + std::strerror(errno);
    return nullptr;
  }
  std::unique_ptr<SimulatedPortLock> lock = LockSimulatedPort(path + ".lock", error);
  if (!lock) return nullptr;
  auto backend = std::make_unique<SimulatedBackend>(path, std::move(lock));
  if (!backend->Open(error)) return nullptr;
  return backend;
}

}  // namespace platform
