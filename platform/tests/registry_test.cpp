#include "platform/registry.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/linux/registry_file.h"
#include "platform/tests/support/temp_host_root.h"

using namespace platform;

namespace {

constexpr const char* kKeyPath = "Software\\Tessaly\\Vigil 2.0";

class RegistryTest : public ::testing::Test {
 protected:
  RegKey Create(const std::string& path, uint32_t access = kKeyAllAccess) {
    RegKey key = nullptr;
    EXPECT_EQ(CreateRegKey(kLocalMachine, path, access, &key, nullptr), kRegOk) << path;
    return key;
  }
  RegKey Open(const std::string& path, uint32_t access = kKeyAllAccess) {
    RegKey key = nullptr;
    EXPECT_EQ(OpenRegKey(kLocalMachine, path, access, &key), kRegOk) << path;
    return key;
  }
  static long SetString(RegKey key, const std::string& name, const std::string& text) {
    return SetRegValue(key, name, kRegSz, reinterpret_cast<const uint8_t*>(text.c_str()),
                       static_cast<uint32_t>(text.size() + 1));
  }
  static long SetDword(RegKey key, const std::string& name, uint32_t value) {
    return SetRegValue(key, name, kRegDword, reinterpret_cast<const uint8_t*>(&value), 4);
  }
  std::string ValuesFile(const std::string& keyDir) { return root_ / ("registry/HKEY_LOCAL_MACHINE/" + keyDir + "/.values"); }

  TempHostRoot root_;
};

TEST_F(RegistryTest, ValuesKeepTheirTypeAndBytes) {
  RegKey key = Create(kKeyPath);
  ASSERT_EQ(SetDword(key, "Interval", 1000), kRegOk);
  ASSERT_EQ(SetString(key, "HostName", "server"), kRegOk);
  const uint8_t expand[] = "%SystemRoot%\\log";
  ASSERT_EQ(SetRegValue(key, "Log", kRegExpandSz, expand, sizeof expand), kRegOk);
  const uint8_t blob[] = {0, 1, 0xFF, '\n', '"'};
  ASSERT_EQ(SetRegValue(key, "Blob", kRegBinary, blob, sizeof blob), kRegOk);

  uint32_t type = 0, size = 4, number = 0;
  ASSERT_EQ(QueryRegValue(key, "Interval", &type, reinterpret_cast<uint8_t*>(&number), &size), kRegOk);
  EXPECT_EQ(type, kRegDword);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(number, 1000u);

  char text[32];
  size = sizeof text;
  ASSERT_EQ(QueryRegValue(key, "HostName", &type, reinterpret_cast<uint8_t*>(text), &size), kRegOk);
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(size, 7u);  // the terminator is part of the value
  EXPECT_STREQ(text, "server");

  size = sizeof text;
  ASSERT_EQ(QueryRegValue(key, "Log", &type, reinterpret_cast<uint8_t*>(text), &size), kRegOk);
  EXPECT_EQ(type, kRegExpandSz);
  EXPECT_STREQ(text, "%SystemRoot%\\log");

  uint8_t read[8];
  size = sizeof read;
  ASSERT_EQ(QueryRegValue(key, "Blob", &type, read, &size), kRegOk);
  EXPECT_EQ(type, kRegBinary);
  ASSERT_EQ(size, sizeof blob);
  EXPECT_EQ(0, std::memcmp(read, blob, sizeof blob));

  // Replacing a value changes its type too.
  ASSERT_EQ(SetString(key, "Interval", "3"), kRegOk);
  EXPECT_EQ(QueryRegValue(key, "Interval", &type, nullptr, nullptr), kRegOk);
  EXPECT_EQ(type, kRegSz);
  CloseRegKey(key);
}

TEST_F(RegistryTest, AValueLongerThanTheBufferFailsAndLeavesItUntouched) {
  RegKey key = Create(kKeyPath);
  ASSERT_EQ(SetString(key, "Fits", std::string(254, 'a')), kRegOk);
  ASSERT_EQ(SetString(key, "TooLong", std::string(255, 'b')), kRegOk);

  char buffer[255];
  uint32_t size = sizeof buffer;
  EXPECT_EQ(QueryRegValue(key, "Fits", nullptr, reinterpret_cast<uint8_t*>(buffer), &size), kRegOk);
  EXPECT_EQ(size, 255u);

  std::memset(buffer, 'x', sizeof buffer);
  size = sizeof buffer;
  EXPECT_EQ(QueryRegValue(key, "TooLong", nullptr, reinterpret_cast<uint8_t*>(buffer), &size), kRegMoreData);
  EXPECT_EQ(size, 256u);  // the size that would be needed
  EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(255, 'x'));

  // Without a buffer the query only tells the size.
  size = 0;
  EXPECT_EQ(QueryRegValue(key, "TooLong", nullptr, nullptr, &size), kRegOk);
  EXPECT_EQ(size, 256u);
  CloseRegKey(key);
}

TEST_F(RegistryTest, NamesKeepTheirBytesAndMatchWithoutCase) {
  RegKey key = Create(kKeyPath);
  std::string cp1252 = "Identifica\xE7\xE3o";
  ASSERT_EQ(SetString(key, cp1252, "one"), kRegOk);
  ASSERT_EQ(SetString(key, "Identificacao", "two"), kRegOk);
  std::string odd = std::string("a\0\"=\\\n\xFF", 7);
  ASSERT_EQ(SetDword(key, odd, 7), kRegOk);

  char text[8];
  uint32_t size = sizeof text;
  ASSERT_EQ(QueryRegValue(key, "IDENTIFICA\xE7\xE3O", nullptr, reinterpret_cast<uint8_t*>(text), &size), kRegOk);
  EXPECT_STREQ(text, "one");
  EXPECT_EQ(QueryRegValue(key, odd, nullptr, nullptr, nullptr), kRegOk);

  // Setting through another case keeps the first spelling.
  ASSERT_EQ(SetString(key, "identificacao", "three"), kRegOk);
  std::vector<std::string> names;
  std::string name;
  for (uint32_t i = 0; EnumRegValue(key, i, &name, nullptr, nullptr) == kRegOk; ++i) names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{cp1252, "Identificacao", odd}));
  CloseRegKey(key);
}

TEST_F(RegistryTest, SubkeysNestAndOpenWithoutCase) {
  bool created = false;
  RegKey debug = nullptr;
  ASSERT_EQ(CreateRegKey(kLocalMachine, std::string(kKeyPath) + "\\Snmp Agent\\Debug", kKeyAllAccess, &debug, &created),
            kRegOk);
  EXPECT_TRUE(created);
  ASSERT_EQ(SetDword(debug, "Debug Log On", 1), kRegOk);
  CloseRegKey(debug);
  ASSERT_EQ(CreateRegKey(kLocalMachine, "SOFTWARE\\tessaly\\VIGIL 2.0\\snmp agent\\debug", kKeyAllAccess, &debug,
                         &created),
            kRegOk);
  EXPECT_FALSE(created);
  EXPECT_EQ(QueryRegValue(debug, "debug log on", nullptr, nullptr, nullptr), kRegOk);
  CloseRegKey(debug);

  RegKey key = Open(kKeyPath);
  RegKey web = nullptr;
  ASSERT_EQ(CreateRegKey(key, "Web Server", kKeyAllAccess, &web, nullptr), kRegOk);
  CloseRegKey(web);
  ASSERT_EQ(CreateRegKey(key, "Odd/.%\xE7", kKeyAllAccess, &web, nullptr), kRegOk);
  CloseRegKey(web);
  std::vector<std::string> subKeys;
  std::string name;
  for (uint32_t i = 0; EnumRegSubKey(key, i, &name) == kRegOk; ++i) subKeys.push_back(name);
  EXPECT_EQ(subKeys, (std::vector<std::string>{"Odd/.%\xE7", "Snmp Agent", "Web Server"}));

  RegKey missing = nullptr;
  EXPECT_EQ(OpenRegKey(key, "Nothing", kKeyRead, &missing), kRegNotFound);
  EXPECT_EQ(OpenRegKey(kLocalMachine, "Software\\\\Tessaly", kKeyRead, &missing), kRegInvalidParameter);
  EXPECT_EQ(CreateRegKey(key, std::string(256, 'k'), kKeyAllAccess, &missing, nullptr), kRegInvalidParameter);
  CloseRegKey(key);
}

// A key that holds a secret: its file of values is 0600 from its creation
// on, and stays so through writes, a second creation, and a file left
// wider by hand; other keys keep 0644.
TEST_F(RegistryTest, APrivateKeyIsReadableByItsOwnerOnly) {
  auto mode = [](const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 0777) : -1;
  };
  const std::string dir = root_ / "registry/HKEY_LOCAL_MACHINE/Software/Tessaly/Vigil 2.0/Seguranca";
  RegKey key = nullptr;
  bool created = false;
  ASSERT_EQ(CreatePrivateRegKey(kLocalMachine, std::string(kKeyPath) + "\\Seguranca", kKeyWrite, &key, &created),
            kRegOk);
  EXPECT_TRUE(created);
  EXPECT_EQ(mode(dir), 0700);
  EXPECT_EQ(mode(dir + "/.values"), 0600);
  ASSERT_EQ(SetString(key, "Net Key", "segredo"), kRegOk);
  EXPECT_EQ(mode(dir + "/.values"), 0600);
  CloseRegKey(key);

  ASSERT_EQ(chmod((dir + "/.values").c_str(), 0644), 0);
  ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
  ASSERT_EQ(CreatePrivateRegKey(kLocalMachine, std::string(kKeyPath) + "\\Seguranca", kKeyAllAccess, &key, &created),
            kRegOk);
  EXPECT_FALSE(created);
  EXPECT_EQ(mode(dir), 0700);
  EXPECT_EQ(mode(dir + "/.values"), 0600);
  ASSERT_EQ(SetString(key, "Net Key", "outro"), kRegOk);
  EXPECT_EQ(mode(dir + "/.values"), 0600);
  char text[16];
  uint32_t size = sizeof text;
  ASSERT_EQ(QueryRegValue(key, "Net Key", nullptr, reinterpret_cast<uint8_t*>(text), &size), kRegOk);
  EXPECT_STREQ(text, "outro");
  CloseRegKey(key);

  key = Create(kKeyPath);
  ASSERT_EQ(SetString(key, "HostName", "server"), kRegOk);
  CloseRegKey(key);
  EXPECT_EQ(mode(root_ / "registry/HKEY_LOCAL_MACHINE/Software/Tessaly/Vigil 2.0/.values"), 0644);
}

TEST_F(RegistryTest, AnEmptyRegistryHasNoKeys) {
  RegKey key = nullptr;
  EXPECT_EQ(OpenRegKey(kLocalMachine, kKeyPath, kKeyRead, &key), kRegNotFound);
  std::string name;
  EXPECT_EQ(EnumRegSubKey(kLocalMachine, 0, &name), kRegNoMoreItems);
  EXPECT_EQ(QueryRegValue(kLocalMachine, "x", nullptr, nullptr, nullptr), kRegNotFound);
}

TEST_F(RegistryTest, AccessRightsOfTheHandleAreEnforced) {
  RegKey key = Create(kKeyPath);
  ASSERT_EQ(SetDword(key, "Interval", 1), kRegOk);
  CloseRegKey(key);
  RegKey reader = Open(kKeyPath, kKeyQueryValue);
  EXPECT_EQ(SetDword(reader, "Interval", 2), kRegAccessDenied);
  EXPECT_EQ(DeleteRegValue(reader, "Interval"), kRegAccessDenied);
  std::string name;
  EXPECT_EQ(EnumRegSubKey(reader, 0, &name), kRegAccessDenied);
  CloseRegKey(reader);
  RegKey writer = Open(kKeyPath, kKeyWrite);
  EXPECT_EQ(QueryRegValue(writer, "Interval", nullptr, nullptr, nullptr), kRegAccessDenied);
  CloseRegKey(writer);
}

TEST_F(RegistryTest, DeletingValuesAndTrees) {
  RegKey key = Create(std::string(kKeyPath) + "\\Snmp Agent\\Debug");
  CloseRegKey(key);
  key = Open(kKeyPath);
  ASSERT_EQ(SetDword(key, "Interval", 1), kRegOk);
  ASSERT_EQ(SetDword(key, "ComPort", 2), kRegOk);
  EXPECT_EQ(DeleteRegValue(key, "INTERVAL"), kRegOk);
  EXPECT_EQ(DeleteRegValue(key, "Interval"), kRegNotFound);
  EXPECT_EQ(QueryRegValue(key, "ComPort", nullptr, nullptr, nullptr), kRegOk);

  RegKey agent = Open(std::string(kKeyPath) + "\\Snmp Agent");
  EXPECT_EQ(DeleteRegTree(key, "snmp agent"), kRegOk);
  RegKey gone = nullptr;
  EXPECT_EQ(OpenRegKey(key, "Snmp Agent\\Debug", kKeyRead, &gone), kRegNotFound);
  // A handle left open on a deleted key fails, as on Windows.
  EXPECT_EQ(SetDword(agent, "Max Events", 10), kRegKeyDeleted);
  EXPECT_EQ(QueryRegValue(agent, "Max Events", nullptr, nullptr, nullptr), kRegKeyDeleted);
  EXPECT_EQ(DeleteRegTree(key, ""), kRegInvalidParameter);
  CloseRegKey(agent);
  CloseRegKey(key);
}

TEST_F(RegistryTest, ADamagedKeyFileReadsAsMissingValuesAndIsDescribed) {
  RegKey key = Create(kKeyPath);
  ASSERT_EQ(SetDword(key, "ComPort", 3), kRegOk);
  {
    std::ofstream out(ValuesFile("Software/Tessaly/Vigil 2.0"), std::ios::app | std::ios::binary);
    out << "\"Interval\"=dword:notanumber\n\x01\x02\xff garbage";
  }
  uint32_t value = 0, size = 4;
  EXPECT_EQ(QueryRegValue(key, "ComPort", nullptr, reinterpret_cast<uint8_t*>(&value), &size), kRegOk);
  EXPECT_EQ(value, 3u);
  EXPECT_EQ(QueryRegValue(key, "Interval", nullptr, nullptr, nullptr), kRegNotFound);

  std::vector<std::string> problems;
  ASSERT_EQ(DescribeRegKeyDamage(key, &problems), kRegOk);
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_NE(problems[0].find(".values:2: "), std::string::npos) << problems[0];
  EXPECT_NE(problems[1].find(".values:3: "), std::string::npos) << problems[1];

  // A change keeps the damaged lines for a person to mend.
  ASSERT_EQ(SetDword(key, "Interval", 5), kRegOk);
  ASSERT_EQ(DescribeRegKeyDamage(key, &problems), kRegOk);
  EXPECT_EQ(problems.size(), 2u);
  EXPECT_EQ(QueryRegValue(key, "Interval", nullptr, reinterpret_cast<uint8_t*>(&value), &size), kRegOk);
  EXPECT_EQ(value, 5u);
  CloseRegKey(key);
}

TEST_F(RegistryTest, AKeyFileTooLargeToBeOursReadsAsUnreadable) {
  RegKey key = Create(kKeyPath);
  ASSERT_EQ(SetDword(key, "ComPort", 3), kRegOk);
  std::filesystem::resize_file(ValuesFile("Software/Tessaly/Vigil 2.0"), 65 * 1024 * 1024);
  EXPECT_EQ(QueryRegValue(key, "ComPort", nullptr, nullptr, nullptr), kRegBadDb);
  EXPECT_EQ(SetDword(key, "ComPort", 4), kRegBadDb);
  std::vector<std::string> problems;
  ASSERT_EQ(DescribeRegKeyDamage(key, &problems), kRegOk);
  ASSERT_EQ(problems.size(), 1u);
  CloseRegKey(key);
}

TEST_F(RegistryTest, SomethingOtherThanAKeyInTheWayStopsCreation) {
  RegKey key = Create(kKeyPath);
  std::ofstream(root_ / "registry/HKEY_LOCAL_MACHINE/Software/Tessaly/Vigil 2.0/Web Server") << "not a key";
  RegKey web = nullptr;
  EXPECT_NE(CreateRegKey(key, "Web Server", kKeyAllAccess, &web, nullptr), kRegOk);
  EXPECT_EQ(OpenRegKey(key, "Web Server", kKeyRead, &web), kRegNotFound);
  CloseRegKey(key);
}

TEST_F(RegistryTest, OversizedInputsAreRefused) {
  RegKey key = Create(kKeyPath);
  std::vector<uint8_t> big(kMaxValueBytes + 1);
  EXPECT_EQ(SetRegValue(key, "Big", kRegBinary, big.data(), static_cast<uint32_t>(big.size())), kRegInvalidParameter);
  EXPECT_EQ(SetRegValue(key, std::string(kMaxValueNameBytes + 1, 'n'), kRegBinary, big.data(), 1),
            kRegInvalidParameter);
  EXPECT_EQ(SetRegValue(key, "Null", kRegBinary, nullptr, 4), kRegInvalidParameter);
  CloseRegKey(key);
}

}  // namespace
