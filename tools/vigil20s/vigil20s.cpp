// vigil20s [-normal]: the supervisor of Vigil 2.0. Asks the monitoring
// program for its status record over the status pipe and shows it: once,
// or with -normal once a second until it is closed (Ctrl+C), writing the
// status again whenever it changes.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "core/status_record.h"
#include "platform/local_time.h"
#include "platform/named_pipe.h"
#include "platform/owned_handle.h"
#include "tools/vigil20s/status_text.h"

using core::CState;
using core::kStateImageBytes;

namespace {

constexpr const char* kPipeName = "\\\\.\\pipe\\vigil20_pipe";
constexpr uint8_t kStatusRequest = 10;

// One status request: 0 with the record, or the system's error code.
uint32_t ReadStatus(CState* state) {
  platform::Owned<platform::PipeClient*, platform::ClosePipeClient> client;
  uint32_t error = platform::ConnectToPipe(kPipeName, 1000, client.out());
  if (error != 0) return error;
  uint8_t reply[kStateImageBytes];
  uint32_t received = 0;
  error = platform::WritePipeClient(client.get(), &kStatusRequest, 1);
  if (error == 0) error = platform::ReadPipeClient(client.get(), reply, sizeof reply, &received, 2000);
  client.reset();
  if (error != 0) return error;
  if (received != sizeof reply) return platform::kErrorMoreData;
  std::memcpy(state, reply, sizeof reply);
  return 0;
}

std::string Now() {
  std::tm local{};
  char text[32] = "";
  if (platform::LocalTime(std::time(nullptr), &local)) std::strftime(text, sizeof text, "%d/%m/%Y %H:%M:%S", &local);
  return text;
}

bool IsNormalSwitch(const char* arg) {
  if (arg[0] != '-' && arg[0] != '/') return false;
  const char* word = arg + 1;
  const char* normal = "normal";
  for (; *word && *normal; ++word, ++normal)
    if ((*word | 0x20) != *normal) return false;
  return !*word && !*normal;
}

}  // namespace

int main(int argc, char** argv) {
  bool normal = false;
  for (int i = 1; i < argc; ++i) normal = normal || IsNormalSwitch(argv[i]);

  std::string shown;
  for (;;) {
    CState state{};
    uint32_t error = ReadStatus(&state);
    std::string text = error == 0 ? supervisor::StatusText(state) : supervisor::NoAnswerText(error);
    if (text != shown) {
      std::printf("Vigil 2.0 - Supervisor  %s\n%s\n", Now().c_str(), text.c_str());
      std::fflush(stdout);
      shown = text;
    }
    if (!normal) return error == 0 ? 0 : 1;
    std::this_thread::sleep_for(std::chrono::seconds(1));
  }
}
