// COMn through the Win32 serial API, in the order and with the device
// control block the monitoring program has always used. A simulated port is
// held by "<file>.lock" opened without sharing.
#include <windows.h>

#include <memory>

#include "platform/common/serial_backend.h"
#include "platform/debug_output.h"

namespace platform {
namespace {

constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;

std::string Failure(const std::string& what) { return what + ": error " + std::to_string(GetLastError()); }

bool Refuse(const char* call, std::string* error) {
  if (error) *error = Failure(call);
  return false;
}

class DeviceBackend : public SerialBackend {
 public:
  explicit DeviceBackend(HANDLE handle) : handle_(handle) {}
  ~DeviceBackend() override {
    if (!SetCommMask(handle_, 0)) DebugPrintf("serial: SetCommMask 0: error %lu\n", GetLastError());
    Escape(CLRDTR);
    if (!PurgeComm(handle_, kPurgeAll)) DebugPrintf("serial: PurgeComm: error %lu\n", GetLastError());
    if (!CloseHandle(handle_)) DebugPrintf("serial: CloseHandle: error %lu\n", GetLastError());
  }

  bool Configure(bool handshake, std::string* error) override {
    if (!SetCommMask(handle_, EV_RXCHAR)) return Refuse("SetCommMask", error);
    if (!SetupComm(handle_, 256, 256)) return Refuse("SetupComm", error);
    if (!PurgeComm(handle_, kPurgeAll)) return Refuse("PurgeComm", error);
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 1000;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = 1000;
    if (!SetCommTimeouts(handle_, &timeouts)) return Refuse("SetCommTimeouts", error);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle_, &dcb)) return Refuse("GetCommState", error);
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
    if (!SetCommState(handle_, &dcb)) return Refuse("SetCommState", error);
    return true;
  }
  bool SetDtr(bool on) override { return Escape(on ? SETDTR : CLRDTR); }
  bool SetRts(bool on) override { return Escape(on ? SETRTS : CLRRTS); }
  bool ReadModemStatus(uint32_t* status) override {
    DWORD word = 0;
    if (!GetCommModemStatus(handle_, &word)) return false;
    *status = word;
    return true;
  }

 private:
  bool Escape(DWORD function) {
    if (!EscapeCommFunction(handle_, function)) {
      DebugPrintf("serial: EscapeCommFunction %lu: error %lu\n", function, GetLastError());
      return false;
    }
    return true;
  }

  HANDLE handle_;
};

class LockFile : public SimulatedPortLock {
 public:
  explicit LockFile(HANDLE handle) : handle_(handle) {}
  ~LockFile() override {
    if (!CloseHandle(handle_)) DebugPrintf("serial: CloseHandle: error %lu\n", GetLastError());
  }

 private:
  HANDLE handle_;
};

}  // namespace

std::unique_ptr<SerialBackend> OpenDeviceBackend(const std::string& name, std::string* error) {
  HANDLE handle = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    if (error) *error = Failure("CreateFileA " + name);
    return nullptr;
  }
  return std::make_unique<DeviceBackend>(handle);
}

std::unique_ptr<SimulatedPortLock> LockSimulatedPort(const std::string& lockPath, std::string* error) {
  HANDLE handle = CreateFileA(lockPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    if (error)
      *error = GetLastError() == ERROR_SHARING_VIOLATION ? lockPath + ": the port is in use" : Failure(lockPath);
    return nullptr;
  }
  return std::make_unique<LockFile>(handle);
}

// The simulator's file is named by a Unix path, as on Linux. Under Wine a
// path starting with '/' is a file of the Unix host: its DOS name (Z:\...)
// reaches it from any current drive, a service's C:\windows\system32 too.
// Elsewhere the path is used as it is.
std::string SimulatorFilePath(const char* path) {
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

}  // namespace platform
