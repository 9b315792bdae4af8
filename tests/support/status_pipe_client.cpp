#include "tests/support/status_pipe_client.h"

#include "platform/named_pipe.h"

std::string AskStatusPipe(const std::string& request, uint32_t timeoutMs) {
  platform::PipeClient* client = nullptr;
  if (platform::ConnectToPipe("\\\\.\\pipe\\vigil20_pipe", timeoutMs, &client) != 0) return "";
  std::string reply;
  if (platform::WritePipeClient(client, request.data(), static_cast<uint32_t>(request.size())) == 0) {
    char buffer[4096];
    uint32_t got = 0;
    if (platform::ReadPipeClient(client, buffer, sizeof buffer, &got, timeoutMs) == 0) reply.assign(buffer, got);
  }
  platform::ClosePipeClient(client);
  return reply;
}
