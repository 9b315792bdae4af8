// A pipe is a SOCK_SEQPACKET socket in <root>/run/pipe, named after the
// pipe, with the file mode its security descriptor gives. The socket is
// made with the pipe's first instance and listens until the process ends;
// the process counts its instances against the pipe's maximum. A client
// that connects while no instance waits for one (every instance busy, or
// between two instances) waits in the socket's queue until one does, as a
// client in WaitNamedPipe would; a pipe whose process has ended is gone.
#include "platform/named_pipe.h"

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <unistd.h>

#include "linuxbase/unique_fd.h"
#include "platform/debug_output.h"
#include "platform/error_codes.h"
#include "platform/linux/pipe_security.h"
#include "platform/linux/run_directory.h"
#include "platform/seqpacket_linux.h"

struct platform::PipeSecurity {
  mode_t mode;
};

struct platform::PipeInstance {
  std::string path;
  int listener;                  // the pipe's, shared by its instances
  linuxbase::UniqueFd client{};  // the connection, once a client came
};

struct platform::PipeClient {
  linuxbase::UniqueFd fd;
};

namespace platform {
namespace {

struct Pipe {
  linuxbase::UniqueFd listener;  // listens until the process ends
  uint32_t instances;
  uint32_t maxInstances;
};

std::mutex& PipesLock() {
  static auto* lock = new std::mutex;
  return *lock;
}
std::map<std::string, Pipe>& Pipes() {
  static auto* pipes = new std::map<std::string, Pipe>;
  return *pipes;
}

// "\\.\pipe\<name>" to the socket's path; false for another form.
bool SocketPath(const char* name, std::string* path, uint32_t* error) {
  static const char kPrefix[] = "\\\\.\\pipe\\";
  size_t prefix = sizeof kPrefix - 1;
  if (!name || std::strlen(name) <= prefix || strncasecmp(name, kPrefix, prefix) != 0) {
    *error = kErrorInvalidName;
    return false;
  }
  std::string dir, message;
  if (!RunDirectory("pipe", &dir, &message)) {
    DebugPrintf("named pipe: %s\n", message.c_str());
    *error = kErrorAccessDenied;
    return false;
  }
  *path = dir + "/" + FileNameFor(name + prefix);
  if (!seqpacket::PathFits(*path)) {
    *error = kErrorBadPathName;
    return false;
  }
  return true;
}

uint32_t ErrorOf(int error) {
  switch (error) {
    case ENOENT:
    case ECONNREFUSED:
      return kErrorFileNotFound;
    case EACCES:
    case EPERM:
      return kErrorAccessDenied;
    case EPIPE:
    case ECONNRESET:
      return kErrorNoData;
    case ETIMEDOUT:
      return kErrorTimeout;
    default:
      return kErrorBrokenPipe;
  }
}

uint32_t Read(int fd, void* buffer, uint32_t size, uint32_t* received, uint32_t timeoutMs) {
  bool truncated = false;
  ssize_t n = seqpacket::Receive(fd, buffer, size, static_cast<int>(timeoutMs), &truncated);
  if (n < 0) return ErrorOf(errno);
  // An empty message and the end of the connection read alike.
  if (n == 0) return kErrorBrokenPipe;
  *received = static_cast<uint32_t>(n);
  return truncated ? kErrorMoreData : 0;
}

uint32_t Write(int fd, const void* data, uint32_t size) { return seqpacket::Send(fd, data, size) ? 0 : ErrorOf(errno); }

}  // namespace

uint32_t MakePipeSecurity(const char* sddl, PipeSecurity** out) {
  auto mode = ModeFromSddl(sddl ? sddl : "");
  if (!mode) return kErrorInvalidParameter;
  *out = new PipeSecurity{*mode};
  return 0;
}

void FreePipeSecurity(PipeSecurity* security) { delete security; }

uint32_t CreatePipeInstance(const char* name, uint32_t maxInstances, uint32_t bufferBytes, const PipeSecurity* security,
                            PipeInstance** out) {
  if (maxInstances == 0 || maxInstances > 255 || bufferBytes == 0) return kErrorInvalidParameter;
  std::string path;
  uint32_t error = 0;
  if (!SocketPath(name, &path, &error)) return error;
  std::lock_guard<std::mutex> hold(PipesLock());
  auto found = Pipes().find(path);
  if (found != Pipes().end()) {
    if (found->second.instances >= found->second.maxInstances) return kErrorPipeBusy;
    ++found->second.instances;
    *out = new PipeInstance{path, found->second.listener.get()};
    return 0;
  }
  linuxbase::UniqueFd listener(
      seqpacket::Listen(path, security ? security->mode : 0600, static_cast<int>(maxInstances)));
  if (!listener) {
    // Another process serves the pipe: its instances are all this name has.
    if (errno == EADDRINUSE) return kErrorPipeBusy;
    return ErrorOf(errno);
  }
  *out = new PipeInstance{path, listener.get()};
  Pipes()[path] = Pipe{std::move(listener), 1, maxInstances};
  return 0;
}

uint32_t WaitForPipeClient(PipeInstance* instance) {
  if (!instance) return kErrorInvalidParameter;
  if (instance->client) return 0;
  instance->client.reset(seqpacket::Accept(instance->listener));
  return instance->client ? 0 : ErrorOf(errno);
}

uint32_t ReadPipeMessage(PipeInstance* instance, void* buffer, uint32_t size, uint32_t* received, uint32_t timeoutMs) {
  if (!instance || !instance->client) return kErrorPipeNotConnected;
  return Read(instance->client.get(), buffer, size, received, timeoutMs);
}

uint32_t WritePipeMessage(PipeInstance* instance, const void* data, uint32_t size) {
  if (!instance || !instance->client) return kErrorPipeNotConnected;
  return Write(instance->client.get(), data, size);
}

// A message sent stays readable by the client after the disconnect: there
// is nothing to wait for.
void FlushPipe(PipeInstance*) {}

void DisconnectPipeClient(PipeInstance* instance) {
  if (instance) instance->client.reset();
}

void ClosePipeInstance(PipeInstance* instance) {
  if (!instance) return;
  DisconnectPipeClient(instance);
  {
    std::lock_guard<std::mutex> hold(PipesLock());
    auto found = Pipes().find(instance->path);
    if (found != Pipes().end() && found->second.instances > 0) --found->second.instances;
  }
  delete instance;
}

uint32_t ConnectToPipe(const char* name, uint32_t /*timeoutMs*/, PipeClient** out) {
  std::string path;
  uint32_t error = 0;
  if (!SocketPath(name, &path, &error)) return error;
  linuxbase::UniqueFd fd(seqpacket::Connect(path));
  if (!fd) return ErrorOf(errno);
  *out = new PipeClient{std::move(fd)};
  return 0;
}

uint32_t WritePipeClient(PipeClient* client, const void* data, uint32_t size) {
  if (!client) return kErrorInvalidParameter;
  return Write(client->fd.get(), data, size);
}

uint32_t ReadPipeClient(PipeClient* client, void* buffer, uint32_t size, uint32_t* received, uint32_t timeoutMs) {
  if (!client) return kErrorInvalidParameter;
  return Read(client->fd.get(), buffer, size, received, timeoutMs);
}

void ClosePipeClient(PipeClient* client) { delete client; }

}  // namespace platform
