#include "platform/linux/registry_file.h"

#include <gtest/gtest.h>

#include "platform/registry.h"

namespace rf = platform::regfile;

namespace {

std::string AllBytes() {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
  return bytes;
}

}  // namespace

TEST(RegistryFile, EveryTypeAndEveryByteSurvivesWriteAndRead) {
  rf::KeyFile file;
  file.values = {
      {"Interval", platform::kRegDword, std::string("\xe8\x03\x00\x00", 4)},
      {AllBytes(), platform::kRegSz, AllBytes() + '\0'},
      {"Path", platform::kRegExpandSz, std::string("%SystemRoot%\\x\0", 15)},
      {"Blob", platform::kRegBinary, AllBytes()},
      {"Short dword", platform::kRegDword, std::string("\x01\x02", 2)},
      {"Unterminated", platform::kRegSz, "abc"},
      {"", 12345, ""},
  };
  rf::KeyFile again = rf::Parse(rf::Format(file));
  EXPECT_TRUE(again.damage.empty());
  ASSERT_EQ(again.values.size(), file.values.size());
  for (size_t i = 0; i < file.values.size(); ++i) {
    EXPECT_EQ(again.values[i].name, file.values[i].name) << i;
    EXPECT_EQ(again.values[i].type, file.values[i].type) << i;
    EXPECT_EQ(again.values[i].data, file.values[i].data) << i;
  }
}

TEST(RegistryFile, StoredFormIsPlainTextOneLinePerValue) {
  rf::KeyFile file;
  file.values = {{"Interval", platform::kRegDword, std::string("\xe8\x03\x00\x00", 4)},
                 {"Identifica\xE7\xE3o", platform::kRegSz, std::string("a\"b\\c\0", 6)}};
  EXPECT_EQ(rf::Format(file), "\"Interval\"=dword:000003e8\n\"Identifica\\xe7\\xe3o\"=sz:\"a\\\"b\\\\c\"\n");
}

TEST(RegistryFile, HandWrittenFormsRead) {
  rf::KeyFile file = rf::Parse("\"A\"=dword:5\r\n\n\"B\"=binary:\n\"C\"=hex(0):00,ff");
  EXPECT_TRUE(file.damage.empty());
  ASSERT_EQ(file.values.size(), 3u);
  EXPECT_EQ(file.values[0].data, std::string("\x05\0\0\0", 4));
  EXPECT_EQ(file.values[1].data, "");
  EXPECT_EQ(file.values[2].data, std::string("\x00\xff", 2));
}

TEST(RegistryFile, DamagedLinesReadAsMissingAndAreKeptVerbatim) {
  std::string text =
      "\"Good\"=dword:00000001\n"
      "\"Interval\"=dword:zz\n"
      "\"Text\"=sz:\"open\n"
      "\"Raw\"=sz:\"\xE7\"\n"
      "\"Long\"=dword:123456789\n"
      "garbage\n"
      "\"good\"=dword:00000002\n"
      "\"Tail\"=dword:1 trailing\n";
  rf::KeyFile file = rf::Parse(text);
  ASSERT_EQ(file.values.size(), 1u);
  EXPECT_EQ(file.values[0].name, "Good");
  ASSERT_EQ(file.damage.size(), 7u);
  EXPECT_EQ(file.damage[0].line, 2u);
  EXPECT_EQ(file.damage[5].line, 7u);
  EXPECT_EQ(file.damage[5].reason, "a second value of the same name");
  EXPECT_NE(file.damage[2].reason.find("\\xe7"), std::string::npos) << file.damage[2].reason;
  EXPECT_EQ(rf::Find(file, "Interval"), nullptr);

  // A writer keeps what it could not read, for a person to mend.
  rf::KeyFile again = rf::Parse(rf::Format(file));
  EXPECT_EQ(again.damaged, file.damaged);
  EXPECT_EQ(again.values.size(), 1u);
}

TEST(RegistryFile, NamesCompareWithoutCaseOfAsciiLettersOnly) {
  EXPECT_TRUE(rf::NamesEqual("Snmp Agent", "SNMP AGENT"));
  EXPECT_FALSE(rf::NamesEqual("Identifica\xE7\xE3o", "Identificacao"));
  EXPECT_FALSE(rf::NamesEqual("a", "a "));
  EXPECT_FALSE(rf::NamesEqual("[", "{"));  // 0x5B and 0x7B differ by the case bit but are not letters
}

TEST(RegistryFile, KeyNamesBecomeSafeDirectoryNames) {
  for (const std::string& name : {std::string("Vigil 2.0"), std::string(".hidden"), std::string("a/b%c"),
                                  std::string("Identifica\xE7\xE3o"), std::string("..")}) {
    std::string entry = rf::EncodeKeyName(name);
    EXPECT_EQ(entry.find('/'), std::string::npos) << entry;
    EXPECT_NE(entry[0], '.') << entry;
    EXPECT_EQ(rf::DecodeKeyName(entry), name) << entry;
  }
  EXPECT_EQ(rf::EncodeKeyName("Vigil 2.0"), "Vigil 2.0");
  EXPECT_EQ(rf::DecodeKeyName(".values"), std::nullopt);
  EXPECT_EQ(rf::DecodeKeyName("bad%zz"), std::nullopt);
  EXPECT_EQ(rf::DecodeKeyName("cut%4"), std::nullopt);
  EXPECT_EQ(rf::DecodeKeyName("back%5Cslash"), std::nullopt);
}
