// The serial port over its backend: the system's device, or the line
// simulator when VIGIL20_SIMLINES names a file (also for a port the system
// does not have, so that any COMn works in simulation).
#include "platform/serial_port.h"

#include <optional>

#include "linesim/line_sim.h"
#include "platform/common/serial_backend.h"
#include "platform/common/simulated_lines.h"

// The port by its name, with what was asked of it, so that it can be opened
// again as it was.
struct platform::SerialPort {
  std::string name;
  std::unique_ptr<SerialBackend> backend;  // nullptr while the device is away
  std::optional<bool> handshake;           // the settings, once configured
  std::optional<bool> dtr, rts;            // the outputs, once set
};

namespace platform {
namespace {

std::unique_ptr<SerialBackend> OpenBackend(const std::string& name, std::string* error) {
  const char* simulation = linesim::PathFromEnvironment();
  return simulation ? OpenSimulatedBackend(SimulatorFilePath(simulation), error) : OpenDeviceBackend(name, error);
}

bool HasDevice(const SerialPort* port) { return port && port->backend; }

}  // namespace

SerialPort* OpenSerialPort(const std::string& name, std::string* error) {
  // "COM10" and above are not plain device names: refused as the system
  // would, also when the simulator stands in for the port.
  if (!IsPlainComPortName(name)) {
    if (error) *error = name + ": no such port";
    return nullptr;
  }
  std::unique_ptr<SerialBackend> backend = OpenBackend(name, error);
  if (!backend) return nullptr;
  return new SerialPort{name, std::move(backend), {}, {}, {}};
}

bool ConfigureSerialPort(SerialPort* port, bool handshake, std::string* error) {
  if (!port) return false;
  port->handshake = handshake;
  if (!port->backend) {
    if (error) *error = port->name + ": the device is away";
    return false;
  }
  return port->backend->Configure(handshake, error);
}

bool SetSerialDtr(SerialPort* port, bool on) {
  if (port) port->dtr = on;
  return HasDevice(port) && port->backend->SetDtr(on);
}

bool SetSerialRts(SerialPort* port, bool on) {
  if (port) port->rts = on;
  return HasDevice(port) && port->backend->SetRts(on);
}

bool GetSerialModemStatus(SerialPort* port, uint32_t* status) {
  return HasDevice(port) && port->backend->ReadModemStatus(status);
}

bool ReopenSerialPort(SerialPort* port, std::string* error) {
  if (!port) return false;
  // The old handle first: the port is opened without sharing.
  port->backend.reset();
  std::unique_ptr<SerialBackend> backend = OpenBackend(port->name, error);
  if (!backend) return false;
  if (port->handshake && !backend->Configure(*port->handshake, error)) return false;
  if ((port->dtr && !backend->SetDtr(*port->dtr)) || (port->rts && !backend->SetRts(*port->rts))) {
    if (error) *error = port->name + ": the outputs cannot be set";
    return false;
  }
  port->backend = std::move(backend);
  return true;
}

void CloseSerialPort(SerialPort* port) { delete port; }

}  // namespace platform
