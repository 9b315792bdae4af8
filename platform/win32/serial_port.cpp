// COMn through the Win32 serial API, in the order and with the device
// control block the monitoring program has always used; or, when
// VIGIL20_SIMLINES names a file, the line simulator, held exclusively by a
// "<file>.lock" opened without sharing.
#include <windows.h>

#include <memory>

#include "linesim/line_sim.h"
#include "platform/common/simulated_lines.h"
#include "platform/debug_output.h"
#include "platform/serial_port.h"

struct platform::SerialPort {
  HANDLE handle = INVALID_HANDLE_VALUE;        // the port, or the simulator's lock file
  std::unique_ptr<SimulatedLines> simulation;  // null for a port
};

namespace platform {
namespace {

constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;

std::string Failure(const std::string& what) { return what + ": error " + std::to_string(GetLastError()); }

bool Refuse(const char* call, std::string* error) {
  if (error) *error = Failure(call);
  return false;
}

SerialPort* OpenSimulated(const std::string& file, std::string* error) {
  auto lines = std::make_unique<SimulatedLines>(file);
  // A missing line file is a port that is not there.
  if (!lines->Present()) {
    if (error) *error = file + ": no line file";
    return nullptr;
  }
  std::string lock = file + ".lock";
  HANDLE handle = CreateFileA(lock.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    if (error) *error = GetLastError() == ERROR_SHARING_VIOLATION ? lock + ": the port is in use" : Failure(lock);
    return nullptr;
  }
  auto* port = new SerialPort{handle, std::move(lines)};
  // Opening a port raises DTR and RTS, as the serial driver does.
  if (!port->simulation->SetOutputs(linesim::kDtr | linesim::kRts)) {
    if (error) *error = file + ".out: cannot be written";
    CloseSerialPort(port);
    return nullptr;
  }
  return port;
}

// The simulator's file is named by a Unix path, as on Linux. Under Wine a
// path starting with '/' is a file of the Unix host: its DOS name (Z:\...)
// reaches it from any current drive, a service's C:\windows\system32 too.
// Elsewhere the path is used as it is.
std::string SimulatorFile(const char* path) {
  if (path[0] != '/') return path;
  using DosName = WCHAR*(CDECL*)(LPCSTR);
  auto convert = reinterpret_cast<DosName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
  if (!convert) return path;
  WCHAR* wide = convert(path);
  if (!wide) return path;
  char dos[MAX_PATH];
  int n = WideCharToMultiByte(CP_ACP, 0, wide, -1, dos, sizeof dos, nullptr, nullptr);
  HeapFree(GetProcessHeap(), 0, wide);
  return n > 0 ? std::string(dos) : std::string(path);
}

bool Escape(SerialPort* port, DWORD function) {
  if (!EscapeCommFunction(port->handle, function)) {
    DebugPrintf("serial: EscapeCommFunction %lu: error %lu\n", function, GetLastError());
    return false;
  }
  return true;
}

bool SetLine(SerialPort* port, int simulated, DWORD set, DWORD clear, bool on) {
  if (!port) return false;
  if (port->simulation) return port->simulation->SetOutput(simulated, on);
  return Escape(port, on ? set : clear);
}

}  // namespace

SerialPort* OpenSerialPort(const std::string& name, std::string* error) {
  // "COM10" and above are not plain device names: refused as the system
  // would, also when the simulator stands in for the port.
  if (!IsPlainComPortName(name)) {
    if (error) *error = name + ": no such port";
    return nullptr;
  }
  if (const char* simulation = linesim::PathFromEnvironment()) return OpenSimulated(SimulatorFile(simulation), error);
  HANDLE handle = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    if (error) *error = Failure("CreateFileA " + name);
    return nullptr;
  }
  return new SerialPort{handle, nullptr};
}

bool ConfigureSerialPort(SerialPort* port, bool handshake, std::string* error) {
  if (!port) return false;
  if (port->simulation) {
    // The simulator has no line settings; RTS is on in both modes at rest.
    if (port->simulation->SetOutput(linesim::kRts, true)) return true;
    if (error) *error = port->simulation->path() + ".out: cannot be written";
    return false;
  }
  if (!SetCommMask(port->handle, EV_RXCHAR)) return Refuse("SetCommMask", error);
  if (!SetupComm(port->handle, 256, 256)) return Refuse("SetupComm", error);
  if (!PurgeComm(port->handle, kPurgeAll)) return Refuse("PurgeComm", error);
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = MAXDWORD;
  timeouts.ReadTotalTimeoutMultiplier = 0;
  timeouts.ReadTotalTimeoutConstant = 1000;
  timeouts.WriteTotalTimeoutMultiplier = 0;
  timeouts.WriteTotalTimeoutConstant = 1000;
  if (!SetCommTimeouts(port->handle, &timeouts)) return Refuse("SetCommTimeouts", error);
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(port->handle, &dcb)) return Refuse("GetCommState", error);
  dcb.BaudRate = 1200;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  dcb.fBinary = 1;
  dcb.fParity = 1;
  dcb.fOutxCtsFlow = handshake ? 1 : 0;
  dcb.fRtsControl = handshake ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
  dcb.fOutX = 0;
  dcb.fInX = 0;
  dcb.XonChar = 0x11;
  dcb.XoffChar = 0x13;
  dcb.XonLim = 100;
  dcb.XoffLim = 100;
  if (!SetCommState(port->handle, &dcb)) return Refuse("SetCommState", error);
  return true;
}

bool SetSerialDtr(SerialPort* port, bool on) { return SetLine(port, linesim::kDtr, SETDTR, CLRDTR, on); }

bool SetSerialRts(SerialPort* port, bool on) { return SetLine(port, linesim::kRts, SETRTS, CLRRTS, on); }

bool GetSerialModemStatus(SerialPort* port, uint32_t* status) {
  if (!port) return false;
  if (port->simulation) return port->simulation->ReadStatus(status);
  DWORD word = 0;
  if (!GetCommModemStatus(port->handle, &word)) return false;
  *status = word;
  return true;
}

void CloseSerialPort(SerialPort* port) {
  if (!port) return;
  if (port->simulation) {
    if (!port->simulation->SetOutputs(0))
      DebugPrintf("serial: cannot drop the simulated outputs in %s.out\n", port->simulation->path().c_str());
  } else {
    if (!SetCommMask(port->handle, 0)) DebugPrintf("serial: SetCommMask 0: error %lu\n", GetLastError());
    Escape(port, CLRDTR);
    if (!PurgeComm(port->handle, kPurgeAll)) DebugPrintf("serial: PurgeComm: error %lu\n", GetLastError());
  }
  if (!CloseHandle(port->handle)) DebugPrintf("serial: CloseHandle: error %lu\n", GetLastError());
  delete port;
}

}  // namespace platform
