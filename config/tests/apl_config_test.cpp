// The settings of the Windows programs: the table of 40 values, their
// defaults, and the edge cases of loading and saving them.
#include "config/apl_config.h"

#include <cstring>
#include <gtest/gtest.h>

#include "platform/registry.h"
#include "tests/support/test_host.h"

using namespace platform;

namespace {

const std::string kKey = "Software\\Tessaly\\Vigil 2.0";

struct Row {
  const char* name;
  const char* subKey;  // "" for the key itself
  bool isInt;
  int32_t intDefault;
  const char* textDefault;
};

// The table as the programs' documentation gives it, in declaration order.
const Row kRows[] = {
    {"Interval", "", true, 1000, nullptr},
    {"ComPort", "", true, 2, nullptr},
    {"ComMode", "", true, 1, nullptr},
    {"NominalRecharge", "", true, 12, nullptr},
    {"RunDownPercent", "", true, 90, nullptr},
    {"Sounds", "", true, 1, nullptr},
    {"PowerOk", "", true, 1, nullptr},
    {"SoundDevs", "", true, 1, nullptr},
    {"BroadcastDelay", "", true, 5, nullptr},
    {"BadServerDelay", "", true, 30, nullptr},
    {"Tipo Cabo", "", true, 1, nullptr},
    {"Tipo Bypass", "", true, 0, nullptr},
    {"Signal Filter", "", true, 2, nullptr},
    {"Net Mode", "", true, 0, nullptr},
    {"Autonomia Server", "", true, 1, nullptr},
    {"Timeout Shutdown", "", true, 1, nullptr},
    {"Low Bat Shutdown", "", true, 1, nullptr},
    {"LogStartStop", "", true, 0, nullptr},
    {"AcceptAll", "", true, 1, nullptr},
    {"HostName", "", false, 0, ""},
    {"Desligar", "", true, 1, nullptr},
    {"LtScript", "", false, 0, ""},
    {"RunLtScript", "", true, 0, nullptr},
    {"FilterActive", "", true, 1, nullptr},
    {"Modo Autonomia", "", true, 0, nullptr},
    {"Tempo Recarga", "", true, 36000, nullptr},
    {"Autonomia Nominal", "", true, 900, nullptr},
    {"Identifica\xE7\xE3o", "", false, 0, ""},
    {"Send Snmp Traps", "Snmp Agent", true, 1, nullptr},
    {"Max Events", "Snmp Agent", true, 100, nullptr},
    {"Debug Log On", "Snmp Agent\\Debug", true, 0, nullptr},
    {"Debug Messages On", "Snmp Agent\\Debug", true, 0, nullptr},
    {"Debug Log Location", "Snmp Agent\\Debug", false, 0, "c:\\snmp40.log"},
    {"Web Enabled", "Web Server", true, 1, nullptr},
    {"Web Port", "Web Server", true, 80, nullptr},
    {"Web Ctrl List", "Web Server", true, 0, nullptr},
    {"Web Log Level", "Web Server", true, 0, nullptr},
    {"Web Log File", "Web Server", false, 0, "c:\\weblog.txt"},
    {"Net Key", "Seguranca", false, 0, ""},
    {"UsbPort", "", false, 0, ""},
};

class AplConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    config_.SetRootKey(kLocalMachine, kAplConfigKey);
    ASSERT_EQ(config_.RegisterValues(), 1);
  }
  static void Put(const std::string& subKey, const std::string& name, uint32_t type, const std::string& bytes) {
    RegKey key = nullptr;
    ASSERT_EQ(CreateRegKey(kLocalMachine, subKey.empty() ? kKey : kKey + "\\" + subKey, kKeyAllAccess, &key, nullptr),
              kRegOk);
    ASSERT_EQ(SetRegValue(key, name, type, reinterpret_cast<const uint8_t*>(bytes.data()),
                          static_cast<uint32_t>(bytes.size())),
              kRegOk);
    CloseRegKey(key);
  }
  static void PutInt(const std::string& subKey, const std::string& name, int32_t value) {
    uint8_t bytes[4];
    DwordToBytes(static_cast<uint32_t>(value), bytes);
    Put(subKey, name, kRegDword, std::string(reinterpret_cast<const char*>(bytes), 4));
  }
  static void PutText(const std::string& subKey, const std::string& name, const std::string& text) {
    Put(subKey, name, kRegSz, text + '\0');
  }

  TestHost host_;
  CAplConfig config_;
};

TEST_F(AplConfigTest, DeclaresThe40SettingsInOrderWithTheirSubkeysAndDefaults) {
  const auto& settings = config_.Settings();
  ASSERT_EQ(settings.size(), 40u);
  EXPECT_EQ(config_.SubKeys(), (std::vector<std::string>{"Snmp Agent", "Snmp Agent\\Debug", "Web Server", "Seguranca"}));
  for (size_t i = 0; i < 40; ++i) {
    const Row& row = kRows[i];
    const CData& data = *settings[i];
    SCOPED_TRACE(row.name);
    EXPECT_EQ(data.valueName, row.name);
    int32_t index = data.subKeyIndex;
    EXPECT_EQ(index < 0 ? std::string() : config_.SubKeys()[static_cast<size_t>(index)], row.subKey);
    if (row.isInt) {
      ASSERT_TRUE(data.IsKindOf(&CIntData::runtimeClass));
      const auto& number = static_cast<const CIntData&>(data);
      EXPECT_EQ(number.defaultValue, row.intDefault);
      EXPECT_EQ(*number.value, row.intDefault) << "member set at declaration";
    } else {
      ASSERT_TRUE(data.IsKindOf(&CStrData::runtimeClass));
      const auto& text = static_cast<const CStrData&>(data);
      EXPECT_EQ(text.defaultValue, row.textDefault);
      EXPECT_EQ(*text.value, row.textDefault);
    }
  }
}

TEST_F(AplConfigTest, EachDescriptorFillsTheMemberOfItsName) {
  const auto& settings = config_.Settings();
  auto intMember = [&](size_t row) { return static_cast<const CIntData&>(*settings[row]).value; };
  auto textMember = [&](size_t row) { return static_cast<const CStrData&>(*settings[row]).value; };
  EXPECT_EQ(intMember(0), &config_.interval);
  EXPECT_EQ(intMember(10), &config_.tipoCabo);
  EXPECT_EQ(intMember(14), &config_.autonomiaServer);
  EXPECT_EQ(textMember(19), &config_.hostName);
  EXPECT_EQ(textMember(21), &config_.ltScript);
  EXPECT_EQ(intMember(24), &config_.modoAutonomia);
  EXPECT_EQ(intMember(26), &config_.autonomiaNominal);
  EXPECT_EQ(textMember(27), &config_.identificacao);
  EXPECT_EQ(intMember(29), &config_.maxEvents);
  EXPECT_EQ(textMember(32), &config_.debugLogLocation);
  EXPECT_EQ(textMember(37), &config_.webLogFile);
  // Members lie in their documented order, "Interval" first and
  // "Autonomia Nominal" last.
  EXPECT_LT(reinterpret_cast<const char*>(&config_.interval), reinterpret_cast<const char*>(&config_.maxEvents));
  EXPECT_LT(reinterpret_cast<const char*>(&config_.maxEvents), reinterpret_cast<const char*>(&config_.hostName));
  EXPECT_LT(reinterpret_cast<const char*>(&config_.webLogFile), reinterpret_cast<const char*>(&config_.modoAutonomia));
  EXPECT_LT(reinterpret_cast<const char*>(&config_.tempoRecarga),
            reinterpret_cast<const char*>(&config_.autonomiaNominal));
}

TEST_F(AplConfigTest, AnEmptyRegistryLoadsNothingAndLeavesTheDefaults) {
  EXPECT_EQ(config_.Load(), 0);
  EXPECT_EQ(config_.tempoRecarga, 36000);
  EXPECT_EQ(config_.autonomiaNominal, 900);
  EXPECT_EQ(config_.comPort, 2);
  EXPECT_EQ(config_.maxEvents, 100);
  EXPECT_EQ(config_.debugLogLocation, "c:\\snmp40.log");
}

TEST_F(AplConfigTest, AComPortStoredAsTextIsIgnored) {
  PutText("", "ComPort", "3");
  PutInt("", "ComMode", 2);
  ASSERT_EQ(config_.Load(), 1);
  EXPECT_EQ(config_.comPort, 2);
  EXPECT_EQ(config_.comMode, 2);
}

TEST_F(AplConfigTest, LtScriptOf254CharactersLoadsAndOf255DoesNot) {
  PutText("", "LtScript", std::string(254, 'x'));
  ASSERT_EQ(config_.Load(), 1);
  EXPECT_EQ(config_.ltScript, std::string(254, 'x'));

  CAplConfig fresh;
  fresh.SetRootKey(kLocalMachine, kAplConfigKey);
  fresh.RegisterValues();
  PutText("", "LtScript", std::string(255, 'y'));
  PutInt("", "RunLtScript", 1);
  ASSERT_EQ(fresh.Load(), 1);
  EXPECT_EQ(fresh.ltScript, "");
  EXPECT_EQ(fresh.runLtScript, 1);
}

TEST_F(AplConfigTest, AMissingSnmpAgentSubkeyKeepsItsDefaultsWhileTheRestLoads) {
  PutInt("", "Interval", 500);
  PutText("", "Identifica\xE7\xE3o", "Sala 2");
  PutInt("Web Server", "Web Port", 8080);
  ASSERT_EQ(config_.Load(), 1);
  EXPECT_EQ(config_.interval, 500);
  EXPECT_EQ(config_.identificacao, "Sala 2");
  EXPECT_EQ(config_.sendSnmpTraps, 1);
  EXPECT_EQ(config_.maxEvents, 100);
  EXPECT_EQ(config_.debugLogOn, 0);
  EXPECT_EQ(config_.webPort, 8080);
}

TEST_F(AplConfigTest, SaveOnAnEmptyRegistryCreatesEverySubkeyAndAll40Values) {
  ASSERT_EQ(config_.Save(), 1);
  size_t total = 0;
  for (const std::string& sub : {std::string(), std::string("\\Snmp Agent"), std::string("\\Snmp Agent\\Debug"),
                                 std::string("\\Web Server"), std::string("\\Seguranca")}) {
    RegKey key = nullptr;
    ASSERT_EQ(OpenRegKey(kLocalMachine, kKey + sub, kKeyRead, &key), kRegOk) << sub;
    std::string name;
    uint32_t type = 0;
    std::vector<uint8_t> data;
    for (uint32_t i = 0; EnumRegValue(key, i, &name, &type, &data) == kRegOk; ++i) {
      ++total;
      const Row* row = nullptr;
      for (const Row& r : kRows)
        if (name == r.name) row = &r;
      ASSERT_NE(row, nullptr) << name;
      EXPECT_EQ(kKey + (row->subKey[0] ? std::string("\\") + row->subKey : ""), kKey + sub) << name;
      if (row->isInt) {
        EXPECT_EQ(type, kRegDword) << name;
        ASSERT_EQ(data.size(), 4u);
        int32_t value = 0;
        std::memcpy(&value, data.data(), 4);
        EXPECT_EQ(value, row->intDefault) << name;
      } else {
        EXPECT_EQ(type, kRegSz) << name;
        EXPECT_EQ(std::string(data.begin(), data.end()), std::string(row->textDefault) + '\0') << name;
      }
    }
    CloseRegKey(key);
  }
  EXPECT_EQ(total, 40u);
}

TEST_F(AplConfigTest, ChangedMembersSurviveSaveAndLoad) {
  config_.comPort = 4;
  config_.hostName = "servidor";
  config_.maxEvents = 300;
  config_.debugLogOn = 1;
  config_.webLogFile = "d:\\web.txt";
  config_.identificacao = "Sala \xE7";
  config_.netKey = "chave=secreta";
  ASSERT_EQ(config_.Save(), 1);
  CAplConfig loaded;
  loaded.SetRootKey(kLocalMachine, kAplConfigKey);
  loaded.RegisterValues();
  ASSERT_EQ(loaded.Load(), 1);
  EXPECT_EQ(loaded.comPort, 4);
  EXPECT_EQ(loaded.hostName, "servidor");
  EXPECT_EQ(loaded.maxEvents, 300);
  EXPECT_EQ(loaded.debugLogOn, 1);
  EXPECT_EQ(loaded.webLogFile, "d:\\web.txt");
  EXPECT_EQ(loaded.identificacao, "Sala \xE7");
  EXPECT_EQ(loaded.netKey, "chave=secreta");
  EXPECT_EQ(loaded.interval, 1000);
}

}  // namespace
