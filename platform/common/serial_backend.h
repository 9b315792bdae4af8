// What reaches a serial port's lines: the system's device, or the line
// simulator when VIGIL20_SIMLINES names a file. The public serial port
// (serial_port.h) is one of these; nothing above it knows which.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

class SerialBackend {
 public:
  // Drops the outputs as closing a port does, and lets the port go.
  virtual ~SerialBackend() = default;
  virtual bool Configure(bool handshake, std::string* error) = 0;
  virtual bool SetDtr(bool on) = 0;
  virtual bool SetRts(bool on) = 0;
  // The modem status word (kModem* bits); false when it cannot be read.
  virtual bool ReadModemStatus(uint32_t* status) = 0;
};

// The device "COM1" to "COM9" of this system (linux/ or win32/serial_port.cpp).
std::unique_ptr<SerialBackend> OpenDeviceBackend(const std::string& name, std::string* error);

// The simulated port over the line file `path` (common/simulated_serial.cpp).
std::unique_ptr<SerialBackend> OpenSimulatedBackend(const std::string& path, std::string* error);

// How each system holds a simulated port for one process at a time: a lock
// on "<line file>.lock", given back when the object goes. nullptr, with
// `error` set ("... the port is in use" when another holds it), otherwise.
class SimulatedPortLock {
 public:
  virtual ~SimulatedPortLock() = default;
};
std::unique_ptr<SimulatedPortLock> LockSimulatedPort(const std::string& lockPath, std::string* error);

// The line file's path as this system's file calls reach it.
std::string SimulatorFilePath(const char* path);

}  // namespace platform
