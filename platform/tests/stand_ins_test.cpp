// The stand-ins of the monitoring program's facilities, in one process:
// the message loop, the named mutex, the semaphores, the pipe and the
// session broker's requests.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/pipe_security.h"
#include "platform/session_protocol_linux.h"
#include "platform/message_box.h"
#include "platform/named_mutex.h"
#include "platform/named_pipe.h"
#include "platform/semaphore.h"
#include "platform/tests/support/temp_host_root.h"
#include "platform/window_messages.h"

namespace {

TEST(MessageLoop, TimersPostsAndQuitsFromOtherThreadsReachTheWindow) {
  TempHostRoot root;
  std::vector<std::string> seen;
  int ticks = 0;
  uint32_t error = 0;
  platform::Window window = platform::CreateHiddenWindow(
      "test", true,
      [&](platform::Window self, uint32_t message, uintptr_t wParam, intptr_t lParam) -> intptr_t {
        if (message == platform::kWmCreate) seen.push_back("create");
        if (message == platform::kWmTimer && ++ticks == 3) {
          platform::KillWindowTimer(self, wParam);
          // Another thread ends the loop, as a service's stop does.
          uint32_t loop = platform::CurrentThreadId();
          std::thread([loop] { platform::PostQuitToThread(loop, 7); }).join();
        }
        if (message == platform::kWmUser) seen.push_back("user " + std::to_string(wParam) + " " + std::to_string(lParam));
        return 0;
      },
      &error);
  ASSERT_NE(window, nullptr) << error;
  ASSERT_EQ(seen, std::vector<std::string>{"create"});
  ASSERT_TRUE(platform::SetWindowTimer(window, 5, 10));
  std::thread([window] { platform::PostWindowMessage(window, platform::kWmUser, 1, -2); }).join();
  EXPECT_EQ(platform::RunMessageLoop(), 7);
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(seen, (std::vector<std::string>{"create", "user 1 -2"}));
  platform::DestroyHiddenWindow(window);
}

TEST(MessageLoop, RegisteredNamesAreSharedAndBroadcastsReachOwnWindows) {
  TempHostRoot root;
  uint32_t a = platform::RegisterMessageName("Vigil_Config_Change_Notify");
  ASSERT_GE(a, platform::kFirstRegisteredMessage);
  EXPECT_EQ(platform::RegisterMessageName("vigil_config_change_notify"), a);
  uint32_t b = platform::RegisterMessageName("Outra");
  EXPECT_EQ(b, a + 1);
  EXPECT_EQ(platform::RegisteredMessageName(b), "Outra");
  EXPECT_EQ(platform::RegisteredMessageName(platform::kWmTimer), "");

  int topLevel = 0, messageOnly = 0;
  uint32_t error = 0;
  platform::Window shown = platform::CreateHiddenWindow(
      "top", true, [&](platform::Window, uint32_t m, uintptr_t, intptr_t) -> intptr_t { return m == a ? ++topLevel : 0; },
      &error);
  platform::Window hidden = platform::CreateHiddenWindow(
      "", false, [&](platform::Window, uint32_t m, uintptr_t, intptr_t) -> intptr_t { return m == a ? ++messageOnly : 0; },
      &error);
  platform::BroadcastSendMessage(a, 0, 1);
  EXPECT_EQ(topLevel, 1);
  EXPECT_EQ(messageOnly, 0);
  platform::DestroyHiddenWindow(shown);
  platform::DestroyHiddenWindow(hidden);
}

TEST(NamedMutex, ExistsWhileAHandleHoldsIt) {
  TempHostRoot root;
  bool existed = true;
  uint32_t error = 0;
  platform::NamedMutex* first = platform::CreateNamedMutex("vigil20_semaph", &existed, &error);
  ASSERT_NE(first, nullptr);
  EXPECT_FALSE(existed);
  EXPECT_TRUE(platform::NamedMutexExists("vigil20_semaph"));
  platform::NamedMutex* second = platform::CreateNamedMutex("vigil20_semaph", &existed, &error);
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(existed);
  platform::CloseNamedMutex(first);
  platform::CloseNamedMutex(second);
  EXPECT_FALSE(platform::NamedMutexExists("vigil20_semaph"));
  platform::NamedMutex* again = platform::CreateNamedMutex("vigil20_semaph", &existed, &error);
  EXPECT_FALSE(existed);
  platform::CloseNamedMutex(again);
}

TEST(Semaphores, AWaitTakesTheFirstAvailableOrTimesOut) {
  platform::Semaphore* a = platform::CreateSemaphoreObject(0, 1);
  platform::Semaphore* b = platform::CreateSemaphoreObject(0, 1);
  platform::Semaphore* both[] = {a, b};
  EXPECT_EQ(platform::WaitForSemaphores(both, 2, 20), platform::kWaitTimedOut);
  EXPECT_TRUE(platform::ReleaseSemaphoreObject(b));
  EXPECT_FALSE(platform::ReleaseSemaphoreObject(b));  // at its maximum
  EXPECT_EQ(platform::WaitForSemaphores(both, 2, 1000), 1);
  std::thread later([a] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    platform::ReleaseSemaphoreObject(a);
  });
  EXPECT_EQ(platform::WaitForSemaphores(both, 2, platform::kWaitForever), 0);
  later.join();
  EXPECT_EQ(platform::CreateSemaphoreObject(2, 1), nullptr);
  platform::CloseSemaphoreObject(a);
  platform::CloseSemaphoreObject(b);
}

TEST(NamedPipe, KeepsMessagesWholeAndCountsItsInstances) {
  TempHostRoot root;
  const char* name = "\\\\.\\pipe\\vigil20_pipe";
  platform::PipeSecurity* security = nullptr;
  ASSERT_EQ(platform::MakePipeSecurity("D:(A;OICI;GRGWGX;;;AU)", &security), 0u);
  std::vector<platform::PipeInstance*> instances(3);
  for (auto& instance : instances) ASSERT_EQ(platform::CreatePipeInstance(name, 3, 4096, security, &instance), 0u);
  platform::PipeInstance* extra = nullptr;
  EXPECT_EQ(platform::CreatePipeInstance(name, 3, 4096, security, &extra), platform::kErrorPipeBusy);
  platform::FreePipeSecurity(security);

  platform::PipeClient* client = nullptr;
  ASSERT_EQ(platform::ConnectToPipe(name, 1000, &client), 0u);
  ASSERT_EQ(platform::WaitForPipeClient(instances[0]), 0u);
  ASSERT_EQ(platform::WritePipeClient(client, "ab", 2), 0u);
  ASSERT_EQ(platform::WritePipeClient(client, "cde", 3), 0u);
  char buffer[16];
  uint32_t got = 0;
  ASSERT_EQ(platform::ReadPipeMessage(instances[0], buffer, sizeof buffer, &got, 1000), 0u);
  EXPECT_EQ(std::string(buffer, got), "ab");
  ASSERT_EQ(platform::ReadPipeMessage(instances[0], buffer, 2, &got, 1000), platform::kErrorMoreData);
  EXPECT_EQ(std::string(buffer, got), "cd");
  EXPECT_EQ(platform::ReadPipeMessage(instances[0], buffer, sizeof buffer, &got, 50), platform::kErrorTimeout);
  ASSERT_EQ(platform::WritePipeMessage(instances[0], "reply", 5), 0u);
  platform::DisconnectPipeClient(instances[0]);
  ASSERT_EQ(platform::ReadPipeClient(client, buffer, sizeof buffer, &got, 1000), 0u);
  EXPECT_EQ(std::string(buffer, got), "reply");  // still there after the disconnect
  EXPECT_EQ(platform::ReadPipeClient(client, buffer, sizeof buffer, &got, 1000), platform::kErrorBrokenPipe);
  platform::ClosePipeClient(client);

  platform::ClosePipeInstance(instances[0]);
  EXPECT_EQ(platform::CreatePipeInstance(name, 3, 4096, nullptr, &extra), 0u);  // one was freed
  platform::ClosePipeInstance(extra);
  platform::ClosePipeInstance(instances[1]);
  platform::ClosePipeInstance(instances[2]);
  // With no instance left, a client still queues for the next one.
  ASSERT_EQ(platform::ConnectToPipe(name, 100, &client), 0u);
  ASSERT_EQ(platform::CreatePipeInstance(name, 3, 4096, nullptr, &extra), 0u);
  ASSERT_EQ(platform::WaitForPipeClient(extra), 0u);
  ASSERT_EQ(platform::WritePipeClient(client, "late", 4), 0u);
  ASSERT_EQ(platform::ReadPipeMessage(extra, buffer, sizeof buffer, &got, 1000), 0u);
  EXPECT_EQ(std::string(buffer, got), "late");
  platform::ClosePipeClient(client);
  platform::ClosePipeInstance(extra);
}

TEST(PipeSecurity, LocalUsersReachThePipeOnlyWhenTheDescriptorLetsThem) {
  EXPECT_EQ(platform::ModeFromSddl("D:(A;OICI;GRGWGX;;;BG)(D;OICI;GA;;;AN)(A;OICI;GRGWGX;;;AU)(A;OICI;GA;;;BA)"),
            0666u);
  EXPECT_EQ(platform::ModeFromSddl("D:(A;OICI;GA;;;BA)"), 0600u);
  EXPECT_EQ(platform::ModeFromSddl("D:P(A;;0x12019f;;;WD)"), 0666u);
  EXPECT_FALSE(platform::ModeFromSddl("(A;;GA;;;BA)"));
  EXPECT_FALSE(platform::ModeFromSddl("D:(A;OICI;GA;;BA)"));
  EXPECT_FALSE(platform::ModeFromSddl("D:(X;;GA;;;BA)"));
  EXPECT_FALSE(platform::ModeFromSddl("D:(A;;G;;;BA)"));
}

TEST(SessionBroker, RequestsRoundTripAndDamagedOnesAreRefused) {
  platform::session::Request box;
  box.style = 0x200030;
  box.timeoutSeconds = 10;
  box.wait = true;
  box.title = "Alerta";
  box.text = "linha 1\nlinha 2";
  std::string bytes;
  ASSERT_TRUE(platform::session::Encode(box, &bytes));
  auto back = platform::session::Decode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->style, 0x200030u);
  EXPECT_EQ(back->title, "Alerta");
  EXPECT_EQ(back->text, "linha 1\nlinha 2");
  bytes[12] = 100;  // a title longer than the message
  EXPECT_FALSE(platform::session::Decode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  EXPECT_FALSE(platform::session::Decode(reinterpret_cast<const uint8_t*>(bytes.data()), 15));
}

TEST(MessageBox, WithNobodyListeningTheBoxTimesOutAtOnce) {
  TempHostRoot root;
  int32_t answer = 0;
  uint32_t error = 0;
  ASSERT_TRUE(platform::SendSessionMessage("Alerta", "texto", 0x30, 10, true, &answer, &error));
  EXPECT_EQ(answer, platform::kIdTimeout);
  ASSERT_TRUE(platform::SendSessionMessage("Alerta", "texto", 0x30, 10, false, &answer, &error));
  EXPECT_EQ(answer, platform::kIdAsync);
}

}  // namespace
