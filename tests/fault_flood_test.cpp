// Receivers under a flood of 10,000 bogus datagrams a second (another
// header, cut short, too long, random bytes, all from a sender nobody
// accepts): a real change from the accepted server is still announced within
// a second of the datagram that carries it, and nothing bogus is taken.
// The server is a stand-in (vigil-dgram) in one network namespace; the
// flood comes from the same place; the receiver is the real program in the
// other.
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>

#include "alerter_fixture.h"
#include "core/daemon_log_record.h"
#include "daemon_fixture.h"
#include "lan_fixture.h"

namespace {

// Since `sentAtMs`, ms since the epoch as the sender stamped it.
long long MsSince(long long sentAtMs) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch()).count() - sentAtMs;
}

constexpr long kFloodPerSecond = 10000;

class FloodTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Station(server_, "192.168.77.1");
    Station(receiver_, "192.168.77.2");
  }
  // The accepted server, mains on, every 200 ms; then the flood.
  void StartCalmServerAndFlood() {
    server_.Run(VIGIL_DGRAM_BIN " send 192.168.77.2 200 0 servidor 0 0 0 0 0 600 600 600 0 >/dev/null 2>&1 &"
                " echo $! > /usr/local/calm.pid");
    server_.Run(VIGIL_DGRAM_BIN " flood 192.168.77.2 " + std::to_string(kFloodPerSecond) +
                " 6 > /usr/local/flood.out 2>&1 &");
  }
  // The server's mains fail: when its first datagram saying so left, by the
  // sender's own clock (ms since the epoch), so that the time the test
  // takes to start it on a busy machine is not counted; -1 if none left.
  long long MainsFail() {
    server_.Run("kill $(cat /usr/local/calm.pid)");
    server_.Run(VIGIL_DGRAM_BIN " send 192.168.77.2 200 0 servidor 1 0 0 0 0 600 600 590 10 >/usr/local/failed.at"
                " 2>/dev/null &");
    if (!WaitUntil([&] { return !server_.Read("failed.at").empty(); }, 10000)) return -1;
    return std::atoll(server_.Read("failed.at").c_str());
  }
  // The receiver's log file read here, without starting a program in its
  // sandbox (which on a busy machine takes longer than what is measured).
  bool ReceiverLogged(const std::string& needle) {
    std::string bytes = receiver_.Read("vigil20/vigil20.log");
    for (size_t at = 0; at + core::kDaemonLogRecordBytes <= bytes.size(); at += core::kDaemonLogRecordBytes) {
      std::string line = core::UnscrambleDaemonLogRecord(
          reinterpret_cast<const uint8_t*>(bytes.data() + at), core::kDaemonLogRecordBytes);
      if (line.find(needle) != std::string::npos) return true;
    }
    return false;
  }
  // The flood ran at its rate: the figure its sender printed.
  long Flooded() {
    WaitUntil([&] { return !server_.Read("flood.out").empty(); }, 10000);
    return std::atol(server_.Read("flood.out").c_str());
  }

  // The alerter receiver's status pipe, asked from here, and its events.
  std::string AskPipeIn() {
    std::string previous = std::getenv("VIGIL20_HOST_ROOT") ? std::getenv("VIGIL20_HOST_ROOT") : "";
    setenv("VIGIL20_HOST_ROOT", receiver_.Path("root").c_str(), 1);
    std::string reply = AskPipe("\n", 1000);
    if (previous.empty())
      unsetenv("VIGIL20_HOST_ROOT");
    else
      setenv("VIGIL20_HOST_ROOT", previous.c_str(), 1);
    return reply;
  }
  std::vector<int32_t> Events() { return EventCodes(receiver_.Path("root/windows/EvtVigil20.dat")); }

  VethLan lan_;
  Sandbox server_{In(lan_.first())};
  Sandbox receiver_{In(lan_.second())};
};

TEST_F(FloodTest, AVigil20ReceiverAnnouncesTheRealChangeWithinASecond) {
  receiver_.WriteConf(LocalConf({{7, "Nobreak ligado a este computador (sim/nao) = nao"},
                                 {9, "Enviar o estado pela rede (sim/nao) = nao"},
                                 {10, "Nome desta estacao = receptor"},
                                 {11, "Receber o estado pela rede (sim/nao) = sim"},
                                 {13, "Servidor aceito = servidor"}}));
  ASSERT_EQ(StartDaemon(receiver_).status, 0);
  StartCalmServerAndFlood();
  ASSERT_TRUE(WaitUntil([&] { return Peek(receiver_).total == 600; }, 5000));
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // the flood at full rate

  long long sent = MainsFail();
  ASSERT_GE(sent, 0) << "the server's datagram never left";
  ASSERT_TRUE(WaitUntil([&] { return ReceiverLogged("--> servidor: Falta de Rede"); }, 5000, 5)) << LogText(receiver_);
  long long delay = MsSince(sent);
  EXPECT_LE(delay, 1000);
  EXPECT_GE(Flooded(), kFloodPerSecond * 6 * 9 / 10);
  std::string log = LogText(receiver_);
  EXPECT_EQ(log.find("intruso"), std::string::npos) << log;
  EXPECT_EQ(CountOf(log, "Falta de Rede"), 1) << log;
  EXPECT_NE(receiver_.DaemonMain(), 0);
  std::printf("vigil20 receiver: the change announced %lld ms after it was sent\n", delay);
}

TEST_F(FloodTest, AnAlerterClientLogsTheRealChangeWithinASecond) {
  AlerterSetting(receiver_, "ComMode", 2);
  AlerterSetting(receiver_, "Net Mode", 5);
  AlerterSetting(receiver_, "AcceptAll", 0);
  AlerterSetting(receiver_, "HostName", "servidor");
  AlerterSetting(receiver_, "Interval", 200);
  StartAlerter(receiver_);
  StartCalmServerAndFlood();
  ASSERT_TRUE(WaitUntil([&] { return Field(AskPipeIn(), 64) == 600; }, 10000)) << receiver_.Read("alerter.log");
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_TRUE(Events().empty());

  long long sent = MainsFail();
  ASSERT_GE(sent, 0) << "the server's datagram never left";
  ASSERT_TRUE(WaitUntil([&] { return Events() == std::vector<int32_t>{1}; }, 5000, 5)) << receiver_.Read("alerter.log");
  long long delay = MsSince(sent);
  EXPECT_LE(delay, 1000);
  EXPECT_GE(Flooded(), kFloodPerSecond * 6 * 9 / 10);
  EXPECT_EQ(Events(), std::vector<int32_t>{1});
  EXPECT_EQ(AskPipeIn().size(), 216u) << "the client still serves its pipe";
  std::printf("alerter client: event 1 logged %lld ms after the change was sent\n", delay);
}

}  // namespace
