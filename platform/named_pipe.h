// Named pipes in message mode, after ConvertStringSecurityDescriptorTo-
// SecurityDescriptorA, CreateNamedPipeA, ConnectNamedPipe, ReadFile,
// WriteFile, FlushFileBuffers and DisconnectNamedPipe on the server side,
// and WaitNamedPipeA and CreateFileA on the client side. Names are
// "\\.\pipe\<name>". One write is one message; one read takes one message.
// Results are 0 or the system's error code (the Win32 ERROR_* numbers).
#pragma once

#include <cstdint>

#include "platform/error_codes.h"

namespace platform {

// An access-control description of a pipe.
struct PipeSecurity;
// From the security descriptor definition language, revision 1.
uint32_t MakePipeSecurity(const char* sddl, PipeSecurity** out);
void FreePipeSecurity(PipeSecurity* security);

// One instance of a pipe: duplex, message type and read mode, buffers of
// `bufferBytes` each way, default time-out, handle not inheritable. At most
// `maxInstances` instances of the name exist at once: one more fails with
// kErrorPipeBusy.
struct PipeInstance;
uint32_t CreatePipeInstance(const char* name, uint32_t maxInstances, uint32_t bufferBytes, const PipeSecurity* security,
                            PipeInstance** out);
// Waits, without limit, until a client is connected to the instance (0,
// also for a client that came before the call).
uint32_t WaitForPipeClient(PipeInstance* instance);
// One message, cut to `size` (kErrorMoreData), waiting at most timeoutMs
// (kErrorTimeout).
uint32_t ReadPipeMessage(PipeInstance* instance, void* buffer, uint32_t size, uint32_t* received, uint32_t timeoutMs);
uint32_t WritePipeMessage(PipeInstance* instance, const void* data, uint32_t size);
// Returns once the client could read everything written.
void FlushPipe(PipeInstance* instance);
void DisconnectPipeClient(PipeInstance* instance);
// Accepts nullptr.
void ClosePipeInstance(PipeInstance* instance);

// The client side: one connection to a pipe.
struct PipeClient;
// Waits up to timeoutMs for a free instance, then connects.
uint32_t ConnectToPipe(const char* name, uint32_t timeoutMs, PipeClient** out);
uint32_t WritePipeClient(PipeClient* client, const void* data, uint32_t size);
uint32_t ReadPipeClient(PipeClient* client, void* buffer, uint32_t size, uint32_t* received, uint32_t timeoutMs);
// Accepts nullptr.
void ClosePipeClient(PipeClient* client);

}  // namespace platform
