// A private key on Windows: its access list grants full control to the
// administrators and the system alone, is protected from the parent's, and
// is set again on a key that existed before.
#include <windows.h>
#include <aclapi.h>

#include <gtest/gtest.h>

#include "platform/registry.h"

namespace {

const char* const kTestKey = "Software\\Tessaly\\Vigil 2.0 test\\Seguranca";

struct Grant {
  bool administrators = false, system = false, others = false;
  bool protectedList = false;
  ACCESS_MASK adminMask = 0;
};

Grant GrantsOf(const char* path) {
  Grant g;
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, READ_CONTROL, &key), ERROR_SUCCESS);
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  EXPECT_EQ(GetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                            &descriptor),
            static_cast<DWORD>(ERROR_SUCCESS));
  RegCloseKey(key);
  if (!descriptor) return g;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (GetSecurityDescriptorControl(descriptor, &control, &revision)) g.protectedList = (control & SE_DACL_PROTECTED) != 0;
  for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace)) continue;
    auto* header = static_cast<ACE_HEADER*>(ace);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    PSID sid = &allowed->SidStart;
    if (IsWellKnownSid(sid, WinBuiltinAdministratorsSid)) {
      g.administrators = true;
      g.adminMask = allowed->Mask;
    } else if (IsWellKnownSid(sid, WinLocalSystemSid)) {
      g.system = true;
    } else {
      g.others = true;
    }
  }
  LocalFree(descriptor);
  return g;
}

TEST(PrivateRegKey, OnlyAdministratorsAndTheSystemAreGranted) {
  platform::DeleteRegTree(platform::kLocalMachine, "Software\\Tessaly\\Vigil 2.0 test");
  platform::RegKeyHandle key;
  bool created = false;
  ASSERT_EQ(platform::CreatePrivateRegKey(platform::kLocalMachine, kTestKey, platform::kKeyWrite, key.out(), &created),
            platform::kRegOk);
  EXPECT_TRUE(created);
  EXPECT_EQ(platform::SetRegString(key.get(), "Net Key", "segredo"), platform::kRegOk);
  key.Reset();
  Grant g = GrantsOf(kTestKey);
  EXPECT_TRUE(g.administrators);
  EXPECT_TRUE(g.system);
  EXPECT_FALSE(g.others);
  EXPECT_TRUE(g.protectedList);
  EXPECT_EQ(g.adminMask & KEY_ALL_ACCESS, static_cast<ACCESS_MASK>(KEY_ALL_ACCESS));

  // A key made the ordinary way first gets the list when made private.
  platform::DeleteRegTree(platform::kLocalMachine, "Software\\Tessaly\\Vigil 2.0 test");
  ASSERT_EQ(platform::CreateRegKey(platform::kLocalMachine, kTestKey, platform::kKeyWrite, key.out(), nullptr),
            platform::kRegOk);
  key.Reset();
  ASSERT_EQ(platform::CreatePrivateRegKey(platform::kLocalMachine, kTestKey, platform::kKeyWrite, key.out(), &created),
            platform::kRegOk);
  EXPECT_FALSE(created);
  key.Reset();
  g = GrantsOf(kTestKey);
  EXPECT_TRUE(g.administrators);
  EXPECT_TRUE(g.system);
  EXPECT_FALSE(g.others);
  platform::DeleteRegTree(platform::kLocalMachine, "Software\\Tessaly\\Vigil 2.0 test");
}

}  // namespace
