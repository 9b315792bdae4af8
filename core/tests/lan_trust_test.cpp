// The one trust policy every receiver goes through: what it believes with
// and without the key, what it tells each program's output and how often,
// and how it says a believed datagram was signed.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/lan_trust.h"

using core::EncodeLanDatagram;
using core::LanDatagram;
using core::LanRefusal;
using core::LanRefusalText;
using core::LanSender;
using core::LanSignature;
using core::LanTrust;
using core::SignLanDatagram;
using core::kLanDatagramMax;
using core::kLanReportsMax;
using core::kLanSignedMax;

namespace {

constexpr uint64_t kNow = 1765000000123ull;
const std::string kKey = "chave secreta";

std::vector<uint8_t> Plain(const std::string& name) {
  LanDatagram d;
  std::memcpy(d.name, name.data(), name.size());
  d.name_len = static_cast<uint8_t>(name.size());
  d.power_fail = 1;
  uint8_t out[kLanDatagramMax];
  return std::vector<uint8_t>(out, out + EncodeLanDatagram(d, out));
}

std::vector<uint8_t> Signed(const std::string& name, LanSender* sender, const std::string& key = kKey,
                            uint64_t now = kNow) {
  std::vector<uint8_t> bytes = Plain(name);
  size_t size = bytes.size();
  bytes.resize(kLanSignedMax);
  bytes.resize(SignLanDatagram(bytes.data(), size, bytes.size(), key.data(), key.size(), sender, now));
  return bytes;
}

// What a program's output was told, one line per refusal.
struct Told {
  std::vector<std::string> lines;
  LanTrust::Output Output() {
    return [this](const LanTrust::Refusal& r) {
      lines.push_back(std::string(r.sender.name, r.sender.name_len) + ": " + LanRefusalText(r.reason) +
                      (r.lastTold ? " (last)" : ""));
    };
  }
};

TEST(LanTrust, WithoutAKeyEveryNotificationIsBelievedAndNothingElse) {
  Told told;
  LanTrust trust("", told.Output());
  EXPECT_FALSE(trust.Keyed());
  LanSender sender;
  EXPECT_TRUE(trust.Believes(Plain("srv").data(), Plain("srv").size(), kNow));
  auto keyed = Signed("srv", &sender, "outra chave");
  auto believed = trust.Believed(keyed.data(), keyed.size(), kNow);
  ASSERT_TRUE(believed);
  EXPECT_EQ(std::string(believed->name), "srv");
  auto notOne = Plain("srv");
  notOne[3] = 0x02;
  EXPECT_FALSE(trust.Believes(notOne.data(), notOne.size(), kNow));
  EXPECT_FALSE(trust.Believed(notOne.data(), 19, kNow));
  EXPECT_TRUE(told.lines.empty());
  EXPECT_EQ(trust.Refused(LanRefusal::kUnsigned), 0u);
}

TEST(LanTrust, WithTheKeyOnlyFreshSignedDatagramsAreBelieved) {
  Told told;
  LanTrust trust(kKey, told.Output());
  EXPECT_TRUE(trust.Keyed());
  LanSender sender;
  auto first = Signed("srv", &sender);
  EXPECT_TRUE(trust.Believes(first.data(), first.size(), kNow));
  EXPECT_FALSE(trust.Believes(first.data(), first.size(), kNow)) << "replayed";
  auto plain = Plain("srv");
  EXPECT_FALSE(trust.Believed(plain.data(), plain.size(), kNow));
  auto forged = Signed("srv", &sender, "outra chave");
  EXPECT_FALSE(trust.Believes(forged.data(), forged.size(), kNow));
  LanSender aheadClock;
  auto late = Signed("srv", &aheadClock, kKey, kNow + 6 * 60 * 1000);
  EXPECT_FALSE(trust.Believes(late.data(), late.size(), kNow));
  auto next = Signed("srv", &sender);
  EXPECT_TRUE(trust.Believed(next.data(), next.size(), kNow));
  EXPECT_EQ(told.lines, (std::vector<std::string>{
                            "srv: Datagrama repetido recusado",
                            "srv: Datagrama sem assinatura recusado",
                            "srv: Datagrama com assinatura invalida recusado",
                            "srv: Datagrama fora da janela de 5 minutos do relogio recusado",
                        }));
}

TEST(LanTrust, TellsOncePerStationAndReasonThenSaysTheTableIsFull) {
  Told told;
  LanTrust trust(kKey, told.Output());
  for (int round = 0; round < 3; ++round) {
    auto plain = Plain("intruso");
    EXPECT_FALSE(trust.Believes(plain.data(), plain.size(), kNow));
  }
  EXPECT_EQ(told.lines.size(), 1u);
  for (size_t i = 0; i < 2 * kLanReportsMax; ++i) {
    auto plain = Plain("n" + std::to_string(i));
    trust.Believes(plain.data(), plain.size(), kNow);
  }
  ASSERT_EQ(told.lines.size(), kLanReportsMax);
  EXPECT_EQ(told.lines.back(), "n62: Datagrama sem assinatura recusado (last)");
  EXPECT_EQ(trust.Refused(LanRefusal::kUnsigned), 3 + 2 * kLanReportsMax);
  // Without an output, refusals are only counted.
  LanTrust quiet(kKey);
  auto plain = Plain("x");
  EXPECT_FALSE(quiet.Believes(plain.data(), plain.size(), kNow));
  EXPECT_EQ(quiet.Refused(LanRefusal::kUnsigned), 1u);
}

TEST(LanTrust, MovedTrustKeepsItsStationsAndItsOutput) {
  Told told;
  LanTrust trust(kKey, told.Output());
  LanSender sender;
  auto first = Signed("srv", &sender);
  EXPECT_TRUE(trust.Believes(first.data(), first.size(), kNow));
  LanTrust moved = std::move(trust);
  EXPECT_FALSE(moved.Believes(first.data(), first.size(), kNow));
  EXPECT_EQ(told.lines.size(), 1u);
}

TEST(LanTrust, SaysHowABelievedDatagramWasSigned) {
  LanSender sender;
  auto keyed = Signed("srv", &sender);
  auto plain = Plain("srv");
  LanTrust open;
  EXPECT_EQ(open.SignatureOf(plain.data(), plain.size()), LanSignature::kNone);
  EXPECT_EQ(open.SignatureOf(keyed.data(), keyed.size()), LanSignature::kUnchecked);
  // A trailer cut short, or bytes after it, are not a signed datagram.
  EXPECT_EQ(open.SignatureOf(keyed.data(), keyed.size() - 1), LanSignature::kNone);
  keyed.push_back(0);
  EXPECT_EQ(open.SignatureOf(keyed.data(), keyed.size()), LanSignature::kNone);
  LanTrust closed(kKey);
  EXPECT_EQ(closed.SignatureOf(keyed.data(), keyed.size() - 1), LanSignature::kVerified);
}

}  // namespace
