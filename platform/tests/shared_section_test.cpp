#include "platform/shared_section_linux.h"

#include <cstdint>
#include <gtest/gtest.h>

#include "platform/tests/support/temp_host_root.h"

using namespace platform;

namespace {

struct Record {
  int32_t a, b, c;
};
constexpr Record kInitial{0, 0, -1};
constexpr const char* kName = "SectionTest";

TEST(SharedSection, HoldersShareAndTheLastOneLeavingResetsIt) {
  TempHostRoot root;
  std::string error;
  SharedSection* first = OpenSharedSection(kName, &kInitial, sizeof kInitial, &error);
  ASSERT_NE(first, nullptr) << error;
  auto* one = static_cast<Record*>(SharedSectionData(first));
  EXPECT_EQ(one->c, -1);
  one->b = 0x20;
  one->c = 1;

  SharedSection* second = OpenSharedSection(kName, &kInitial, sizeof kInitial, &error);
  ASSERT_NE(second, nullptr) << error;
  auto* two = static_cast<Record*>(SharedSectionData(second));
  EXPECT_EQ(two->b, 0x20);
  EXPECT_EQ(two->c, 1);
  two->c = -3;
  EXPECT_EQ(one->c, -3);

  CloseSharedSection(first);
  SharedSection* third = OpenSharedSection(kName, &kInitial, sizeof kInitial, &error);
  ASSERT_NE(third, nullptr) << error;
  EXPECT_EQ(static_cast<Record*>(SharedSectionData(third))->c, -3) << "still held by the second";
  CloseSharedSection(second);
  CloseSharedSection(third);

  SharedSection* fresh = OpenSharedSection(kName, &kInitial, sizeof kInitial, &error);
  ASSERT_NE(fresh, nullptr) << error;
  EXPECT_EQ(static_cast<Record*>(SharedSectionData(fresh))->c, -1) << "nobody held it: initial image again";
  CloseSharedSection(fresh);
  RemoveSharedSection(kName);
}

TEST(SharedSection, SeparateHostRootsNeverShare) {
  std::string error;
  SharedSection* a = nullptr;
  {
    TempHostRoot rootA;
    a = OpenSharedSection(kName, &kInitial, sizeof kInitial, &error);
    ASSERT_NE(a, nullptr) << error;
    static_cast<Record*>(SharedSectionData(a))->c = 1;
    {
      TempHostRoot rootB;
      SharedSection* b = OpenSharedSection(kName, &kInitial, sizeof kInitial, &error);
      ASSERT_NE(b, nullptr) << error;
      EXPECT_EQ(static_cast<Record*>(SharedSectionData(b))->c, -1);
      CloseSharedSection(b);
      RemoveSharedSection(kName);
    }
    setenv("VIGIL20_HOST_ROOT", (rootA.path() + "/").c_str(), 1);
    SharedSection* again = OpenSharedSection(kName, &kInitial, sizeof kInitial, &error);
    ASSERT_NE(again, nullptr) << error;
    EXPECT_EQ(static_cast<Record*>(SharedSectionData(again))->c, 1) << "another spelling of the same root";
    CloseSharedSection(again);
    RemoveSharedSection(kName);
  }
  CloseSharedSection(a);
}

TEST(SharedSection, AHeldSectionOfAnotherSizeIsRefused) {
  TempHostRoot root;
  std::string error;
  SharedSection* held = OpenSharedSection(kName, &kInitial, sizeof kInitial, &error);
  ASSERT_NE(held, nullptr) << error;
  int64_t bigger[4] = {};
  EXPECT_EQ(OpenSharedSection(kName, bigger, sizeof bigger, &error), nullptr);
  EXPECT_NE(error.find("12 bytes"), std::string::npos) << error;
  CloseSharedSection(held);
  RemoveSharedSection(kName);
}

}  // namespace
