// The station board: what it believes with and without the key, how it
// counts refusals, its limit on stations, silence, and the countdown.
#include <gtest/gtest.h>

#include "core/lan_signature.h"
#include "web/station_board.h"
#include "web/station_state.h"
#include "web_test_support.h"

using core::LanDatagram;
using core::LanSender;
using core::LanSignature;
using core::LanWallClockMs;
using core::SignLanDatagram;
using core::kLanHeaderSize;
using core::kLanSignedMax;

namespace {

using namespace web;
using web_test::Bytes;
using web_test::Datagram;

std::vector<uint8_t> Signed(const LanDatagram& d, const std::string& key, LanSender* sender, uint64_t nowMs) {
  std::vector<uint8_t> bytes = Bytes(d);
  bytes.resize(kLanSignedMax);
  size_t n = SignLanDatagram(bytes.data(), kLanHeaderSize + d.name_len, bytes.size(), key.data(), key.size(), sender,
                             nowMs);
  bytes.resize(n);
  return bytes;
}

const StationNow* Find(const BoardNow& now, const std::string& label) {
  for (const StationNow& s : now.stations)
    if (s.label == label) return &s;
  return nullptr;
}

TEST(StationBoardTest, WithoutAKeyEveryWellFormedDatagramIsBelievedAndOthersCountedAsMalformed) {
  StationBoard board("");
  auto bytes = Bytes(Datagram("estacao1", {1}, 590, 600, 10));
  auto taken = board.Take(bytes.data(), bytes.size(), 1000, 1765000000000);
  ASSERT_TRUE(taken);
  EXPECT_EQ(taken->name, "estacao1");
  EXPECT_EQ(taken->datagram.autonomy_left, 590);
  ASSERT_TRUE(board.Take(bytes.data(), bytes.size(), 2000, 1765000001000));
  std::vector<uint8_t> other = bytes;
  other[3] = 0x02;  // another version's header
  EXPECT_FALSE(board.Take(other.data(), other.size(), 2000, 0));
  EXPECT_FALSE(board.Take(bytes.data(), 19, 2000, 0));

  BoardNow now = board.Now(7000, 1765000006000);
  ASSERT_EQ(now.stations.size(), 1u);
  const StationNow& s = now.stations[0];
  EXPECT_EQ(s.received, 2u);
  EXPECT_FALSE(s.silent);
  EXPECT_EQ(s.signature, LanSignature::kNone);
  EXPECT_EQ(s.heardUnixMs, 1765000001000);
  EXPECT_EQ(now.refused[static_cast<size_t>(Refusal::kMalformed)], 2u);
  // On battery, the autonomy counts down and the time on battery up.
  EXPECT_EQ(RemainingNow(s), 585);
  EXPECT_EQ(OnBatteryNow(s), 15);
  EXPECT_EQ(StateOf(s), StationState::kMainsFailure);
}

TEST(StationBoardTest, WithAKeyOnlySignedDatagramsAreBelievedAndEachRefusalToldOnce) {
  static std::vector<std::string> told;
  told.clear();
  StationBoard board("chave da rede", kMaxStations, [](const std::string& line) { told.push_back(line); });
  const uint64_t now = LanWallClockMs();
  LanSender mine, theirs;
  auto plain = Bytes(Datagram("estacao1", {1}));
  auto foreign = Signed(Datagram("estacao1", {1}), "outra chave", &theirs, now);
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(board.Take(plain.data(), plain.size(), 1000, static_cast<int64_t>(now)));
    EXPECT_FALSE(board.Take(foreign.data(), foreign.size(), 1000, static_cast<int64_t>(now)));
  }
  EXPECT_TRUE(board.Now(1000, 0).stations.empty());
  auto good = Signed(Datagram("estacao1", {1}), "chave da rede", &mine, now);
  ASSERT_TRUE(board.Take(good.data(), good.size(), 1000, static_cast<int64_t>(now)));
  EXPECT_FALSE(board.Take(good.data(), good.size(), 1100, static_cast<int64_t>(now)));  // replayed
  BoardNow state = board.Now(1200, static_cast<int64_t>(now));
  ASSERT_EQ(state.stations.size(), 1u);
  EXPECT_EQ(state.stations[0].signature, LanSignature::kVerified);
  EXPECT_TRUE(state.keyed);
  EXPECT_EQ(state.refused[static_cast<size_t>(Refusal::kUnsigned)], 3u);
  EXPECT_EQ(state.refused[static_cast<size_t>(Refusal::kBadSignature)], 3u);
  EXPECT_EQ(state.refused[static_cast<size_t>(Refusal::kReplayed)], 1u);
  EXPECT_EQ(told.size(), 3u);
  EXPECT_EQ(told[0], "estacao1: Datagrama sem assinatura recusado");
}

TEST(StationBoardTest, StationsFallSilentOnceKnownOnesWaitAndAFullTableMakesRoomOnlyFromSilentOnes) {
  StationBoard board("", 2);
  board.Know("antiga");
  auto a = Bytes(Datagram("a")), b = Bytes(Datagram("b"));
  ASSERT_TRUE(board.Take(a.data(), a.size(), 1000, 0));
  // Full: the known, never heard station makes room.
  ASSERT_TRUE(board.Take(b.data(), b.size(), 2000, 0));
  EXPECT_FALSE(Find(board.Now(2000, 0), "antiga"));
  auto c = Bytes(Datagram("c"));
  EXPECT_FALSE(board.Take(c.data(), c.size(), 3000, 0)) << "a and b are not silent";
  EXPECT_TRUE(board.NewlySilent(1000 + kSilentAfterMs).empty());
  EXPECT_EQ(board.NewlySilent(1001 + kSilentAfterMs), std::vector<std::string>{"a"});
  EXPECT_TRUE(board.NewlySilent(1002 + kSilentAfterMs).empty());
  EXPECT_TRUE(board.Take(c.data(), c.size(), 1003 + kSilentAfterMs, 0));
  BoardNow now = board.Now(1003 + kSilentAfterMs, 0);
  EXPECT_FALSE(Find(now, "a"));
  EXPECT_EQ(StateOf(*Find(now, "c")), StationState::kNormal);
  EXPECT_EQ(StateOf(*Find(board.Now(40000 + kSilentAfterMs, 0), "c")), StationState::kSilent);
}

TEST(StationBoardTest, LabelsArePrintableUtf8AndUnique) {
  StationBoard board("");
  for (std::string name : {std::string("Esta\xE7\xE3o", 7), std::string("a\x01" "b", 3), std::string("a?b"),
                           std::string("")}) {
    auto bytes = Bytes(Datagram(name));
    ASSERT_TRUE(board.Take(bytes.data(), bytes.size(), 1000, 0));
  }
  BoardNow now = board.Now(1000, 0);
  std::vector<std::string> labels;
  for (const StationNow& s : now.stations) labels.push_back(s.label);
  EXPECT_EQ(labels, (std::vector<std::string>{"(sem nome)", "Estação", "a?b", "a?b (2)"}));
}

TEST(StationStateTest, TheStateThatMattersMostWins) {
  StationNow s;
  s.heard = true;
  s.silent = false;
  s.last = Datagram("x");
  EXPECT_STREQ(StateKey(StateOf(s)), "normal");
  s.last = Datagram("x", {0, 0, 1});
  EXPECT_STREQ(StateWords(StateOf(s)), "Bypass");
  s.last = Datagram("x", {1, 0, 1});
  EXPECT_STREQ(StateKey(StateOf(s)), "mains_failure");
  s.last = Datagram("x", {1, 1, 1});
  EXPECT_STREQ(StateKey(StateOf(s)), "battery_critical");
  s.last = Datagram("x", {1, 1, 1, 0, 1});
  EXPECT_STREQ(StateKey(StateOf(s)), "autonomy_end");
  s.last = Datagram("x", {1, 1, 1, 1, 1});
  EXPECT_STREQ(StateWords(StateOf(s)), "Falha de sinalização");
  s.silent = true;
  EXPECT_STREQ(StateWords(StateOf(s)), "Sem sinal");
}

}  // namespace
