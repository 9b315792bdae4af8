// HMAC-SHA256 against the test vectors of RFC 4231, on each system's own
// library, and the constant-time comparison.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/hmac_sha256.h"

namespace {

std::vector<uint8_t> Hex(const std::string& hex) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

std::string MacHex(const std::vector<uint8_t>& key, const std::vector<uint8_t>& data) {
  uint8_t mac[platform::kSha256Bytes];
  EXPECT_TRUE(platform::HmacSha256(key.data(), key.size(), data.data(), data.size(), mac));
  std::string hex;
  char two[3];
  for (uint8_t b : mac) {
    std::snprintf(two, sizeof two, "%02x", b);
    hex += two;
  }
  return hex;
}

struct Vector {
  std::vector<uint8_t> key, data;
  std::string mac;  // truncated vectors give fewer hex digits
};

TEST(HmacSha256, MatchesRfc4231) {
  const std::vector<Vector> vectors = {
      {std::vector<uint8_t>(20, 0x0b), Bytes("Hi There"),
       "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7"},
      {Bytes("Jefe"), Bytes("what do ya want for nothing?"),
       "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"},
      {std::vector<uint8_t>(20, 0xaa), std::vector<uint8_t>(50, 0xdd),
       "773ea91e36800e46854db8ebd09181a72959098b3ef8c122d9635514ced565fe"},
      {Hex("0102030405060708090a0b0c0d0e0f10111213141516171819"), std::vector<uint8_t>(50, 0xcd),
       "82558a389a443c0ea4cc819899f2083a85f0faa3e578f8077a2e3ff46729665b"},
      // Test case 5 is truncated to 128 bits, as the datagram's trailer is.
      {std::vector<uint8_t>(20, 0x0c), Bytes("Test With Truncation"), "a3b6167473100ee06e0c796c2955552b"},
      {std::vector<uint8_t>(131, 0xaa), Bytes("Test Using Larger Than Block-Size Key - Hash Key First"),
       "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54"},
      {std::vector<uint8_t>(131, 0xaa),
       Bytes("This is a test using a larger than block-size key and a larger than block-size data. The key needs to "
             "be hashed before being used by the HMAC algorithm."),
       "9b09ffa71b942fcb27635fbcd5b0e944bfdc63644f0713938a7f51535c3a35e2"},
  };
  for (size_t i = 0; i < vectors.size(); ++i)
    EXPECT_EQ(MacHex(vectors[i].key, vectors[i].data).substr(0, vectors[i].mac.size()), vectors[i].mac)
        << "test case " << i + 1;
}

TEST(HmacSha256, TakesAnEmptyKeyAndEmptyData) {
  // The value any HMAC-SHA256 gives for an empty key over empty data.
  EXPECT_EQ(MacHex({}, {}), "b613679a0814d9ec772f95d778c35fc5ff1697c493715653c6c712144292c5ad");
}

TEST(ConstantTimeEqual, TellsEqualFromDifferentAtEveryPosition) {
  std::vector<uint8_t> a(16, 0x5a), b = a;
  EXPECT_TRUE(platform::ConstantTimeEqual(a.data(), b.data(), a.size()));
  for (size_t i = 0; i < b.size(); ++i) {
    b[i] ^= 0x01;
    EXPECT_FALSE(platform::ConstantTimeEqual(a.data(), b.data(), a.size())) << i;
    b[i] ^= 0x01;
  }
  EXPECT_TRUE(platform::ConstantTimeEqual(a.data(), b.data(), 0));
}

}  // namespace
