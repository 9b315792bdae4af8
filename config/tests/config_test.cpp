// The generic store: declaration, subkey selection, and the Load and Save
// rules, on small settings classes of the tests' own.
#include "config/config.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>

#include "platform/registry.h"
#include "tests/support/test_host.h"

using namespace platform;

namespace {

constexpr const char* kPath = "Software\\Test\\Store";

RegKey CreateKey(const std::string& path) {
  RegKey key = nullptr;
  EXPECT_EQ(CreateRegKey(kLocalMachine, path, kKeyAllAccess, &key, nullptr), kRegOk);
  return key;
}

void PutBytes(const std::string& path, const std::string& name, uint32_t type, const std::string& bytes) {
  RegKey key = CreateKey(path);
  ASSERT_EQ(SetRegValue(key, name, type, reinterpret_cast<const uint8_t*>(bytes.data()),
                        static_cast<uint32_t>(bytes.size())),
            kRegOk);
  CloseRegKey(key);
}

std::optional<std::string> GetBytes(const std::string& path, const std::string& name) {
  RegKey key = nullptr;
  if (OpenRegKey(kLocalMachine, path, kKeyRead, &key) != kRegOk) return std::nullopt;
  uint32_t size = 0;
  std::optional<std::string> bytes;
  if (QueryRegValue(key, name, nullptr, nullptr, &size) == kRegOk) {
    bytes = std::string(size, '\0');
    QueryRegValue(key, name, nullptr, reinterpret_cast<uint8_t*>(bytes->data()), &size);
  }
  CloseRegKey(key);
  return bytes;
}

class Settings : public CConfig {
 public:
  int RegisterValues() override {
    AddInt("Number", 7, &number);
    AddString("Text", "default", &text);
    SetSubKey("Lists");
    AddStringList("Names", &names);
    AddInt("Inner", 9, &inner);
    return 1;
  }
  int32_t number = 0;
  std::string text;
  std::vector<std::string> names;
  int32_t inner = 0;
};

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_.SetRootKey(kLocalMachine, kPath);
    settings_.RegisterValues();
  }
  TestHost host_;
  Settings settings_;
};

TEST(Store, SubKeysAreListedOnceEachAndSelectedByExactName) {
  CConfig config;
  int32_t a, b, c, d, e;
  config.AddInt("A", 1, &a);
  config.SetSubKey("Snmp Agent");
  config.AddInt("B", 2, &b);
  config.SetSubKey("Snmp Agent\\Debug");
  config.AddInt("C", 3, &c);
  config.SetSubKey("Snmp Agent");
  config.AddInt("D", 4, &d);
  config.SetSubKey("snmp agent");
  config.SetSubKey(".");
  config.AddInt("E", 5, &e);
  EXPECT_EQ(config.SubKeys(), (std::vector<std::string>{"Snmp Agent", "Snmp Agent\\Debug", "snmp agent"}));
  std::vector<int32_t> indexes;
  for (const auto& data : config.Settings()) indexes.push_back(data->subKeyIndex);
  EXPECT_EQ(indexes, (std::vector<int32_t>{-1, 0, 1, 0, -1}));
  EXPECT_EQ(a + b + c + d + e, 15) << "every member holds its default at once";
}

TEST(Store, WithoutAPathNothingLoadsOrSaves) {
  TestHost host;
  Settings settings;
  settings.RegisterValues();
  EXPECT_EQ(settings.Load(), 0);
  EXPECT_EQ(settings.Save(), 0);
  // Not even the root took the values in place of a key.
  EXPECT_EQ(QueryRegValue(kLocalMachine, "Number", nullptr, nullptr, nullptr), kRegNotFound);
  EXPECT_EQ(GetBytes(kPath, "Number"), std::nullopt);
}

TEST_F(StoreTest, SaveThenLoadBringsBackEveryKind) {
  settings_.number = -5;
  settings_.text = "changed";
  settings_.names = {"one", "two", "three"};
  settings_.inner = 123;
  ASSERT_EQ(settings_.Save(), 1);
  EXPECT_EQ(GetBytes(std::string(kPath) + "\\Lists\\Names", "2"), std::string("three\0", 6));

  Settings loaded;
  loaded.SetRootKey(kLocalMachine, kPath);
  loaded.RegisterValues();
  ASSERT_EQ(loaded.Load(), 1);
  EXPECT_EQ(loaded.number, -5);
  EXPECT_EQ(loaded.text, "changed");
  EXPECT_EQ(loaded.names, (std::vector<std::string>{"one", "two", "three"}));
  EXPECT_EQ(loaded.inner, 123);

  // Loading again replaces the list rather than adding to it.
  ASSERT_EQ(loaded.Load(), 1);
  EXPECT_EQ(loaded.names.size(), 3u);
}

TEST_F(StoreTest, AShorterListLeavesNoStaleEntriesBehind) {
  settings_.names = {"a", "b", "c", "d"};
  ASSERT_EQ(settings_.Save(), 1);
  settings_.names = {"x"};
  ASSERT_EQ(settings_.Save(), 1);
  EXPECT_EQ(GetBytes(std::string(kPath) + "\\Lists\\Names", "1"), std::nullopt);
  EXPECT_EQ(GetBytes(std::string(kPath) + "\\Lists\\Names", "3"), std::nullopt);
  settings_.names.clear();
  ASSERT_EQ(settings_.Load(), 1);
  EXPECT_EQ(settings_.names, std::vector<std::string>{"x"});
}

TEST_F(StoreTest, MistypedOrMisSizedValuesKeepTheirDefaults) {
  PutBytes(kPath, "Number", kRegSz, std::string("3\0", 2));
  PutBytes(kPath, "Text", kRegExpandSz, std::string("expand\0", 7));
  ASSERT_EQ(settings_.Load(), 1);
  EXPECT_EQ(settings_.number, 7);
  EXPECT_EQ(settings_.text, "default");

  // A REG_DWORD of two bytes would fill half the member.
  PutBytes(kPath, "Number", kRegDword, std::string("\x01\x02", 2));
  ASSERT_EQ(settings_.Load(), 1);
  EXPECT_EQ(settings_.number, 7);
}

TEST_F(StoreTest, StringsLoadUpToTheBufferAndToTheirFirstZero) {
  PutBytes(kPath, "Text", kRegSz, std::string(254, 's') + '\0');
  ASSERT_EQ(settings_.Load(), 1);
  EXPECT_EQ(settings_.text, std::string(254, 's'));

  settings_.text = "kept";
  PutBytes(kPath, "Text", kRegSz, std::string(255, 't') + '\0');
  ASSERT_EQ(settings_.Load(), 1);
  EXPECT_EQ(settings_.text, "kept");

  // Stored without its terminator (by another tool), the text still ends
  // where the value ends, never past it.
  PutBytes(kPath, "Text", kRegSz, "unterminated");
  ASSERT_EQ(settings_.Load(), 1);
  EXPECT_EQ(settings_.text, "unterminated");
  PutBytes(kPath, "Text", kRegSz, std::string("cut\0after\0", 10));
  ASSERT_EQ(settings_.Load(), 1);
  EXPECT_EQ(settings_.text, "cut");
}

TEST_F(StoreTest, ATextThatCouldNotLoadBackIsNotSaved) {
  settings_.text = "short";
  ASSERT_EQ(settings_.Save(), 1);
  settings_.text = std::string(255, 'L');
  settings_.number = 11;
  EXPECT_EQ(settings_.Save(), 1) << "a single value failing does not fail the save";
  EXPECT_EQ(GetBytes(kPath, "Text"), std::string("short\0", 6));
  EXPECT_EQ(GetBytes(kPath, "Number"), std::string("\x0b\0\0\0", 4));
}

TEST_F(StoreTest, AMissingKeyLoadsNothingAndAnUnreadableSubkeyIsSkipped) {
  EXPECT_EQ(settings_.Load(), 0);
  EXPECT_EQ(settings_.number, 7);
  EXPECT_EQ(settings_.inner, 9);

  PutBytes(kPath, "Number", kRegDword, std::string("\x02\0\0\0", 4));
  ASSERT_EQ(settings_.Load(), 1);
  EXPECT_EQ(settings_.number, 2);
  EXPECT_EQ(settings_.inner, 9);
}

TEST_F(StoreTest, UndeclaredValuesAreLeftAlone) {
  PutBytes(kPath, "Other", kRegBinary, "\x01\x02");
  PutBytes(std::string(kPath) + "\\Elsewhere", "Number", kRegDword, std::string("\x63\0\0\0", 4));
  ASSERT_EQ(settings_.Save(), 1);
  ASSERT_EQ(settings_.Load(), 1);
  EXPECT_EQ(settings_.number, 7);
  EXPECT_EQ(GetBytes(kPath, "Other"), "\x01\x02");
  EXPECT_EQ(GetBytes(std::string(kPath) + "\\Elsewhere", "Number"), std::string("\x63\0\0\0", 4));
}

}  // namespace
