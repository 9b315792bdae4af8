// The event file over the Linux stand-in's Windows directory.
#include <gtest/gtest.h>

#include "eventfile/event_file.h"
#include "platform/tests/support/temp_host_root.h"

namespace {

TEST(EventFilePath, ATooLongWindowsDirectoryLeavesTheFileUnopenable) {
  TempHostRoot root;
  std::string deep = root.path() + "/" + std::string(120, 'd') + "/" + std::string(120, 'e');
  setenv("VIGIL20_HOST_ROOT", deep.c_str(), 1);
  CEventFile file(kEventFileName);
  EXPECT_EQ(file.Path(), "");
  EXPECT_FALSE(file.OpenForWriting());
}

}  // namespace
