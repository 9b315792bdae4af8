// The autonomy worker of a station wired to the UPS: the countdown on the
// console, the discharge and recharge figures in the shared block, and the
// end of the predicted autonomy. Figures are whole seconds of a real clock,
// so each check allows the second that a boundary may fall on.
#include <chrono>
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

  Lines(box_, "raise DSR");
  ASSERT_TRUE(WaitUntil([&] { return Peek(box_).dt == 0; }, 2000));
  b = Peek(box_);
  const int after_discharge = b.left;
  EXPECT_EQ(b.base, b.left);
  EXPECT_GE(7200 - after_discharge, 7);
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
  EXPECT_EQ(box_.Read("recorded"), "/sbin/poweroff \n");
  std::string log = LogText(box_);
  EXPECT_LT(log.find("Termino da autonomia prevista"), log.find("Desligamento iniciado"));
}

}  // namespace
