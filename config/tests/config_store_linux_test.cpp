// The store over the Linux stand-in's files.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "config/apl_config.h"
#include "config/config.h"
#include "platform/registry.h"
#include "platform/tests/support/temp_host_root.h"

using namespace platform;

namespace {

constexpr const char* kPath = "Software\\Test\\Store";

class Settings : public CConfig {
 public:
  int RegisterValues() override {
    AddInt("Number", 7, &number);
    SetSubKey("Lists");
    AddInt("Inner", 9, &inner);
    return 1;
  }
  int32_t number = 0;
  int32_t inner = 0;
};

TEST(StoreOnLinux, ASubkeyThatCannotBeCreatedStopsTheSaveThere) {
  TempHostRoot root;
  Settings settings;
  settings.SetRootKey(kLocalMachine, kPath);
  settings.RegisterValues();
  RegKeyHandle key;
  ASSERT_EQ(CreateRegKey(kLocalMachine, kPath, kKeyAllAccess, key.out(), nullptr), kRegOk);
  // A plain file where the subkey's directory would go.
  std::ofstream(root / "registry/HKEY_LOCAL_MACHINE/Software/Test/Store/Lists") << "in the way";
  EXPECT_EQ(settings.Save(), 0);
  uint32_t number = 0;
  EXPECT_EQ(QueryRegDword(key.get(), "Number", &number), kRegOk) << "written before the subkey";
  EXPECT_EQ(number, 7u);
  RegKeyHandle lists;
  EXPECT_NE(OpenRegKey(kLocalMachine, std::string(kPath) + "\\Lists", kKeyRead, lists.out()), kRegOk);
}

TEST(StoreOnLinux, WithoutAPathNoKeyDirectoryIsMade) {
  TempHostRoot root;
  Settings settings;
  settings.RegisterValues();
  EXPECT_EQ(settings.Save(), 0);
  EXPECT_FALSE(std::filesystem::exists(root / "registry/HKEY_LOCAL_MACHINE/Software"));
}

// The applet's save leaves the LAN's key in a file of its owner alone.
TEST(StoreOnLinux, TheNetworkKeyIsSavedInAPrivateSubkey) {
  TempHostRoot root;
  CAplConfig config;
  config.SetRootKey(kLocalMachine, kAplConfigKey);
  config.RegisterValues();
  config.netKey = "segredo";
  ASSERT_EQ(config.Save(), 1);
  struct stat st;
  const std::string key = root / "registry/HKEY_LOCAL_MACHINE/Software/Tessaly/Vigil 2.0";
  ASSERT_EQ(stat((key + "/Seguranca/.values").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(stat((key + "/Seguranca").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  ASSERT_EQ(stat((key + "/Web Server/.values").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
  CAplConfig loaded;
  loaded.SetRootKey(kLocalMachine, kAplConfigKey);
  loaded.RegisterValues();
  ASSERT_EQ(loaded.Load(), 1);
  EXPECT_EQ(loaded.netKey, "segredo");
}

}  // namespace
