// The serial port's lines when the line simulator stands in for the port:
// the part both serial implementations share. Each system adds its own
// way of holding the simulated port exclusively.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// True for "COM1" to "COM9", the names that reach a port as plain device
// names; "COM10" and above do not (on Windows they need the \\.\ prefix).
bool IsPlainComPortName(const std::string& name);

// The simulator's input bits (linesim::kDsr, kCts, kRi) as kModem* bits.
uint32_t ModemStatusFromSimulator(int word);

// The outputs of one simulated port, as last set through it.
class SimulatedLines {
 public:
  explicit SimulatedLines(std::string path) : path_(std::move(path)) {}

  const std::string& path() const { return path_; }
  // False when the line file is missing: a port that is not there.
  bool Present() const;
  // Replaces the outputs (linesim::kRts, kDtr) in the ".out" file.
  bool SetOutputs(int outputs);
  bool SetOutput(int bit, bool on) { return SetOutputs(on ? (outputs_ | bit) : (outputs_ & ~bit)); }
  int outputs() const { return outputs_; }
  // The modem status word of the inputs; false on a failed read.
  bool ReadStatus(uint32_t* status) const;

 private:
  std::string path_;
  int outputs_ = 0;
};

}  // namespace platform
