#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "core/lan_datagram.h"

using core::DecodeLanDatagram;
using core::EncodeLanDatagram;
using core::LanDatagram;
using core::SignedSeconds;
using core::kLanDatagramMax;
using core::kLanHeaderSize;
using core::kLanNameMax;

namespace {

LanDatagram Named(const std::string& name) {
  LanDatagram d;
  std::strncpy(d.name, name.c_str(), kLanNameMax);
  d.name_len = static_cast<uint8_t>(name.size() > kLanNameMax ? kLanNameMax : name.size());
  return d;
}

TEST(LanDatagramTest, EncodesEveryFieldAtItsOffset) {
  LanDatagram d = Named("estacao01");
  d.power_fail = 1;
  d.battery_low = 0;
  d.bypass = 1;
  d.signal_fault = 0;
  d.autonomy_over = 1;
  d.autonomy_total = 600;
  d.autonomy_base = 540;
  d.autonomy_left = static_cast<uint16_t>(-5);
  d.discharge_time = 40000;
  uint8_t out[kLanDatagramMax];
  ASSERT_EQ(EncodeLanDatagram(d, out), 29u);
  const uint8_t expected[29] = {0x4F, 0xD3, 0x03, 0x01, 0x00, 0x1D, 1, 0, 1, 0, 1, 0x02, 0x58, 0x02, 0x1C,
                                0xFF, 0xFB, 0x9C, 0x40, 9, 'e', 's', 't', 'a', 'c', 'a', 'o', '0', '1'};
  EXPECT_EQ(std::vector<uint8_t>(out, out + 29), std::vector<uint8_t>(expected, expected + 29));

  auto back = DecodeLanDatagram(out, 29);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->length, 29);
  EXPECT_EQ(SignedSeconds(back->autonomy_left), -5);
  EXPECT_EQ(back->discharge_time, 40000);
  EXPECT_EQ(back->autonomy_base, 540);
  EXPECT_EQ(back->autonomy_over, 1);
  EXPECT_STREQ(back->name, "estacao01");
}

TEST(LanDatagramTest, NameIsCutToThirtyTwoBytes) {
  LanDatagram d = Named(std::string(40, 'x'));
  d.name_len = 40;  // whatever the caller claims
  uint8_t out[kLanDatagramMax];
  ASSERT_EQ(EncodeLanDatagram(d, out), kLanDatagramMax);
  EXPECT_EQ(out[5], 52);
  EXPECT_EQ(out[19], 32);
}

TEST(LanDatagramTest, RejectsWrongHeaderAndShortInput) {
  uint8_t out[kLanDatagramMax];
  size_t size = EncodeLanDatagram(Named("a"), out);
  out[3] = 0x02;
  EXPECT_FALSE(DecodeLanDatagram(out, size));
  out[3] = 0x01;
  out[0] = 0x4E;
  EXPECT_FALSE(DecodeLanDatagram(out, size));
  out[0] = 0x4F;
  EXPECT_TRUE(DecodeLanDatagram(out, size));
  for (size_t cut = 0; cut < kLanHeaderSize; ++cut) EXPECT_FALSE(DecodeLanDatagram(out, cut)) << cut;
}

TEST(LanDatagramTest, ClaimedNameLengthIsCutToWhatArrivedAndToThirtyTwo) {
  uint8_t bytes[kLanDatagramMax];
  size_t size = EncodeLanDatagram(Named("servidor"), bytes);
  bytes[19] = 200;
  auto d = DecodeLanDatagram(bytes, size);
  ASSERT_TRUE(d);
  EXPECT_EQ(d->name_len, 8);
  EXPECT_STREQ(d->name, "servidor");

  std::vector<uint8_t> big(200, 'z');
  std::memcpy(big.data(), bytes, kLanHeaderSize);
  d = DecodeLanDatagram(big.data(), big.size());
  ASSERT_TRUE(d);
  EXPECT_EQ(d->name_len, 32);
  EXPECT_EQ(std::string(d->name), std::string(32, 'z'));

  d = DecodeLanDatagram(bytes, kLanHeaderSize);  // a name that did not arrive
  ASSERT_TRUE(d);
  EXPECT_EQ(d->name_len, 0);
  EXPECT_STREQ(d->name, "");
}

TEST(LanDatagramTest, FlagsReadAsZeroOrOne) {
  uint8_t bytes[kLanDatagramMax];
  size_t size = EncodeLanDatagram(Named("s"), bytes);
  bytes[6] = 7;
  bytes[10] = 0x80;
  auto d = DecodeLanDatagram(bytes, size);
  ASSERT_TRUE(d);
  EXPECT_EQ(d->power_fail, 1);
  EXPECT_EQ(d->autonomy_over, 1);
  EXPECT_EQ(d->battery_low, 0);
}

}  // namespace
