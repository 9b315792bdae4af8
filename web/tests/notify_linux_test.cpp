// The notifications' parts that exist on Linux only so far: the settings
// file's mode with secrets in it, and the sending thread's delays.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "web/notify/channel_sender.h"
#include "web/web_settings.h"
#include "owner_only_settings.h"
#include "web_test_support.h"

namespace web {
namespace {

using web_test::TempFolder;

TEST(NotifySettings, TheSecretsKeepTheFileToItsOwner) {
  TempFolder folder;
  std::string path = folder / "vigil-web.conf";
  std::ofstream(path) << "WEBHOOK_URL http://127.0.0.1:9/x\nWEBHOOK_HEADER \"Authorization: Bearer abc\"\n";
  namespace fs = std::filesystem;
  WebSettings s;
  web_test::ExpectReadOnlyOnceOwnerOnly(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read, &s);
}

TEST(ChannelSender, DelaysGrowFromTheLeastToTheMost) {
  EXPECT_EQ(NextRetryDelayMs(0, 10, 600), 10000);
  EXPECT_EQ(NextRetryDelayMs(10000, 10, 600), 20000);
  EXPECT_EQ(NextRetryDelayMs(320000, 10, 600), 600000);
  EXPECT_EQ(NextRetryDelayMs(600000, 10, 600), 600000);
}

}  // namespace
}  // namespace web
