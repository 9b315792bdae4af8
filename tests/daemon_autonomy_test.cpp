// The autonomy worker of a station wired to the UPS: the countdown on the
// console, the discharge and recharge figures in the shared block, and the
// end of the predicted autonomy. Figures are whole seconds of a real clock,
// so each check allows the second that a boundary may fall on.
#include <chrono>
#include <vector>
#include <gtest/gtest.h>
#include <thread>

#include "daemon_fixture.h"

namespace {

using std::chrono::milliseconds;

class AutonomyTest : public ::testing::Test {
 protected:
  void Start(const std::map<int, std::string>& changes) {
    box_.WriteConf(LocalConf(changes));
    Lines(box_, "set DSR CTS RI");
    ASSERT_EQ(StartDaemon(box_).status, 0);
    ASSERT_TRUE(WaitUntil([&] { return Peek(box_).paused == 1; }, 3000)) << "the worker did not go idle";
  }
  void TearDown() override {
    if (HasFailure())
      std::printf("log:\n%s\nconsole:\n%s\n", LogText(box_).c_str(), box_.Read("console").c_str());
  }
  Sandbox box_;
};

TEST_F(AutonomyTest, DischargeRechargeAndASecondFailureDuringTheRecharge) {
  // 120 minutes and a one-hour recharge: the recharge restores 2 s per second.
  Start({{1, "Autonomia em minutos = 120"}, {3, "Desligar no fim = nao"}});
  Block b = Peek(box_);
  EXPECT_EQ(b.total, 7200);
  EXPECT_EQ(b.base, 7200);
  EXPECT_EQ(b.left, 7200);
  EXPECT_EQ(b.dt, 0);

  Lines(box_, "drop DSR");
  ASSERT_TRUE(WaitUntil([&] { return Peek(box_).paused == 0; }, 3000));
  std::this_thread::sleep_for(milliseconds(8000));
  b = Peek(box_);
  EXPECT_EQ(b.base, 7200);
  EXPECT_EQ(b.left + b.dt, 7200) << "one second of autonomy per second on battery";
  EXPECT_GE(b.dt, 7);
  EXPECT_LE(b.dt, 9);
  EXPECT_NE(box_.Read("console").find("Autonomia = 120 (7200) minutos\n"), std::string::npos);

  // The recharge restores 2 s per second from the moment it starts, so a
  // test slowed down by a loaded machine may see a second or two of it.
  const int discharged = b.dt;
  const auto raised = std::chrono::steady_clock::now();
  Lines(box_, "raise DSR");
  ASSERT_TRUE(WaitUntil([&] { return Peek(box_).dt == 0; }, 2000));
  b = Peek(box_);
  const int seen_after = static_cast<int>(
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - raised).count());
  const int after_discharge = b.left;
  EXPECT_EQ(b.base, b.left);
  EXPECT_GE(7200 - after_discharge, discharged - 2 * (seen_after + 1));
  EXPECT_LE(7200 - after_discharge, 10);
  EXPECT_EQ(b.ao, 0) << "the return of the mains never ends the autonomy";

  // Mains out again halfway through the recharge: the discharge starts
  // from the partly restored figure.
  std::this_thread::sleep_for(milliseconds(2000));
  Lines(box_, "drop DSR");
  ASSERT_TRUE(WaitUntil([&] { return Peek(box_).dt >= 1; }, 3000));
  b = Peek(box_);
  EXPECT_GT(b.base, after_discharge);
  EXPECT_LT(b.base, 7200);
  EXPECT_EQ((b.base - after_discharge) % 2, 0);
  EXPECT_EQ(b.left + b.dt, b.base);

  // Back to the mains: full again, then idle.
  Lines(box_, "raise DSR");
  ASSERT_TRUE(WaitUntil([&] { Block now = Peek(box_); return now.left == 7200 && now.paused == 1; }, 10000));
  b = Peek(box_);
  EXPECT_EQ(b.base, 7200);
  EXPECT_EQ(b.ao, 0);
}

TEST_F(AutonomyTest, ZeroRechargeTimeMeansFullAtOnce) {
  Start({{1, "Autonomia em minutos = 10"}, {2, "Tempo de recarga em horas = 0"}});
  Lines(box_, "drop DSR");
  ASSERT_TRUE(WaitUntil([&] { return Peek(box_).dt >= 2; }, 4000));
  EXPECT_LT(Peek(box_).left, 600);
  Lines(box_, "raise DSR");
  ASSERT_TRUE(WaitUntil([&] { Block b = Peek(box_); return b.left == 600 && b.paused == 1; }, 2000));
  EXPECT_EQ(Peek(box_).ao, 0);
}

TEST_F(AutonomyTest, CriticalBatteryFreezesTheCountdown) {
  Start({{1, "Autonomia em minutos = 10"}, {4, "Desligar bateria (sim/nao) = nao"}});
  Lines(box_, "drop DSR");
  ASSERT_TRUE(WaitUntil([&] { return Peek(box_).dt >= 1; }, 3000));
  Lines(box_, "drop CTS");
  ASSERT_TRUE(WaitForLog(box_, "Bateria em nivel critico\n", 2000));
  Block frozen = Peek(box_);
  std::this_thread::sleep_for(milliseconds(2500));
  Block later = Peek(box_);
  EXPECT_EQ(later.left, frozen.left);
  EXPECT_EQ(later.ao, 0);
  EXPECT_EQ(CountOf(box_.Read("console"), "Autonomia = 10 (600) minutos"), 1);
  EXPECT_EQ(box_.Read("recorded"), "");
}

TEST_F(AutonomyTest, CountdownOnTheConsoleThenEndOfAutonomyShutsDown) {
  Start({{1, "Autonomia em minutos = 1"}, {4, "Desligar bateria (sim/nao) = nao"}});
  Lines(box_, "drop DSR");
  ASSERT_TRUE(WaitUntil([&] { return box_.Read("console").find("Automonia = 60 segundos\n") != std::string::npos; },
                        2000));
  // A new line about every 30 seconds.
  std::this_thread::sleep_for(milliseconds(29000));
  EXPECT_EQ(CountOf(box_.Read("console"), "Automonia = "), 1);
  ASSERT_TRUE(WaitUntil([&] { return CountOf(box_.Read("console"), "Automonia = ") == 2; }, 4000));
  std::string console = box_.Read("console");
  size_t second = console.rfind("Automonia = ");
  int seconds = std::atoi(console.c_str() + second + 12);
  EXPECT_GE(seconds, 28);
  EXPECT_LE(seconds, 31);

  ASSERT_TRUE(WaitForLog(box_, "Termino da autonomia prevista\n", 35000));
  ASSERT_TRUE(WaitForLog(box_, "Desligamento iniciado\n", 2000));
  EXPECT_EQ(Peek(box_).ao, 1);
  EXPECT_TRUE(WaitForRecorded(box_, "/sbin/poweroff \n")) << box_.Read("recorded");
  std::string log = LogText(box_);
  EXPECT_LT(log.find("Termino da autonomia prevista"), log.find("Desligamento iniciado"));
}

TEST_F(AutonomyTest, FiguresStepOnceASecondThroughADischargeAndARecharge) {
  // 120 minutes and a one-hour recharge: the recharge restores 2 s per second.
  Start({{1, "Autonomia em minutos = 120"}, {3, "Desligar no fim = nao"}});
  auto sample = [&](int ms) {
    std::vector<Block> seen;
    auto end = std::chrono::steady_clock::now() + milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
      seen.push_back(Peek(box_));
      std::this_thread::sleep_for(milliseconds(40));
    }
    return seen;
  };

  Lines(box_, "drop DSR");
  ASSERT_TRUE(WaitUntil([&] { return Peek(box_).paused == 0; }, 3000));
  // Long enough that the recharge after it lasts beyond its sampling.
  std::vector<Block> discharge = sample(9000);
  int first_dt = discharge.front().dt;
  for (size_t i = 0; i < discharge.size(); ++i) {
    const Block& b = discharge[i];
    ASSERT_EQ(b.base, 7200);
    ASSERT_EQ(b.left + b.dt, 7200) << "at sample " << i;
    if (i > 0) {
      ASSERT_TRUE(b.dt == discharge[i - 1].dt || b.dt == discharge[i - 1].dt + 1) << "at sample " << i;
    }
  }
  int steps = discharge.back().dt - first_dt;
  EXPECT_GE(steps, 8);
  EXPECT_LE(steps, 10);

  Lines(box_, "raise DSR");
  ASSERT_TRUE(WaitUntil([&] { return Peek(box_).dt == 0; }, 2000));
  std::vector<Block> recharge = sample(3500);
  for (size_t i = 0; i < recharge.size(); ++i) {
    const Block& b = recharge[i];
    ASSERT_EQ(b.dt, 0);
    ASSERT_EQ(b.base, b.left);
    ASSERT_EQ(b.total, 7200);
    if (i > 0) {
      ASSERT_TRUE(b.left == recharge[i - 1].left || b.left == recharge[i - 1].left + 2) << "at sample " << i;
    }
  }
  ASSERT_LT(recharge.back().left, 7200) << "full before the sampling ended";
  steps = (recharge.back().left - recharge.front().left) / 2;
  EXPECT_GE(steps, 2);
  EXPECT_LE(steps, 4);
  // One countdown line, the full figure, at the start of the discharge.
  std::string console = box_.Read("console");
  EXPECT_EQ(CountOf(console, "Autonomia = "), 1);
  EXPECT_EQ(CountOf(console, "--> estacao1: Autonomia = 120 (7200) minutos\n"), 1);
}

TEST_F(AutonomyTest, TheLargestAutonomyNeverOverflowsTheRecharge) {
  Start({{1, "Autonomia em minutos = 99999999"}, {2, "Tempo de recarga em horas = 1"}});
  Lines(box_, "drop DSR");
  ASSERT_TRUE(WaitUntil([&] { return Peek(box_).dt >= 2; }, 4000));
  Lines(box_, "raise DSR");
  ASSERT_TRUE(WaitUntil([&] { return Peek(box_).dt == 0; }, 2000));
  std::this_thread::sleep_for(milliseconds(3000));
  Lines(box_, "drop DSR");
  ASSERT_TRUE(WaitUntil([&] { return Peek(box_).dt >= 2; }, 4000));
  EXPECT_EQ(Peek(box_).ao, 0);
  EXPECT_EQ(LogText(box_).find("Termino da autonomia prevista"), std::string::npos);
  EXPECT_EQ(box_.Read("recorded"), "");
  // Full again after the short recharge: each discharge opens with the full figure.
  EXPECT_EQ(CountOf(box_.Read("console"), "--> estacao1: Autonomia = 35791394 (2147483640) minutos\n"), 2);
}

TEST_F(AutonomyTest, LinesLostDuringADischargeLeaveTheCountdownRunningToItsEnd) {
  Start({{1, "Autonomia em minutos = 1"}});
  Lines(box_, "drop DSR");
  ASSERT_TRUE(WaitUntil([&] { return Peek(box_).dt >= 2; }, 4000));
  Lines(box_, "unplug");
  ASSERT_TRUE(WaitForLog(box_, "--> estacao1: Problemas na comunicacao. Verifique o cabo serial\n", 2000));
  Block b = Peek(box_);
  EXPECT_EQ(b.pf, 1) << "the last power state stands";
  EXPECT_EQ(b.cf, 1);
  ASSERT_TRUE(WaitForLog(box_, "--> estacao1: Termino da autonomia prevista\n", 65000));
  ASSERT_TRUE(WaitForLog(box_, "--> estacao1: Desligamento iniciado\n", 2000));
  EXPECT_TRUE(WaitForRecorded(box_, "/sbin/poweroff \n")) << box_.Read("recorded");
  std::string log = LogText(box_);
  EXPECT_EQ(CountOf(log, "Problemas na comunicacao"), 1);
  EXPECT_EQ(log.find("Retorno da rede"), std::string::npos);
}

// libfaketime shifts the wall clock of one program only; the shipped daemon
// is static and would ignore it, so a dynamic build of the same code stands
// in for it here.
TEST_F(AutonomyTest, AWallClockStepMovesNoDuration) {
  box_.Write("faketime", "+0\n");
  box_.WriteConf(LocalConf({{1, "Autonomia em minutos = 10"}}));
  Lines(box_, "set DSR CTS RI");
  ASSERT_EQ(box_.Run("ASAN_OPTIONS=verify_asan_link_order=0 LD_PRELOAD=" FAKETIME_LIB
                     " FAKETIME_TIMESTAMP_FILE=/usr/local/faketime FAKETIME_NO_CACHE=1"
                     " FAKETIME_DONT_FAKE_MONOTONIC=1 VIGIL20_SIMLINES=/usr/local/lines " VIGIL20_DYNAMIC_BIN)
                .status,
            0);
  ASSERT_TRUE(WaitUntil([&] { return Peek(box_).paused == 1; }, 3000));
  Lines(box_, "drop DSR");
  ASSERT_TRUE(WaitUntil([&] { return Peek(box_).dt >= 2; }, 4000));

  box_.Write("faketime", "+1h\n");
  std::this_thread::sleep_for(milliseconds(2500));
  Block b = Peek(box_);
  EXPECT_EQ(b.ao, 0);
  EXPECT_EQ(b.left + b.dt, 600);
  EXPECT_LE(b.dt, 8);
  box_.Write("faketime", "-1h\n");
  std::this_thread::sleep_for(milliseconds(2500));
  Block later = Peek(box_);
  EXPECT_GE(later.dt, b.dt + 1) << "the countdown stood still";
  EXPECT_LE(later.dt, b.dt + 4);
  EXPECT_EQ(LogText(box_).find("Termino da autonomia prevista"), std::string::npos);
  EXPECT_EQ(box_.Read("recorded"), "");
  EXPECT_EQ(Vigil(box_, "stop").status, 0);
}

}  // namespace
