// vigil-reg run as a separate program against a private host root.
#include <fstream>
#include <gtest/gtest.h>

#include "platform/registry.h"
#include "tests/support/sandbox.h"
#include "platform/tests/support/temp_host_root.h"

using namespace platform;

namespace {

constexpr const char* kKey = "HKLM\\Software\\Tessaly\\Vigil 2.0";

class VigilRegTest : public ::testing::Test {
 protected:
  static CommandResult Reg(std::vector<std::string> args) {
    args.insert(args.begin(), VIGIL_REG);
    return RunProcess(args, 10000);
  }
  // The stored bytes and type of a value, read through the registry itself.
  static std::pair<uint32_t, std::string> Stored(const std::string& path, const std::string& name) {
    RegKey key = nullptr;
    if (OpenRegKey(kLocalMachine, path, kKeyRead, &key) != kRegOk) return {0, "<no key>"};
    uint32_t type = 0, size = 0;
    std::string data = "<no value>";
    if (QueryRegValue(key, name, &type, nullptr, &size) == kRegOk) {
      data.assign(size, '\0');
      QueryRegValue(key, name, &type, reinterpret_cast<uint8_t*>(data.data()), &size);
    }
    CloseRegKey(key);
    return {type, data};
  }
  TempHostRoot root_;
};

TEST_F(VigilRegTest, AddsEveryTypeAndQueriesItBack) {
  ASSERT_EQ(Reg({"add", kKey, "/v", "Interval", "/t", "REG_DWORD", "/d", "0x3e8"}).status, 0);
  ASSERT_EQ(Reg({"add", kKey, "/v", "Signal Filter", "/t", "reg_dword", "/d", "-1"}).status, 0);
  ASSERT_EQ(Reg({"add", kKey, "/v", "HostName", "/d", "servidor"}).status, 0);
  ASSERT_EQ(Reg({"add", kKey, "/v", "Path", "/t", "REG_EXPAND_SZ", "/d", "%SystemRoot%\\x"}).status, 0);
  ASSERT_EQ(Reg({"add", kKey, "/v", "Blob", "/t", "REG_BINARY", "/d", "00ff10"}).status, 0);
  ASSERT_EQ(Reg({"add", kKey, "/ve", "/d", "default"}).status, 0);

  EXPECT_EQ(Stored("Software\\Tessaly\\Vigil 2.0", "Interval"),
            std::make_pair(kRegDword, std::string("\xe8\x03\0\0", 4)));
  EXPECT_EQ(Stored("Software\\Tessaly\\Vigil 2.0", "Signal Filter"),
            std::make_pair(kRegDword, std::string("\xff\xff\xff\xff", 4)));
  EXPECT_EQ(Stored("Software\\Tessaly\\Vigil 2.0", "HostName"), std::make_pair(kRegSz, std::string("servidor\0", 9)));
  EXPECT_EQ(Stored("Software\\Tessaly\\Vigil 2.0", "Path").first, kRegExpandSz);
  EXPECT_EQ(Stored("Software\\Tessaly\\Vigil 2.0", "Blob"), std::make_pair(kRegBinary, std::string("\0\xff\x10", 3)));

  auto query = Reg({"query", kKey});
  EXPECT_EQ(query.status, 0) << query.err;
  EXPECT_EQ(query.out,
            "\nHKEY_LOCAL_MACHINE\\Software\\Tessaly\\Vigil 2.0\n"
            "    Interval    REG_DWORD    0x3e8\n"
            "    Signal Filter    REG_DWORD    0xffffffff\n"
            "    HostName    REG_SZ    servidor\n"
            "    Path    REG_EXPAND_SZ    %SystemRoot%\\x\n"
            "    Blob    REG_BINARY    00FF10\n"
            "    (Default)    REG_SZ    default\n");
}

TEST_F(VigilRegTest, NamesTypedInUtf8AreStoredInWindows1252) {
  ASSERT_EQ(Reg({"add", kKey, "/v", "Identificação", "/d", "Sala ç"}).status, 0);
  EXPECT_EQ(Stored("Software\\Tessaly\\Vigil 2.0", "Identifica\xE7\xE3o"),
            std::make_pair(kRegSz, std::string("Sala \xE7\0", 7)));
  auto query = Reg({"query", kKey, "/v", "Identificação"});
  EXPECT_EQ(query.status, 0) << query.err;
  EXPECT_NE(query.out.find("Identificação    REG_SZ    Sala ç"), std::string::npos) << query.out;

  // /raw takes the bytes as given.
  ASSERT_EQ(Reg({"add", kKey, "/v", "Raw\xE7", "/d", "\x81", "/raw"}).status, 0);
  EXPECT_EQ(Stored("Software\\Tessaly\\Vigil 2.0", "Raw\xE7"), std::make_pair(kRegSz, std::string("\x81\0", 2)));
  // Without it, bytes that are not UTF-8, or characters Windows-1252 lacks, are refused.
  EXPECT_EQ(Reg({"add", kKey, "/v", "Raw\xE7", "/d", "x", "/f"}).status, 2);
  auto refused = Reg({"add", kKey, "/v", "Snow", "/d", "\xE2\x98\x83"});
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find("Windows-1252 lacks"), std::string::npos) << refused.err;
  EXPECT_EQ(Reg({"add", kKey, "/v", "Euro", "/d", "\xE2\x82\xAC"}).status, 0);
  EXPECT_EQ(Stored("Software\\Tessaly\\Vigil 2.0", "Euro").second, std::string("\x80\0", 2));
}

TEST_F(VigilRegTest, ReplacingNeedsForceAndDeletingRemoves) {
  ASSERT_EQ(Reg({"add", kKey + std::string("\\Snmp Agent"), "/v", "Max Events", "/t", "REG_DWORD", "/d", "50"}).status,
            0);
  auto refused = Reg({"add", kKey + std::string("\\Snmp Agent"), "/v", "Max Events", "/t", "REG_DWORD", "/d", "60"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(Stored("Software\\Tessaly\\Vigil 2.0\\Snmp Agent", "Max Events").second, std::string("\x32\0\0\0", 4));
  EXPECT_EQ(
      Reg({"add", kKey + std::string("\\Snmp Agent"), "/v", "Max Events", "/t", "REG_DWORD", "/d", "60", "/f"}).status,
      0);
  EXPECT_EQ(Stored("Software\\Tessaly\\Vigil 2.0\\Snmp Agent", "Max Events").second, std::string("\x3c\0\0\0", 4));

  auto listing = Reg({"query", kKey, "/s"});
  EXPECT_NE(listing.out.find("Vigil 2.0\\Snmp Agent\n    Max Events    REG_DWORD    0x3c\n"), std::string::npos)
      << listing.out;

  EXPECT_EQ(Reg({"delete", kKey + std::string("\\Snmp Agent"), "/v", "Max Events"}).status, 1);  // not confirmed
  EXPECT_EQ(Reg({"delete", kKey + std::string("\\Snmp Agent"), "/v", "Max Events", "/f"}).status, 0);
  EXPECT_EQ(Stored("Software\\Tessaly\\Vigil 2.0\\Snmp Agent", "Max Events").second, "<no value>");
  EXPECT_EQ(Reg({"delete", kKey, "/f"}).status, 0);
  EXPECT_EQ(Reg({"query", kKey}).status, 1);
  EXPECT_EQ(Reg({"delete", "HKLM", "/f"}).status, 2);
  auto root = Reg({"query", "HKLM"});
  EXPECT_EQ(root.status, 0) << root.err;
  EXPECT_EQ(root.out, "\nHKEY_LOCAL_MACHINE\n\nHKEY_LOCAL_MACHINE\\Software\n");
}

TEST_F(VigilRegTest, ADamagedKeyIsReportedWithItsPlace) {
  ASSERT_EQ(Reg({"add", kKey, "/v", "ComPort", "/t", "REG_DWORD", "/d", "3"}).status, 0);
  std::ofstream(root_ / "registry/HKEY_LOCAL_MACHINE/Software/Tessaly/Vigil 2.0/.values", std::ios::app)
      << "\"Interval\"=dword:12x\n";
  auto query = Reg({"query", kKey});
  EXPECT_EQ(query.status, 1);
  EXPECT_NE(query.out.find("ComPort    REG_DWORD    0x3"), std::string::npos) << query.out;
  EXPECT_NE(query.err.find("Vigil 2.0/.values:2: unexpected text after the value (read as missing)"),
            std::string::npos)
      << query.err;
}

TEST_F(VigilRegTest, WrongUsageIsRefusedWithTheManual) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"query"},
           {"query", "HKCU\\Software"},
           {"frobnicate", kKey},
           {"add", kKey, "/v", "x", "/t", "REG_DWORD", "/d", "12abc"},
           {"add", kKey, "/v", "x", "/t", "REG_DWORD", "/d", "4294967296"},
           {"add", kKey, "/v", "x", "/t", "REG_BINARY", "/d", "abc"},
           {"add", kKey, "/v", "x", "/t", "REG_MULTI_SZ"},
           {"add", kKey, "/bogus"},
       }) {
    auto result = Reg(args);
    EXPECT_EQ(result.status, 2) << args[0];
    EXPECT_NE(result.err.find("usage: vigil-reg"), std::string::npos);
  }
  EXPECT_FALSE(std::filesystem::exists(root_ / "registry/HKEY_LOCAL_MACHINE/Software"));
}

}  // namespace
