// The autonomy model and the shutdown countdowns, on a clock the test moves.
#include <gtest/gtest.h>

#include "alerter/tests/monitor_fixture.h"
#include "platform/window_messages.h"

using core::CState;

namespace {

using Events = std::vector<int32_t>;

class AutonomyTest : public MonitorFixture {
 protected:
  void SetUp() override {
    MonitorFixture::SetUp();
    config.signalFilter = 0;
    monitor.Reset();
    state = monitor.currentState;
  }
  // One call of the model at `t` seconds.
  void At(int64_t t, int32_t powerFailure) {
    host.now = t;
    state.powerFailure = powerFailure;
    monitor.UpdateAutonomy(state);
  }

  CState state{};
};

TEST_F(AutonomyTest, DischargeAndRechargeFollowTheNominalFigures) {
  At(0, 1);
  EXPECT_EQ(state.timeOnBattery, 0);
  At(300, 1);
  EXPECT_EQ(state.remainingAutonomy, 600);
  EXPECT_EQ(state.timeOnBattery, 300);
  At(301, 0);
  EXPECT_EQ(monitor.rechargeLeft, 12000);
  EXPECT_EQ(state.fullAutonomy, 600);
  At(301 + 6000, 0);
  EXPECT_EQ(state.remainingAutonomy, 750);
  At(301 + 12000, 0);
  EXPECT_EQ(state.remainingAutonomy, 900);
  EXPECT_EQ(monitor.rechargeLeft, 0);
}

TEST_F(AutonomyTest, ANewDischargeStartsFromThePartlyRechargedValue) {
  At(0, 1);
  At(300, 1);
  At(301, 0);
  At(1301, 0);
  EXPECT_EQ(state.remainingAutonomy, 625);
  At(1302, 1);
  At(1402, 1);
  EXPECT_EQ(state.remainingAutonomy, 525);
}

TEST_F(AutonomyTest, AnOverlongDischargeEndsTheAutonomyAndCapsTheRecharge) {
  At(0, 1);
  At(899, 1);
  EXPECT_EQ(state.autonomyEnd, 0);
  At(900, 1);
  EXPECT_EQ(state.autonomyEnd, 1);
  At(100000, 1);  // far below zero: the arithmetic stays in range
  EXPECT_EQ(state.remainingAutonomy, 900 - 100000);
  At(100001, 0);
  EXPECT_EQ(state.autonomyEnd, 0);
  EXPECT_EQ(monitor.rechargeLeft, 36000);
}

TEST_F(AutonomyTest, ZeroNominalOrRechargeCountsAsACompleteRecharge) {
  config.tempoRecarga = 0;
  At(0, 1);
  At(300, 1);
  At(301, 0);
  EXPECT_EQ(monitor.rechargeLeft, 0);
  EXPECT_EQ(state.remainingAutonomy, 900);
  At(400, 0);
  EXPECT_EQ(state.remainingAutonomy, 900);

  config.tempoRecarga = 36000;
  config.autonomiaNominal = 0;
  state.fullAutonomy = state.remainingAutonomy = 0;
  At(500, 1);
  At(510, 1);
  EXPECT_EQ(state.autonomyEnd, 1);
  At(511, 0);
  EXPECT_EQ(state.remainingAutonomy, 0);
  At(600, 0);
  EXPECT_EQ(monitor.rechargeLeft, 0);
}

TEST_F(AutonomyTest, EndOfAutonomyLogs20ThenShutsDownFifteenTicksLater) {
  config.autonomiaNominal = 5;
  monitor.Reset();
  monitor.SetShutdownAllowed(true);
  Ticks(1);
  host.dsr = 0;
  Ticks(1);  // the discharge begins: event 1
  Ticks(5);  // the prediction reaches 0 with both changes in one: 20
  EXPECT_EQ(host.events, (Events{1, 20}));
  EXPECT_EQ(monitor.autonomyCountdown, 15);
  Ticks(14);
  EXPECT_TRUE(host.calls.empty());
  Ticks(1);
  EXPECT_EQ(host.events, (Events{1, 20, 5}));
  EXPECT_EQ(host.calls, std::vector<std::string>{"shutdown"});
  EXPECT_EQ(host.quitRequests, 1);
}

TEST_F(AutonomyTest, PowerFailureAndEndOfAutonomyInOneChangeLogOnly20) {
  CState s = monitor.currentState;
  s.powerFailure = 1;
  s.autonomyEnd = 1;
  monitor.ProcessStateChange(s);
  EXPECT_EQ(host.events, Events{20});
}

TEST_F(AutonomyTest, RefusedOrDisabledShutdownsEndAsTheSettingsSay) {
  // No privilege: event 7, nothing requested, not re-armed.
  monitor.autonomyCountdown = 1;
  monitor.RunCountdowns();
  EXPECT_EQ(host.events, (Events{5, 7}));
  EXPECT_TRUE(host.calls.empty());
  EXPECT_EQ(monitor.autonomyCountdown, 0);

  // "Desligar" 0: the countdowns run down and nothing happens.
  host.events.clear();
  config.desligar = 0;
  monitor.SetShutdownAllowed(true);
  monitor.autonomyCountdown = 1;
  monitor.lowBatteryCountdown = 1;
  monitor.RunCountdowns();
  EXPECT_EQ(host.events, Events{});
  EXPECT_TRUE(host.calls.empty());

  // The operating system refuses the forced request: event 8.
  config.desligar = 1;
  host.shutdownAccepted = false;
  monitor.lowBatteryCountdown = 1;
  monitor.RunCountdowns();
  EXPECT_EQ(host.events, (Events{6, 8}));
  EXPECT_EQ(host.quitRequests, 0);
}

TEST_F(AutonomyTest, ForcedShutdownEndsTheSessionsFirstAndRunsTheScriptBefore) {
  config.runLtScript = 1;
  config.ltScript = "  /sbin/salvar --agora \t";
  monitor.SetShutdownAllowed(true);
  monitor.lowBatteryCountdown = 1;
  monitor.RunCountdowns();
  std::string queryEnd = "post " + std::to_string(platform::kWmQueryEndSession) + " 1 0";
  std::string end = "post " + std::to_string(platform::kWmEndSession) + " 1 0";
  EXPECT_EQ(host.calls, (std::vector<std::string>{"run /sbin/salvar --agora", queryEnd, "wait 10000", end,
                                                  "wait 5000", "shutdown forced"}));
  EXPECT_EQ(host.events, Events{6});
  EXPECT_EQ(host.quitRequests, 1);

  // A script of blanks runs nothing; the shutdown goes on.
  EXPECT_EQ(monitor.RunShutdownScript(" \t "), -1);
  EXPECT_EQ(host.commands.size(), 1u);
}

}  // namespace
