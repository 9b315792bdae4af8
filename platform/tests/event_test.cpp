// The automatically resetting event: one setting wakes one wait, and a
// second setting before the wait changes nothing.
#include <gtest/gtest.h>

#include <thread>

#include "platform/event.h"
#include "tests/support/test_host.h"

namespace {

TEST(Event, SetsOnceForOneWaitAndResetsItself) {
  TestHost host;
  std::string error;
  platform::Event* event = platform::CreateAutoResetEvent("vigil_test_event", &error);
  ASSERT_NE(event, nullptr) << error;
  EXPECT_FALSE(platform::WaitEvent(event, 0)) << "created clear";
  ASSERT_TRUE(platform::SetEvent(event));
  ASSERT_TRUE(platform::SetEvent(event));
  EXPECT_TRUE(platform::WaitEvent(event, 1000));
  EXPECT_FALSE(platform::WaitEvent(event, 50)) << "two settings, one wait";

  // The same name is the same event; its handle waits as well.
  platform::Event* same = platform::CreateAutoResetEvent("vigil_test_event", &error);
  ASSERT_NE(same, nullptr) << error;
  std::thread setter([same] { platform::SetEvent(same); });
  EXPECT_TRUE(platform::WaitEventHandle(platform::EventHandle(event), 5000));
  setter.join();
  platform::CloseEvent(same);
  platform::CloseEvent(event);
}

}  // namespace
