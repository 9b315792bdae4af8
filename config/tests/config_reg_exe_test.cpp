// The store against the Windows registry, with reg.exe as a second opinion:
// what Save writes, reg.exe reads back; what reg.exe adds, Load takes.
#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

#include "config/apl_config.h"
#include "tests/support/child_process.h"
#include "tests/support/test_host.h"

namespace {

const std::string kKey = "HKLM\\Software\\Tessaly\\Vigil 2.0";

struct Shown {
  std::string type;
  std::string data;
};

// `reg query KEY /s`: key path -> value name -> type and data.
std::map<std::string, std::map<std::string, Shown>> RegQuery(const std::string& key) {
  CommandResult result = RunProcess({"reg.exe", "query", key, "/s"}, 60000);
  EXPECT_EQ(result.status, 0) << result.err;
  std::map<std::string, std::map<std::string, Shown>> keys;
  std::istringstream lines(result.out);
  std::string line, current;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("HKEY_LOCAL_MACHINE\\", 0) == 0) {
      current = line;
      keys[current];
      continue;
    }
    // "    <name>    <type>    <data>"; names may hold single blanks.
    if (line.rfind("    ", 0) != 0) continue;
    std::string rest = line.substr(4);
    size_t a = rest.find("    ");
    if (a == std::string::npos) continue;
    size_t b = rest.find("    ", a + 4);
    std::string type = rest.substr(a + 4, b == std::string::npos ? std::string::npos : b - a - 4);
    std::string data = b == std::string::npos ? "" : rest.substr(b + 4);
    keys[current][rest.substr(0, a)] = {type, data};
  }
  return keys;
}

std::string Hex(int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(value));
  return text;
}

TEST(ConfigAgainstRegExe, SaveOnAnEmptyRegistryWritesAll40ValuesAsRegExeReadsThem) {
  TestHost host;
  CAplConfig config;
  config.SetRootKey(platform::kLocalMachine, kAplConfigKey);
  config.RegisterValues();
  ASSERT_EQ(config.Save(), 1);

  auto keys = RegQuery(kKey);
  const std::string root = "HKEY_LOCAL_MACHINE\\Software\\Tessaly\\Vigil 2.0";
  for (const std::string& sub : {std::string(), std::string("\\Snmp Agent"), std::string("\\Snmp Agent\\Debug"),
                                 std::string("\\Web Server"), std::string("\\Seguranca")})
    EXPECT_EQ(keys.count(root + sub), 1u) << sub;
  size_t total = 0;
  for (const auto& [key, values] : keys) total += values.size();
  EXPECT_EQ(total, 40u);

  for (const auto& data : config.Settings()) {
    std::string key = root;
    if (data->subKeyIndex >= 0) key += "\\" + config.SubKeys()[static_cast<size_t>(data->subKeyIndex)];
    // The Windows-1252 name comes out in the console's code page; it is counted above.
    if (data->valueName == "Identifica\xE7\xE3o") continue;
    SCOPED_TRACE(data->valueName);
    auto found = keys[key].find(data->valueName);
    ASSERT_NE(found, keys[key].end());
    if (data->IsKindOf(&CIntData::runtimeClass)) {
      EXPECT_EQ(found->second.type, "REG_DWORD");
      EXPECT_EQ(found->second.data, Hex(static_cast<const CIntData&>(*data).defaultValue));
    } else {
      EXPECT_EQ(found->second.type, "REG_SZ");
      EXPECT_EQ(found->second.data, static_cast<const CStrData&>(*data).defaultValue);
    }
  }
}

TEST(ConfigAgainstRegExe, WhatRegExeAddsLoadsAndAMistypedValueKeepsItsDefault) {
  TestHost host;
  auto add = [](const std::string& key, const std::string& name, const std::string& type, const std::string& data) {
    CommandResult result = RunProcess({"reg.exe", "add", key, "/v", name, "/t", type, "/d", data, "/f"}, 60000);
    ASSERT_EQ(result.status, 0) << name << ": " << result.err;
  };
  add(kKey, "Interval", "REG_DWORD", "500");
  add(kKey, "ComPort", "REG_SZ", "3");
  add(kKey, "HostName", "REG_SZ", "servidor central");
  add(kKey, "LtScript", "REG_SZ", std::string(254, 'x'));
  add(kKey + "\\Snmp Agent", "Max Events", "REG_DWORD", "250");
  add(kKey + "\\Web Server", "Web Log File", "REG_SZ", std::string(255, 'w'));

  CAplConfig config;
  config.SetRootKey(platform::kLocalMachine, kAplConfigKey);
  config.RegisterValues();
  ASSERT_EQ(config.Load(), 1);
  EXPECT_EQ(config.interval, 500);
  EXPECT_EQ(config.comPort, 2) << "stored as REG_SZ: ignored";
  EXPECT_EQ(config.hostName, "servidor central");
  EXPECT_EQ(config.ltScript, std::string(254, 'x'));
  EXPECT_EQ(config.maxEvents, 250);
  EXPECT_EQ(config.webLogFile, "c:\\weblog.txt") << "255 characters do not fit the buffer";
  EXPECT_EQ(config.sendSnmpTraps, 1);
}

}  // namespace
