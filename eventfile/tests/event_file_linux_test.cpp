// The event file over the Linux stand-in's Windows directory.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "eventfile/event_file.h"
#include "platform/tests/support/temp_host_root.h"

using core::kEventFileName;

namespace {

TEST(EventFilePath, ATooLongWindowsDirectoryLeavesTheFileUnopenable) {
  TempHostRoot root;
  std::string deep = root.path() + "/" + std::string(120, 'd') + "/" + std::string(120, 'e');
  setenv("VIGIL20_HOST_ROOT", deep.c_str(), 1);
  CEventFile file(kEventFileName);
  EXPECT_EQ(file.Path(), "");
  EXPECT_FALSE(file.OpenForWriting());
}

// A reader on a computer without the suite (vigil-web looking for the
// suite's events) finds no file and creates nothing; the first writer makes
// the Windows directory.
TEST(EventFilePath, OnlyAWriterMakesTheWindowsDirectory) {
  TempHostRoot root;
  std::string windows = root.path() + "/windows";
  CEventFile reader(kEventFileName);
  EXPECT_EQ(reader.Path(), windows + "/" + kEventFileName);
  EXPECT_FALSE(reader.OpenForReading());
  EXPECT_FALSE(std::filesystem::exists(windows));

  CEventFile writer(kEventFileName);
  ASSERT_TRUE(writer.OpenForWriting());
  EXPECT_TRUE(std::filesystem::is_directory(windows));
  EXPECT_TRUE(std::filesystem::exists(writer.Path()));
  EXPECT_TRUE(reader.OpenForReading());
}

// Something other than a folder where the Windows directory belongs: the
// writer says it cannot open rather than writing elsewhere.
TEST(EventFilePath, AFileInPlaceOfTheWindowsDirectoryRefusesTheWriter) {
  TempHostRoot root;
  std::ofstream(root.path() + "/windows") << "not a folder";
  CEventFile writer(kEventFileName);
  EXPECT_FALSE(writer.OpenForWriting());
}

}  // namespace
