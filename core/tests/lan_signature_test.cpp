// The signed datagram's trailer: its bytes, and every way a keyed station
// refuses a datagram.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/lan_datagram.h"
#include "core/lan_signature.h"

using core::DecodeLanDatagram;
using core::EncodeLanDatagram;
using core::LanDatagram;
using core::LanRefusal;
using core::LanSender;
using core::LanVerdict;
using core::LanVerifier;
using core::NextLanSequence;
using core::SetLanKey;
using core::SignLanDatagram;
using core::VerifyLanDatagram;
using core::kLanDatagramMax;
using core::kLanNameMax;
using core::kLanReportsMax;
using core::kLanSignedMax;
using core::kLanStationsMax;
using core::kLanTrailerSize;

namespace {

constexpr uint64_t kNow = 1765000000123ull;
const std::string kKey = "chave secreta";

std::vector<uint8_t> Plain(const std::string& name, uint8_t powerFail = 1) {
  LanDatagram d;
  std::strncpy(d.name, name.c_str(), kLanNameMax);
  d.name_len = static_cast<uint8_t>(name.size());
  d.power_fail = powerFail;
  d.autonomy_total = d.autonomy_base = 600;
  d.autonomy_left = 590;
  d.discharge_time = 10;
  uint8_t out[kLanDatagramMax];
  size_t n = EncodeLanDatagram(d, out);
  return std::vector<uint8_t>(out, out + n);
}

std::vector<uint8_t> Signed(const std::vector<uint8_t>& plain, const std::string& key, LanSender* sender,
                            uint64_t now) {
  uint8_t buffer[kLanSignedMax];
  std::memcpy(buffer, plain.data(), plain.size());
  size_t n = SignLanDatagram(buffer, plain.size(), sizeof buffer, key.data(), key.size(), sender, now);
  EXPECT_EQ(n, plain.size() + kLanTrailerSize);
  return std::vector<uint8_t>(buffer, buffer + n);
}

std::vector<uint8_t> Signed(const std::vector<uint8_t>& plain, uint64_t now = kNow) {
  LanSender sender;
  return Signed(plain, kKey, &sender, now);
}

// "s12" and the like (without string concatenation, which GCC 12 for
// mingw-w64 wrongly warns about).
std::string Numbered(const char* prefix, int n) {
  char name[16];
  std::snprintf(name, sizeof name, "%s%d", prefix, n);
  return name;
}

class Receiver {
 public:
  Receiver() : v_(std::make_unique<LanVerifier>()) { SetLanKey(v_.get(), kKey.data(), kKey.size()); }
  LanVerdict Check(const std::vector<uint8_t>& bytes, uint64_t now = kNow) {
    return VerifyLanDatagram(v_.get(), bytes.data(), bytes.size(), now);
  }
  LanRefusal operator()(const std::vector<uint8_t>& bytes, uint64_t now = kNow) { return Check(bytes, now).refusal; }
  LanVerifier& verifier() { return *v_; }

 private:
  std::unique_ptr<LanVerifier> v_;
};

TEST(LanSignature, TrailerIsTagSequenceAndTruncatedHmacOfAllBeforeIt) {
  // Worked out apart from this code (Python's hmac) for the same bytes.
  auto bytes = Signed(Plain("estacao01"));
  std::string hex;
  char two[3];
  for (uint8_t b : bytes) {
    std::snprintf(two, sizeof two, "%02x", b);
    hex += two;
  }
  EXPECT_EQ(hex,
            "4fd30301001d010000000002580258024e000a096573746163616f3031"  // the datagram, length 29 kept
            "56534731" "0000019af232b27b"                                   // "VSG1", the time in ms
            "1a8a623105e16d72cdee7c3257c7e5b2");
}

TEST(LanSignature, ReceiverWithoutKeyReadsTheSignedDatagramUnchanged) {
  auto plain = Plain("estacao01");
  auto bytes = Signed(plain);
  auto fromSigned = DecodeLanDatagram(bytes.data(), bytes.size());
  auto fromPlain = DecodeLanDatagram(plain.data(), plain.size());
  ASSERT_TRUE(fromSigned && fromPlain);
  EXPECT_EQ(fromSigned->length, 29);
  EXPECT_EQ(fromSigned->name_len, 9);
  EXPECT_STREQ(fromSigned->name, "estacao01");
  EXPECT_EQ(0, std::memcmp(&*fromSigned, &*fromPlain, sizeof(LanDatagram)));
  // A receiver that reads at most 52 bytes, as vigil20 without a key does.
  auto longest = Signed(Plain(std::string(32, 'n')));
  auto cut = DecodeLanDatagram(longest.data(), kLanDatagramMax);
  ASSERT_TRUE(cut);
  EXPECT_EQ(cut->name_len, 32);
}

TEST(LanSignature, KeyedReceiverAcceptsOnceThenRefusesTheSameDatagram) {
  Receiver receiver;
  LanSender sender;
  auto first = Signed(Plain("srv"), kKey, &sender, kNow);
  EXPECT_EQ(receiver(first), LanRefusal::kNone);
  LanVerdict again = receiver.Check(first);
  EXPECT_EQ(again.refusal, LanRefusal::kReplayed);
  EXPECT_TRUE(again.report);
  // An older datagram of the same station is refused too; a newer one not.
  auto older = Signed(Plain("srv"), kKey, &sender, kNow - 1000);  // clock went back: still newer
  EXPECT_EQ(receiver(older), LanRefusal::kNone);
  LanSender otherProcess;
  auto stale = Signed(Plain("srv"), kKey, &otherProcess, kNow - 1000);
  EXPECT_EQ(receiver(stale), LanRefusal::kReplayed);
  // Sequence numbers are per station name.
  EXPECT_EQ(receiver(Signed(Plain("outro"), kKey, &otherProcess, kNow - 500)), LanRefusal::kNone);
}

TEST(LanSignature, EveryChangedByteIsRefused) {
  auto good = Signed(Plain("estacao01"));
  for (size_t i = 0; i < good.size(); ++i) {
    for (uint8_t bit : {0x01, 0x80}) {
      Receiver receiver;
      auto bad = good;
      bad[i] ^= bit;
      EXPECT_NE(receiver(bad), LanRefusal::kNone) << "byte " << i << " bit " << int(bit);
    }
  }
  Receiver receiver;
  EXPECT_EQ(receiver(good), LanRefusal::kNone);
}

TEST(LanSignature, EveryShortenedOrLengthenedFormIsRefused) {
  auto good = Signed(Plain("estacao01"));
  for (size_t n = 0; n < good.size(); ++n) {
    Receiver receiver;
    std::vector<uint8_t> cut(good.begin(), good.begin() + n);
    LanRefusal r = receiver(cut);
    if (n == 29)
      EXPECT_EQ(r, LanRefusal::kUnsigned);
    else
      EXPECT_EQ(r, LanRefusal::kCut) << n;
  }
  Receiver receiver;
  auto longer = good;
  longer.push_back(0);
  EXPECT_EQ(receiver(longer), LanRefusal::kBadSignature);
}

TEST(LanSignature, OtherKeyAndUnknownTagAreBadSignatures) {
  Receiver receiver;
  LanSender sender;
  EXPECT_EQ(receiver(Signed(Plain("srv"), "outra chave", &sender, kNow)), LanRefusal::kBadSignature);
  EXPECT_EQ(receiver(Signed(Plain("srv"), "", &sender, kNow)), LanRefusal::kBadSignature);
  EXPECT_EQ(receiver(Signed(Plain("srv"), kKey + "x", &sender, kNow)), LanRefusal::kBadSignature);
  EXPECT_EQ(receiver(Plain("srv")), LanRefusal::kUnsigned);
  // A name length past 32 is no keyed sender's.
  auto longName = Plain(std::string(32, 'a'));
  longName[19] = 33;
  EXPECT_EQ(receiver(longName), LanRefusal::kBadSignature);
}

TEST(LanSignature, ClockWindowIsFiveMinutesEitherWay) {
  const uint64_t window = 5 * 60 * 1000;
  struct Case {
    int64_t senderAhead;
    LanRefusal expected;
  } cases[] = {
      {static_cast<int64_t>(window), LanRefusal::kNone},       {static_cast<int64_t>(window) + 1, LanRefusal::kClock},
      {-static_cast<int64_t>(window), LanRefusal::kNone},      {-static_cast<int64_t>(window) - 1, LanRefusal::kClock},
      {10 * 60 * 1000, LanRefusal::kClock},                    {0, LanRefusal::kNone},
  };
  for (const Case& c : cases) {
    Receiver receiver;
    auto bytes = Signed(Plain("srv"), static_cast<uint64_t>(static_cast<int64_t>(kNow) + c.senderAhead));
    EXPECT_EQ(receiver(bytes, kNow), c.expected) << c.senderAhead;
  }
  // A datagram recorded and sent again after the receiver restarted, with
  // its table of stations empty, is refused once it is 5 minutes old.
  auto recorded = Signed(Plain("srv"));
  Receiver restarted;
  EXPECT_EQ(restarted(recorded, kNow + window + 1), LanRefusal::kClock);
}

TEST(LanSignature, SequenceKeepsRisingWhenTheClockStepsBack) {
  LanSender sender;
  uint64_t a = NextLanSequence(&sender, kNow);
  uint64_t b = NextLanSequence(&sender, kNow - 60000);
  uint64_t c = NextLanSequence(&sender, kNow - 60000);
  uint64_t d = NextLanSequence(&sender, kNow);
  uint64_t e = NextLanSequence(&sender, kNow + 5000);
  EXPECT_EQ(a, kNow);
  EXPECT_EQ(b, kNow + 1);
  EXPECT_EQ(c, kNow + 2);
  EXPECT_EQ(d, kNow + 3);
  EXPECT_EQ(e, kNow + 5000);
  // The receiver accepts each in turn.
  Receiver receiver;
  LanSender signer;
  for (uint64_t now : {kNow, kNow - 60000, kNow - 60000, kNow})
    EXPECT_EQ(receiver(Signed(Plain("srv"), kKey, &signer, now), kNow), LanRefusal::kNone);
}

TEST(LanSignature, ReportsOncePerStationAndReasonWithinABoundedTable) {
  Receiver receiver;
  auto unsignedOne = Plain("intruso");
  EXPECT_TRUE(receiver.Check(unsignedOne).report);
  EXPECT_FALSE(receiver.Check(unsignedOne).report);
  EXPECT_FALSE(receiver.Check(Plain("intruso", 0)).report);
  LanSender sender;
  EXPECT_TRUE(receiver.Check(Signed(Plain("intruso"), "outra", &sender, kNow)).report);
  EXPECT_TRUE(receiver.Check(Plain("outro")).report);
  EXPECT_EQ(receiver.verifier().refused[static_cast<size_t>(LanRefusal::kUnsigned)], 4u);
  EXPECT_EQ(receiver.verifier().refused[static_cast<size_t>(LanRefusal::kBadSignature)], 1u);

  // A flood of invented names: reported up to the table's size, the last
  // report saying the table is full, then only counted.
  Receiver flooded;
  size_t reports = 0, fullNotices = 0;
  for (int i = 0; i < 1000; ++i) {
    LanVerdict v = flooded.Check(Plain(Numbered("n", i)));
    reports += v.report;
    fullNotices += v.reportsFull;
  }
  EXPECT_EQ(reports, kLanReportsMax);
  EXPECT_EQ(fullNotices, 1u);
  EXPECT_EQ(flooded.verifier().refused[static_cast<size_t>(LanRefusal::kUnsigned)], 1000u);
}

TEST(LanSignature, StationsBeyondTheTableForgetTheOldestOnly) {
  Receiver receiver;
  LanSender sender;
  std::vector<std::vector<uint8_t>> firsts;
  for (size_t i = 0; i < kLanStationsMax; ++i) {
    firsts.push_back(Signed(Plain(Numbered("s", static_cast<int>(i))), kKey, &sender, kNow));
    EXPECT_EQ(receiver(firsts.back()), LanRefusal::kNone);
  }
  for (const auto& first : firsts) EXPECT_EQ(receiver(first), LanRefusal::kReplayed);
  // One more station takes the place of the one accepted longest ago.
  EXPECT_EQ(receiver(Signed(Plain("novo"), kKey, &sender, kNow)), LanRefusal::kNone);
  EXPECT_EQ(receiver(firsts[0]), LanRefusal::kNone);
  for (size_t i = 2; i < firsts.size(); ++i) EXPECT_EQ(receiver(firsts[i]), LanRefusal::kReplayed) << i;
}

TEST(LanSignature, SignRefusesWhatItCannotHold) {
  LanSender sender;
  auto plain = Plain("estacao01");
  uint8_t buffer[kLanSignedMax];
  std::memcpy(buffer, plain.data(), plain.size());
  EXPECT_EQ(SignLanDatagram(buffer, plain.size(), plain.size() + kLanTrailerSize - 1, kKey.data(), kKey.size(),
                            &sender, kNow),
            0u);
  EXPECT_EQ(SignLanDatagram(buffer, plain.size() - 1, sizeof buffer, kKey.data(), kKey.size(), &sender, kNow), 0u);
  EXPECT_EQ(sender.lastSequence, 0u);
}

}  // namespace
