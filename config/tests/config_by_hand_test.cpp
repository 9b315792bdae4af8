// Every setting can be set up by hand with vigil-reg, the way a person (or
// a test of another program) prepares a registry, and the programs load it.
#include "config/apl_config.h"

#include <gtest/gtest.h>

#include "tests/support/sandbox.h"
#include "platform/tests/support/temp_host_root.h"

namespace {

TEST(ConfigByHand, VigilRegCanSetEverySetting) {
  TempHostRoot root;
  CAplConfig defaults;
  defaults.RegisterValues();
  const std::string key = "HKLM\\Software\\Tessaly\\Vigil 2.0";
  int n = 0;
  for (const auto& data : defaults.Settings()) {
    std::string path = key;
    if (data->subKeyIndex >= 0) path += "\\" + defaults.SubKeys()[static_cast<size_t>(data->subKeyIndex)];
    std::vector<std::string> args = {VIGIL_REG, "add", path, "/v", data->valueName, "/raw", "/f"};
    if (data->IsKindOf(&CIntData::runtimeClass)) {
      args.insert(args.end(), {"/t", "REG_DWORD", "/d", std::to_string(5000 + n)});
    } else {
      args.insert(args.end(), {"/t", "REG_SZ", "/d", "text " + std::to_string(n)});
    }
    auto result = RunProcess(args, 10000);
    ASSERT_EQ(result.status, 0) << data->valueName << ": " << result.err;
    ++n;
  }
  // The row named in Windows-1252 can also be typed in UTF-8.
  auto typed = RunProcess({VIGIL_REG, "add", key, "/v", "Identificação", "/d", "Sala ç", "/f"}, 10000);
  ASSERT_EQ(typed.status, 0) << typed.err;

  CAplConfig config;
  config.SetRootKey(platform::kLocalMachine, kAplConfigKey);
  config.RegisterValues();
  ASSERT_EQ(config.Load(), 1);
  n = 0;
  for (const auto& data : config.Settings()) {
    SCOPED_TRACE(data->valueName);
    if (data->IsKindOf(&CIntData::runtimeClass)) {
      EXPECT_EQ(*static_cast<const CIntData&>(*data).value, 5000 + n);
    } else if (data->valueName != "Identifica\xE7\xE3o") {
      EXPECT_EQ(*static_cast<const CStrData&>(*data).value, "text " + std::to_string(n));
    }
    ++n;
  }
  EXPECT_EQ(config.identificacao, "Sala \xE7");
  EXPECT_EQ(config.maxEvents, 5029);
}

}  // namespace
