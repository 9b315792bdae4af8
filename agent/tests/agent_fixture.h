// A private host for one test of the agent: a fresh registry and Windows
// directory (TestHost), settings written before the agent is loaded, event
// records in its event file, and the agent loaded as its host loads it.
#pragma once

#include <ctime>
#include <gtest/gtest.h>
#include <memory>
#include <string>

#include "eventfile/event_file.h"
#include "agent/tests/agent_host.h"
#include "platform/registry.h"
#include "tests/support/test_host.h"

class AgentTest : public ::testing::Test {
 protected:
  // A DWORD under "Software\Tessaly\Vigil 2.0" (`subkey` "" for the key itself).
  static void SetSetting(const std::string& subkey, const std::string& name, uint32_t value) {
    std::string path = "Software\\Tessaly\\Vigil 2.0" + (subkey.empty() ? "" : "\\" + subkey);
    platform::RegKeyHandle key;
    ASSERT_EQ(platform::CreateRegKey(platform::kLocalMachine, path, platform::kKeyWrite, key.out(), nullptr),
              platform::kRegOk);
    ASSERT_EQ(platform::SetRegDword(key.get(), name, value), platform::kRegOk);
  }
  static void SetText(const std::string& subkey, const std::string& name, const std::string& value) {
    std::string path = "Software\\Tessaly\\Vigil 2.0" + (subkey.empty() ? "" : "\\" + subkey);
    platform::RegKeyHandle key;
    ASSERT_EQ(platform::CreateRegKey(platform::kLocalMachine, path, platform::kKeyWrite, key.out(), nullptr),
              platform::kRegOk);
    ASSERT_EQ(platform::SetRegString(key.get(), name, value), platform::kRegOk);
  }
  // Appends records of `codes`, one second apart from 2023-11-14 22:13:20 UTC.
  static void AppendEvents(const std::vector<int32_t>& codes) {
    CEventFile file(core::kEventFileName);
    ASSERT_TRUE(file.OpenForWriting());
    std::time_t when = 1700000000;
    for (int32_t code : codes) file.AppendAt(code, when++);
  }
  static std::string TimeTextOf(std::time_t when) {
    std::tm local = *std::localtime(&when);
    char text[32];
    std::strftime(text, sizeof text, "%d/%m/%Y %H:%M:%S", &local);
    return text;
  }
  // Loads the agent (its settings are read now) and initialises it.
  AgentHost& Load(bool init = true) {
    agent_ = std::make_unique<AgentHost>(NativePath(VIGIL_AGENT_LIBRARY));
    if (init) {
      EXPECT_TRUE(agent_->Init());
    }
    return *agent_;
  }
  void Unload() { agent_.reset(); }

  TestHost host_;
  std::unique_ptr<AgentHost> agent_;
};
