// The UPS monitor against a fake host: the filter, the line mapping, the
// event state machine, the client's watchdog, with the figures of the
// monitoring program's own examples.
#include <gtest/gtest.h>

#include "alerter/tests/monitor_fixture.h"

using core::CState;
using core::ClearAlarms;
using core::CopyAlarms;
using core::CopyState;
using core::SameAlarms;

namespace {

using Events = std::vector<int32_t>;

class MonitorTest : public MonitorFixture {
 protected:
  // The monitor window's creation.
  void Start() { monitor.Reset(); }
};

TEST(StateRecord, OperationsTouchTheirFieldsOnly) {
  CState a{}, b{};
  b.serverLost = 1;
  b.nominalAutonomy = 900;
  EXPECT_TRUE(SameAlarms(a, b));  // serverLost and the figures are not alarms
  b.autonomyEnd = 1;
  EXPECT_FALSE(SameAlarms(a, b));

  CState src{};
  src.header = 77;
  src.powerFailure = src.signalFault = src.bypass = src.batteryCritical = src.autonomyEnd = 1;
  src.timeOnBattery = 5;
  CState alarms{};
  CopyAlarms(alarms, src);
  EXPECT_EQ(alarms.powerFailure + alarms.signalFault + alarms.bypass + alarms.batteryCritical, 4);
  EXPECT_EQ(alarms.autonomyEnd, 0);
  EXPECT_EQ(alarms.timeOnBattery, 0);

  CState copy{};
  CopyState(copy, src);
  EXPECT_EQ(copy.header, 0);
  EXPECT_EQ(copy.timeOnBattery, 5);
  EXPECT_EQ(copy.autonomyEnd, 1);

  src.serverLost = 1;
  ClearAlarms(src);
  EXPECT_TRUE(SameAlarms(src, CState{}));
  EXPECT_EQ(src.serverLost, 1);
}

TEST_F(MonitorTest, FilterTwoTakesADropOnItsFourthTickAndIgnoresAGlitch) {
  Start();
  Ticks(3);  // steady on mains
  EXPECT_EQ(host.events, Events{});

  host.dsr = 0;
  Ticks(2);
  host.dsr = 1;
  Ticks(5);
  EXPECT_EQ(host.events, Events{});  // two ticks of DSR inactive: nothing

  host.dsr = 0;
  Ticks(3);
  EXPECT_EQ(monitor.currentState.powerFailure, 0);
  Ticks(1);
  EXPECT_EQ(monitor.currentState.powerFailure, 1);
  EXPECT_EQ(host.events, Events{1});
}

TEST_F(MonitorTest, WithoutFilterEveryReadingCountsAtOnce) {
  config.signalFilter = 0;
  Start();
  Ticks(1);
  host.dsr = 0;
  Ticks(1);
  EXPECT_EQ(monitor.currentState.powerFailure, 1);
  EXPECT_EQ(host.events, Events{1});
}

TEST_F(MonitorTest, LineMappingFollowsTheCableSettings) {
  CState r{};
  // A failed read of any line is no reading at all: the record keeps what
  // it held, whichever line failed.
  r.powerFailure = 1;
  r.bypass = 1;
  for (int32_t* failed : {&host.dsr, &host.cts, &host.ring}) {
    host.dsr = host.cts = host.ring = 1;
    *failed = -3;
    EXPECT_FALSE(monitor.SampleLines(r));
    EXPECT_EQ(r.powerFailure, 1);
    EXPECT_EQ(r.batteryCritical, 0);
    EXPECT_EQ(r.bypass, 1);
  }

  config.tipoBypass = 1;
  host.dsr = host.cts = 1;
  host.ring = 1;
  monitor.SampleLines(r);
  EXPECT_EQ(r.bypass, 1);  // polarity 1: RI active is bypass
  config.tipoBypass = 0;
  monitor.SampleLines(r);
  EXPECT_EQ(r.bypass, 0);
  host.ring = 0;
  monitor.SampleLines(r);
  EXPECT_EQ(r.bypass, 1);  // polarity 0: RI inactive is bypass

  config.tipoCabo = 0;  // no bypass line: never bypass
  monitor.SampleLines(r);
  EXPECT_EQ(r.bypass, 0);
}

// A pulled adapter in the middle of a discharge: neither a mains return nor a
// new failure, the countdown runs on, the filter picks up where it was, and
// the loss and the return are told once each.
TEST_F(MonitorTest, LinesThatCannotBeReadLeaveTheStateTheFilterAndTheCountdownAsTheyWere) {
  Start();
  host.dsr = 0;
  Ticks(4);
  ASSERT_EQ(host.events, Events{1});
  int32_t left = monitor.currentState.remainingAutonomy;

  host.dsr = host.cts = host.ring = -3;
  Ticks(10);
  EXPECT_EQ(host.events, Events{1});
  EXPECT_EQ(monitor.currentState.powerFailure, 1);
  EXPECT_EQ(monitor.currentState.remainingAutonomy, left - 10);
  EXPECT_EQ(host.calls, std::vector<std::string>{"lines lost"});

  // Back on battery still: nothing new to say about the power.
  host.dsr = 0;
  host.cts = host.ring = 1;
  Ticks(5);
  EXPECT_EQ(host.events, Events{1});
  EXPECT_EQ((host.calls), (std::vector<std::string>{"lines lost", "lines back"}));

  // A mains return that lasts through the filter is one; the ticks without a
  // reading count neither way.
  host.dsr = 1;
  Ticks(2);
  host.dsr = -3;
  Ticks(3);
  host.dsr = 1;
  Ticks(1);
  EXPECT_EQ(host.events, Events{1});
  Ticks(1);
  EXPECT_EQ(host.events, (Events{1, 2}));
}

TEST_F(MonitorTest, AllAlarmsWithoutBypassCableAreAFaultAndNoQuestion) {
  config.tipoCabo = 0;
  config.signalFilter = 0;
  host.dsr = host.cts = host.ring = 0;
  Start();
  Ticks(3);
  EXPECT_EQ(monitor.currentState.signalFault, 1);
  EXPECT_EQ(monitor.currentState.powerFailure, 0);
  EXPECT_TRUE(host.questions.empty());
  EXPECT_EQ(host.events, Events{});
  // Latched: the lines return to normal, the fault stays and nothing is logged.
  host.dsr = host.cts = host.ring = 1;
  Ticks(3);
  EXPECT_EQ(monitor.currentState.signalFault, 1);
  host.dsr = 0;
  Ticks(2);
  EXPECT_EQ(host.events, Events{});
}

TEST_F(MonitorTest, CableQuestionIsAskedOnceAndYesEndsTheProgram) {
  config.signalFilter = 0;
  host.dsr = host.cts = host.ring = 0;
  host.answer = 6;
  Start();
  Ticks(3);
  ASSERT_EQ(host.questions.size(), 1u);
  EXPECT_NE(host.questions[0].find("todos os alarmes est\xE3o ativos"), std::string::npos);
  EXPECT_EQ(host.quitRequests, 1);
  EXPECT_EQ(monitor.cableQuestion, 1);
  // Chose to stop: every sample is cleared.
  EXPECT_EQ(monitor.currentState.signalFault, 0);
}

TEST_F(MonitorTest, CableQuestionDeclinedOrInServiceModeLeavesTheFault) {
  config.signalFilter = 0;
  host.dsr = host.cts = host.ring = 0;
  host.answer = 32000;  // the box timed out
  Start();
  Ticks(3);
  EXPECT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(monitor.cableQuestion, 2);
  EXPECT_EQ(host.quitRequests, 0);
  EXPECT_EQ(monitor.currentState.signalFault, 1);

  FakeHost service;
  service.serviceMode = true;
  service.dsr = service.cts = service.ring = 0;
  CUpsMonitor quiet(config, service);
  quiet.Reset();
  quiet.OnMonitorTimer();
  EXPECT_TRUE(service.questions.empty());
  EXPECT_EQ(quiet.currentState.signalFault, 1);
}

TEST_F(MonitorTest, BypassTakesPrecedenceOverEveryOtherEvent) {
  config.signalFilter = 0;
  config.tipoBypass = 1;
  Start();
  Ticks(1);
  host.ring = 1;
  Ticks(1);
  host.dsr = 0;  // a power failure while in bypass is logged as bypass again
  Ticks(1);
  host.ring = 0;
  Ticks(1);
  EXPECT_EQ(host.events, (Events{30, 30, 31}));
}

TEST_F(MonitorTest, CriticalBatteryThenMainsReturnCancelsTheForcedShutdown) {
  config.signalFilter = 0;
  Start();
  Ticks(1);
  host.dsr = 0;
  host.cts = 0;
  Ticks(1);
  EXPECT_EQ(host.events, (Events{4}));
  EXPECT_EQ(monitor.lowBatteryCountdown, 3);
  Ticks(1);
  host.dsr = host.cts = 1;
  Ticks(1);
  EXPECT_EQ(host.events, (Events{4, 2}));
  EXPECT_EQ(monitor.lowBatteryCountdown, 0);
  Ticks(5);
  EXPECT_EQ(host.events, (Events{4, 2}));
  EXPECT_TRUE(host.calls.empty());
}

TEST_F(MonitorTest, EveryChangeIsSentAndRepeatsFollowTheBroadcastDelay) {
  config.signalFilter = 0;
  config.broadcastDelay = 5;
  Start();
  Ticks(1);
  EXPECT_EQ(host.notifications, 1);  // the first tick always sends
  Ticks(3);
  EXPECT_EQ(host.notifications, 1);
  Ticks(1);
  EXPECT_EQ(host.notifications, 2);  // five seconds after the start
  host.dsr = 0;
  Ticks(1);
  EXPECT_EQ(host.notifications, 4);  // the change, and the state machine's own
  config.broadcastDelay = 0;
  Ticks(20);
  EXPECT_EQ(host.notifications, 4);
}

TEST_F(MonitorTest, ClientFollowsItsServerAndNoticesItsSilenceWithoutEvents) {
  config.comMode = 2;
  config.netMode = 5;
  Start();
  CState rx{};
  rx.fromNetwork = 1;
  rx.powerFailure = 1;
  rx.nominalAutonomy = 600;
  rx.fullAutonomy = 600;
  rx.remainingAutonomy = 550;
  rx.timeOnBattery = 50;
  monitor.OnReceivedState(rx);
  EXPECT_EQ(host.events, Events{1});
  EXPECT_EQ(monitor.currentState.remainingAutonomy, 550);  // "Autonomia Server" 1: the server's figures

  Ticks(29);
  EXPECT_EQ(monitor.currentState.serverLost, 0);
  Ticks(1);
  EXPECT_EQ(monitor.currentState.serverLost, 1);  // 30 s without a datagram
  EXPECT_EQ(monitor.Snapshot().serverLost, 1);

  rx.powerFailure = 0;
  monitor.OnReceivedState(rx);  // the first datagram afterwards clears it
  EXPECT_EQ(monitor.currentState.serverLost, 0);
  Ticks(1);
  EXPECT_EQ(host.events, Events{1});  // neither the loss, nor its end, nor the change that ended it
  rx.powerFailure = 1;
  monitor.OnReceivedState(rx);
  EXPECT_EQ(host.events, (Events{1, 1}));
}

}  // namespace

// The status pipe's threads are not stopped at exit: what they read from
// must outlive the monitor that the exit deletes.
TEST(MonitorSnapshot, ThePipesSourceOutlivesTheMonitorWithItsLastRecord) {
  CAplConfig config;
  config.SetRootKey(platform::kLocalMachine, kAplConfigKey);
  config.RegisterValues();
  config.signalFilter = 0;
  FakeHost host;
  std::function<CState()> source;
  {
    CUpsMonitor monitor{config, host};
    source = monitor.SnapshotSource();
    monitor.Reset();
    host.dsr = 0;
    ++host.now;
    monitor.OnMonitorTimer();
    EXPECT_EQ(source().powerFailure, 1);
  }
  CState last = source();
  EXPECT_EQ(last.powerFailure, 1);
  EXPECT_EQ(last.nominalAutonomy, config.autonomiaNominal);
}
