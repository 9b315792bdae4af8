// A settings file that holds a secret is refused while anyone but its owner
// may read it (the error names the mode 0600), and read once it is the
// owner's alone. Leaves the file in mode 0600 and `settings` as read.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "web/web_settings.h"

namespace web_test {

inline void ExpectReadOnlyOnceOwnerOnly(const std::string& path, std::filesystem::perms loose,
                                        web::WebSettings* settings) {
  namespace fs = std::filesystem;
  fs::permissions(path, loose);
  std::string error;
  EXPECT_FALSE(web::ReadWebConfig(path, settings, &error));
  EXPECT_NE(error.find("0600"), std::string::npos) << error;
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_TRUE(web::ReadWebConfig(path, settings, &error)) << error;
}

}  // namespace web_test
