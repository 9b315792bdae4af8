// The serial port over its backend: the system's device, or the line
// simulator when VIGIL20_SIMLINES names a file (also for a port the system
// does not have, so that any COMn works in simulation).
#include "platform/serial_port.h"

#include "linesim/line_sim.h"
#include "platform/common/serial_backend.h"
#include "platform/common/simulated_lines.h"

struct platform::SerialPort {
  std::unique_ptr<SerialBackend> backend;
};

namespace platform {

SerialPort* OpenSerialPort(const std::string& name, std::string* error) {
  // "COM10" and above are not plain device names: refused as the system
  // would, also when the simulator stands in for the port.
  if (!IsPlainComPortName(name)) {
    if (error) *error = name + ": no such port";
    return nullptr;
  }
  const char* simulation = linesim::PathFromEnvironment();
  std::unique_ptr<SerialBackend> backend =
      simulation ? OpenSimulatedBackend(SimulatorFilePath(simulation), error) : OpenDeviceBackend(name, error);
  if (!backend) return nullptr;
  return new SerialPort{std::move(backend)};
}

bool ConfigureSerialPort(SerialPort* port, bool handshake, std::string* error) {
  return port && port->backend->Configure(handshake, error);
}

bool SetSerialDtr(SerialPort* port, bool on) { return port && port->backend->SetDtr(on); }

bool SetSerialRts(SerialPort* port, bool on) { return port && port->backend->SetRts(on); }

bool GetSerialModemStatus(SerialPort* port, uint32_t* status) { return port && port->backend->ReadModemStatus(status); }

void CloseSerialPort(SerialPort* port) { delete port; }

}  // namespace platform
