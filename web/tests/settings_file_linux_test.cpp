// The configuration file on disk: a KEY in a file others may read is
// refused, as is a missing file; without a KEY the mode does not matter.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "web/web_settings.h"
#include "owner_only_settings.h"
#include "web_test_support.h"

namespace {

using namespace web;
namespace fs = std::filesystem;

TEST(WebConfigFileTest, AKeyMayOnlyLieInAFileOfItsOwner) {
  web_test::TempFolder folder;
  std::string path = folder / "vigil-web.conf";
  { std::ofstream(path) << "KEY segredo\n"; }
  WebSettings s;
  web_test::ExpectReadOnlyOnceOwnerOnly(
      path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read, &s);
  EXPECT_EQ(s.key, "segredo");

  std::string error;
  { std::ofstream(path) << "LISTEN 127.0.0.1\n"; }
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
  EXPECT_TRUE(ReadWebConfig(path, &s, &error)) << error;

  EXPECT_FALSE(ReadWebConfig(folder / "missing.conf", &s, &error));
  EXPECT_NE(error.find("missing.conf"), std::string::npos);
  { std::ofstream(path) << "LISTEN 127.0.0.1\nFOO\n"; }
  EXPECT_FALSE(ReadWebConfig(path, &s, &error));
  EXPECT_NE(error.find("vigil-web.conf: line 2: unknown setting FOO"), std::string::npos) << error;
}

}  // namespace
