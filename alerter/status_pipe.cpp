#include "alerter/status_pipe.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <thread>

#include "alerter/pipe_request.h"
#include "alerter/texts.h"
#include "alerter/user_messages.h"
#include "platform/named_pipe.h"

using core::kStateImageBytes;

namespace {

// While every instance is busy the listener waits for one to be closed,
// and tries again at least this often.
constexpr auto kBusyRetry = std::chrono::seconds(1);

// Counts the instances closed, so the listener wakes when one is free.
struct Freed {
  std::mutex lock;
  std::condition_variable changed;
  uint64_t count = 0;
};
// Never destroyed: handler threads may still run while the process exits.
Freed& InstancesFreed() {
  static auto* freed = new Freed;
  return *freed;
}

void CloseInstance(platform::PipeInstance* instance) {
  platform::ClosePipeInstance(instance);
  Freed& freed = InstancesFreed();
  {
    std::lock_guard<std::mutex> hold(freed.lock);
    ++freed.count;
  }
  freed.changed.notify_all();
}

void Serve(platform::PipeInstance* instance, const StateSnapshot& snapshot) {
  static_assert(kPipeBufferBytes >= 1, "a request has at least one byte");
  uint8_t request[kPipeBufferBytes];
  uint32_t received = 0;
  uint32_t error = platform::ReadPipeMessage(instance, request, sizeof request, &received, kPipeIdleLimitMs);
  // A request longer than the buffer still has its first byte.
  bool got = error == 0 || error == platform::kErrorMoreData;
  switch (got ? ClassifyPipeRequest(request, received) : PipeRequest::kNone) {
    case PipeRequest::kNone:
      break;
    case PipeRequest::kStatus: {
      uint8_t reply[kStateImageBytes];
      StatusReply(snapshot(), reply);
      if (platform::WritePipeMessage(instance, reply, sizeof reply) != 0) ShowServiceWarning("%s", texts::kReplyFailed);
      break;
    }
    case PipeRequest::kExit:
      std::exit(0);
    case PipeRequest::kUnknown:
      ShowServiceWarning("%s", texts::kUnknownRequest);
      break;
  }
  platform::FlushPipe(instance);
  platform::DisconnectPipeClient(instance);
  CloseInstance(instance);
}

uint64_t FreedSoFar() {
  std::lock_guard<std::mutex> hold(InstancesFreed().lock);
  return InstancesFreed().count;
}

// Waits until an instance has been closed since `before`, or a while.
void WaitForAFreeInstance(uint64_t before) {
  Freed& freed = InstancesFreed();
  std::unique_lock<std::mutex> hold(freed.lock);
  freed.changed.wait_for(hold, kBusyRetry, [&] { return freed.count != before; });
}

enum class Made { kInstance, kBusy, kFailed };

// The next instance, with the pipe's security descriptor built anew.
// kBusy while all instances are in use: the caller tells it, once.
Made NextInstance(platform::PipeInstance** instance) {
  platform::PipeSecurity* security = nullptr;
  uint32_t error = platform::MakePipeSecurity(texts::kPipeSecurity, &security);
  if (error != 0) {
    ShowServiceWarning(texts::kSecurityFailed, static_cast<int>(error));
    return Made::kFailed;
  }
  error = platform::CreatePipeInstance(texts::kPipeName, kPipeInstances, kPipeBufferBytes, security, instance);
  platform::FreePipeSecurity(security);
  if (error == platform::kErrorPipeBusy) return Made::kBusy;
  if (error != 0) {
    ShowServiceWarning(texts::kPipeCreationFailed, static_cast<int>(error));
    return Made::kFailed;
  }
  return Made::kInstance;
}

// Told once for the whole run, not on every try. The box holds the
// listener (up to its time-out), never a client already handed over.
void TellBusyOnce(bool* toldBusy) {
  if (!*toldBusy) ShowServiceWarning(texts::kPipeCreationFailed, static_cast<int>(platform::kErrorPipeBusy));
  *toldBusy = true;
}

void Listen(StateSnapshot snapshot) {
  bool toldBusy = false;
  platform::PipeInstance* waiting = nullptr;  // where the next client comes
  for (;;) {
    if (!waiting) {
      uint64_t freedBefore = FreedSoFar();
      Made made = NextInstance(&waiting);
      if (made == Made::kFailed) return;
      if (made == Made::kBusy) {
        TellBusyOnce(&toldBusy);
        WaitForAFreeInstance(freedBefore);
        continue;
      }
    }
    if (platform::WaitForPipeClient(waiting) != 0) {
      CloseInstance(waiting);
      waiting = nullptr;
      continue;
    }
    platform::PipeInstance* connected = waiting;
    waiting = nullptr;
    // The next instance exists before the connected one is handed over, so
    // that the pipe never ceases to exist while clients come.
    Made next = NextInstance(&waiting);
    bool ending = next == Made::kFailed;
    try {
      std::thread(Serve, connected, snapshot).detach();
    } catch (const std::system_error& failure) {
      ShowServiceWarning(texts::kHandlerFailed, failure.code().value());
      CloseInstance(connected);
      ending = true;
    }
    if (next == Made::kBusy && !ending) TellBusyOnce(&toldBusy);
    if (ending) {
      if (waiting) CloseInstance(waiting);
      return;
    }
  }
}

}  // namespace

void StartStatusPipe(StateSnapshot snapshot) { std::thread(Listen, std::move(snapshot)).detach(); }
