// The typed reads and writes and the owning key handle, over whichever
// registry the build has: the stand-in on Linux, the real one on Windows.
#include <gtest/gtest.h>

#include "platform/registry.h"
#include "tests/support/test_host.h"

using namespace platform;

namespace {

constexpr const char* kPath = "Software\\Vigil Test\\Values";

class RegistryValuesTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(CreateRegKey(kLocalMachine, kPath, kKeyAllAccess, key_.out(), nullptr), kRegOk); }
  void Put(const std::string& name, uint32_t type, const std::string& bytes) {
    ASSERT_EQ(SetRegValue(key_.get(), name, type, reinterpret_cast<const uint8_t*>(bytes.data()),
                          static_cast<uint32_t>(bytes.size())),
              kRegOk);
  }
  std::string Get(const std::string& name, uint32_t* type) {
    uint8_t data[512];
    uint32_t size = sizeof data;
    EXPECT_EQ(QueryRegValue(key_.get(), name, type, data, &size), kRegOk) << name;
    return std::string(reinterpret_cast<const char*>(data), size);
  }

  TestHost host_;
  RegKeyHandle key_;
};

TEST_F(RegistryValuesTest, DwordsAreFourLittleEndianBytesAndOnlyThoseReadAsDwords) {
  ASSERT_EQ(SetRegDword(key_.get(), "Number", 0x01020304u), kRegOk);
  uint32_t type = 0;
  EXPECT_EQ(Get("Number", &type), "\x04\x03\x02\x01");
  EXPECT_EQ(type, kRegDword);
  uint32_t value = 0;
  ASSERT_EQ(QueryRegDword(key_.get(), "Number", &value), kRegOk);
  EXPECT_EQ(value, 0x01020304u);
  ASSERT_EQ(SetRegDword(key_.get(), "Negative", static_cast<uint32_t>(-900)), kRegOk);
  ASSERT_EQ(QueryRegDword(key_.get(), "Negative", &value), kRegOk);
  EXPECT_EQ(static_cast<int32_t>(value), -900);

  value = 77;
  Put("Text", kRegSz, std::string("3\0", 2));
  EXPECT_EQ(QueryRegDword(key_.get(), "Text", &value), kRegWrongType);
  Put("Short", kRegDword, "\x01\x02");
  EXPECT_EQ(QueryRegDword(key_.get(), "Short", &value), kRegWrongType);
  Put("Long", kRegBinary, "\x01\x02\x03\x04\x05");
  EXPECT_EQ(QueryRegDword(key_.get(), "Long", &value), kRegWrongType);
  EXPECT_EQ(QueryRegDword(key_.get(), "Missing", &value), kRegNotFound);
  EXPECT_EQ(value, 77u) << "untouched by every failure";
}

TEST_F(RegistryValuesTest, StringsFitTheirBufferWithTheTerminatorOrFail) {
  ASSERT_EQ(SetRegString(key_.get(), "Text", "servidor"), kRegOk);
  uint32_t type = 0;
  EXPECT_EQ(Get("Text", &type), std::string("servidor\0", 9));
  EXPECT_EQ(type, kRegSz);

  std::string text = "kept";
  ASSERT_EQ(SetRegString(key_.get(), "Fits", std::string(254, 'a')), kRegOk);
  ASSERT_EQ(QueryRegString(key_.get(), "Fits", 255, &text), kRegOk);
  EXPECT_EQ(text, std::string(254, 'a'));
  ASSERT_EQ(SetRegString(key_.get(), "TooLong", std::string(255, 'b')), kRegOk);
  text = "kept";
  EXPECT_EQ(QueryRegString(key_.get(), "TooLong", 255, &text), kRegMoreData);
  EXPECT_EQ(text, "kept");

  ASSERT_EQ(SetRegDword(key_.get(), "Number", 3), kRegOk);
  EXPECT_EQ(QueryRegString(key_.get(), "Number", 255, &text), kRegWrongType);
  EXPECT_EQ(text, "kept");

  // Written up to the first zero byte, read up to the first zero byte.
  ASSERT_EQ(SetRegString(key_.get(), "Cut", std::string("cut\0after", 9)), kRegOk);
  EXPECT_EQ(Get("Cut", &type), std::string("cut\0", 4));
  Put("Inner", kRegSz, std::string("one\0two\0", 8));
  ASSERT_EQ(QueryRegString(key_.get(), "Inner", 255, &text), kRegOk);
  EXPECT_EQ(text, "one");
}

TEST_F(RegistryValuesTest, TheHandleClosesItsKeyAndMovesOwnership) {
  RegKeyHandle first;
  ASSERT_EQ(OpenRegKey(kLocalMachine, kPath, kKeyRead, first.out()), kRegOk);
  ASSERT_TRUE(first);
  RegKeyHandle second(std::move(first));
  EXPECT_FALSE(first);
  ASSERT_TRUE(second);
  uint32_t value = 0;
  ASSERT_EQ(SetRegDword(key_.get(), "Number", 5), kRegOk);
  EXPECT_EQ(QueryRegDword(second.get(), "Number", &value), kRegOk);
  EXPECT_EQ(value, 5u);
  second.Reset();
  EXPECT_FALSE(second);

  // The predefined root is never closed: it keeps working after a reset.
  RegKeyHandle root(kLocalMachine);
  root.Reset();
  RegKeyHandle again;
  EXPECT_EQ(OpenRegKey(kLocalMachine, kPath, kKeyRead, again.out()), kRegOk);
}

}  // namespace
