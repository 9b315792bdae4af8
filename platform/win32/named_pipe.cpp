// Named pipes through the Win32 calls. Handles are overlapped, so that a
// read can be given up after its time-out.
#include <windows.h>
#include <sddl.h>

#include "platform/named_pipe.h"

struct platform::PipeSecurity {
  PSECURITY_DESCRIPTOR descriptor;
};

struct platform::PipeInstance {
  HANDLE handle;
  HANDLE event;  // for the overlapped calls
};

struct platform::PipeClient {
  HANDLE handle;
  HANDLE event;
};

namespace platform {
namespace {

// A write to a client that does not read its buffer full is given up after this.
constexpr DWORD kWriteLimitMs = 5000;

// Runs one overlapped call on `handle` and waits up to timeoutMs for it.
template <typename Call>
uint32_t Overlapped(HANDLE handle, HANDLE event, DWORD timeoutMs, DWORD* transferred, Call call) {
  OVERLAPPED overlapped{};
  overlapped.hEvent = event;
  ResetEvent(event);
  if (!call(&overlapped)) {
    DWORD error = GetLastError();
    if (error != ERROR_IO_PENDING) return error;
    if (WaitForSingleObject(event, timeoutMs) != WAIT_OBJECT_0) {
      CancelIo(handle);
      GetOverlappedResult(handle, &overlapped, transferred, TRUE);
      return kErrorTimeout;
    }
  }
  if (!GetOverlappedResult(handle, &overlapped, transferred, FALSE)) return GetLastError();
  return 0;
}

uint32_t ReadMessage(HANDLE handle, HANDLE event, void* buffer, uint32_t size, uint32_t* received, DWORD timeoutMs) {
  DWORD got = 0;
  uint32_t error = Overlapped(handle, event, timeoutMs, &got,
                              [&](OVERLAPPED* o) { return ReadFile(handle, buffer, size, nullptr, o); });
  if (error == 0 && got == 0) return kErrorBrokenPipe;
  if (error == 0 || error == ERROR_MORE_DATA) *received = got;
  return error;
}

uint32_t WriteMessage(HANDLE handle, HANDLE event, const void* data, uint32_t size) {
  DWORD written = 0;
  uint32_t error = Overlapped(handle, event, kWriteLimitMs, &written,
                              [&](OVERLAPPED* o) { return WriteFile(handle, data, size, nullptr, o); });
  if (error == 0 && written != size) return ERROR_WRITE_FAULT;
  return error;
}

}  // namespace

uint32_t MakePipeSecurity(const char* sddl, PipeSecurity** out) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, nullptr))
    return GetLastError();
  *out = new PipeSecurity{descriptor};
  return 0;
}

void FreePipeSecurity(PipeSecurity* security) {
  if (!security) return;
  LocalFree(security->descriptor);
  delete security;
}

uint32_t CreatePipeInstance(const char* name, uint32_t maxInstances, uint32_t bufferBytes, const PipeSecurity* security,
                            PipeInstance** out) {
  SECURITY_ATTRIBUTES attributes{sizeof attributes, security ? security->descriptor : nullptr, FALSE};
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (!event) return GetLastError();
  HANDLE handle = CreateNamedPipeA(name, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                   PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, maxInstances, bufferBytes,
                                   bufferBytes, 0, &attributes);
  if (handle == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    CloseHandle(event);
    return error;
  }
  *out = new PipeInstance{handle, event};
  return 0;
}

uint32_t WaitForPipeClient(PipeInstance* instance) {
  DWORD ignored = 0;
  uint32_t error = Overlapped(instance->handle, instance->event, INFINITE, &ignored,
                              [&](OVERLAPPED* o) { return ConnectNamedPipe(instance->handle, o); });
  // A client that connected between the creation and the wait.
  return error == ERROR_PIPE_CONNECTED ? 0 : error;
}

uint32_t ReadPipeMessage(PipeInstance* instance, void* buffer, uint32_t size, uint32_t* received, uint32_t timeoutMs) {
  return ReadMessage(instance->handle, instance->event, buffer, size, received, timeoutMs);
}

uint32_t WritePipeMessage(PipeInstance* instance, const void* data, uint32_t size) {
  return WriteMessage(instance->handle, instance->event, data, size);
}

void FlushPipe(PipeInstance* instance) { FlushFileBuffers(instance->handle); }

void DisconnectPipeClient(PipeInstance* instance) { DisconnectNamedPipe(instance->handle); }

void ClosePipeInstance(PipeInstance* instance) {
  if (!instance) return;
  CloseHandle(instance->handle);
  CloseHandle(instance->event);
  delete instance;
}

uint32_t ConnectToPipe(const char* name, uint32_t timeoutMs, PipeClient** out) {
  HANDLE handle = INVALID_HANDLE_VALUE;
  DWORD start = GetTickCount();
  for (;;) {
    handle = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle != INVALID_HANDLE_VALUE) break;
    DWORD error = GetLastError();
    DWORD waited = GetTickCount() - start;
    if (error != ERROR_PIPE_BUSY || waited >= timeoutMs) return error;
    if (!WaitNamedPipeA(name, timeoutMs - waited) && GetLastError() != ERROR_SEM_TIMEOUT) return GetLastError();
  }
  DWORD mode = PIPE_READMODE_MESSAGE;
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (!event || !SetNamedPipeHandleState(handle, &mode, nullptr, nullptr)) {
    DWORD error = GetLastError();
    if (event) CloseHandle(event);
    CloseHandle(handle);
    return error;
  }
  *out = new PipeClient{handle, event};
  return 0;
}

uint32_t WritePipeClient(PipeClient* client, const void* data, uint32_t size) {
  return WriteMessage(client->handle, client->event, data, size);
}

uint32_t ReadPipeClient(PipeClient* client, void* buffer, uint32_t size, uint32_t* received, uint32_t timeoutMs) {
  return ReadMessage(client->handle, client->event, buffer, size, received, timeoutMs);
}

void ClosePipeClient(PipeClient* client) {
  if (!client) return;
  CloseHandle(client->handle);
  CloseHandle(client->event);
  delete client;
}

}  // namespace platform
