// The registry as separate processes see it: what one writes another reads,
// a writer killed in the middle of a save leaves the old or the new file
// whole, and two writers never lose each other's values.
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/registry.h"
#include "platform/linux/registry_file.h"
#include "tests/support/child_process.h"
#include "tests/support/sandbox.h"
#include "platform/tests/support/temp_host_root.h"

using namespace platform;

namespace {

std::unique_ptr<ChildProcess> Spawn(const std::vector<std::string>& argv) {
  std::string error;
  auto child = ChildProcess::Start(argv, {}, &error);
  EXPECT_TRUE(child) << error;
  return child;
}

TEST(RegistryProcesses, WhatOneProcessWritesAnotherReads) {
  TempHostRoot root;
  auto added = RunProcess({VIGIL_REG, "add", "HKLM\\Software\\Tessaly\\Vigil 2.0", "/v", "Interval", "/t",
                           "REG_DWORD", "/d", "1500"},
                          10000);
  ASSERT_EQ(added.status, 0) << added.err;
  RegKey key = nullptr;
  ASSERT_EQ(OpenRegKey(kLocalMachine, "Software\\Tessaly\\Vigil 2.0", kKeyAllAccess, &key), kRegOk);
  uint32_t value = 0, size = 4;
  ASSERT_EQ(QueryRegValue(key, "Interval", nullptr, reinterpret_cast<uint8_t*>(&value), &size), kRegOk);
  EXPECT_EQ(value, 1500u);

  const uint8_t text[] = "nobreak";
  ASSERT_EQ(SetRegValue(key, "HostName", kRegSz, text, sizeof text), kRegOk);
  CloseRegKey(key);
  auto queried = RunProcess({VIGIL_REG, "query", "HKLM\\Software\\Tessaly\\Vigil 2.0", "/v", "HostName"}, 10000);
  EXPECT_EQ(queried.status, 0) << queried.err;
  EXPECT_NE(queried.out.find("HostName    REG_SZ    nobreak"), std::string::npos) << queried.out;
}

TEST(RegistryProcesses, AWriterKilledMidSaveLeavesTheOldOrTheNewFileWhole) {
  TempHostRoot root;
  RegKey key = nullptr;
  ASSERT_EQ(CreateRegKey(kLocalMachine, "Software\\Test", kKeyAllAccess, &key, nullptr), kRegOk);
  uint32_t keep = 0x12345678;
  ASSERT_EQ(SetRegValue(key, "Keep", kRegDword, reinterpret_cast<uint8_t*>(&keep), 4), kRegOk);

  std::string file = root / "registry/HKEY_LOCAL_MACHINE/Software/Test/.values";
  // Catch the writer mid-save: stop it now and then, and kill it when it
  // is stopped while its new file exists (the file it writes before the
  // rename); a round that never catches it kills it wherever it is.
  // Bounded in time.
  int mid_save = 0;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  for (int round = 0; mid_save < 3 && std::chrono::steady_clock::now() < deadline; ++round) {
    auto child = Spawn({REGISTRY_WRITER, "blob"});
    ASSERT_TRUE(child);
    auto writer = static_cast<pid_t>(child->Id());
    std::string line;
    ASSERT_TRUE(child->ReadLine(&line));  // one whole save done
    bool caught = false;
    for (int probe = 0; probe < 2000 && !caught; ++probe) {
      kill(writer, SIGSTOP);
      int status = 0;
      waitpid(writer, &status, WUNTRACED);
      caught = access((file + ".new").c_str(), F_OK) == 0;
      if (!caught) {
        kill(writer, SIGCONT);
        usleep(static_cast<useconds_t>(100 + (probe * 37) % 400));
      }
    }
    child->Kill();
    child->Wait();
    if (caught) ++mid_save;
    unlink((file + ".new").c_str());

    regfile::KeyFile stored = regfile::Parse(ReadWholeFile(file));
    ASSERT_TRUE(stored.damage.empty()) << "round " << round << ": " << stored.damage[0].reason;
    const regfile::Value* keepValue = regfile::Find(stored, "Keep");
    ASSERT_NE(keepValue, nullptr);
    EXPECT_EQ(keepValue->data, std::string("\x78\x56\x34\x12", 4));
    const regfile::Value* blob = regfile::Find(stored, "Blob");
    ASSERT_NE(blob, nullptr);
    ASSERT_EQ(blob->data.size(), 64u * 1024);
    EXPECT_EQ(blob->data, std::string(blob->data.size(), blob->data[0]));
  }
  // Some kills did land mid-save.
  EXPECT_GT(mid_save, 0);
  CloseRegKey(key);
}

TEST(RegistryProcesses, TwoWritersOfOneKeyKeepEachOthersValues) {
  TempHostRoot root;
  auto first = Spawn({REGISTRY_WRITER, "values", "first", "40"});
  auto second = Spawn({REGISTRY_WRITER, "values", "second", "40"});
  ASSERT_TRUE(first && second);
  ASSERT_EQ(first->Wait(), 0);
  ASSERT_EQ(second->Wait(), 0);
  RegKey key = nullptr;
  ASSERT_EQ(OpenRegKey(kLocalMachine, "Software\\Test", kKeyRead, &key), kRegOk);
  int count = 0;
  std::string name;
  while (EnumRegValue(key, static_cast<uint32_t>(count), &name, nullptr, nullptr) == kRegOk) ++count;
  EXPECT_EQ(count, 80);
  for (int i = 0; i < 40; ++i) {
    EXPECT_EQ(QueryRegValue(key, "first" + std::to_string(i), nullptr, nullptr, nullptr), kRegOk) << i;
    EXPECT_EQ(QueryRegValue(key, "second" + std::to_string(i), nullptr, nullptr, nullptr), kRegOk) << i;
  }
  CloseRegKey(key);
}

}  // namespace
