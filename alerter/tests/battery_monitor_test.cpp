// A USB UPS that the system shows as a battery: the mapping of a reading to
// the alarms, and the monitor following it through the same filter and
// events as the lines.
#include <gtest/gtest.h>

#include "alerter/battery_state.h"
#include "alerter/tests/monitor_fixture.h"
#include "core/record_state.h"

using platform::UpsBatteryReading;

namespace {

using Events = std::vector<int32_t>;

UpsBatteryReading OnLine(double charge = 100) {
  UpsBatteryReading r;
  r.present = true;
  r.on_line = true;
  r.discharging = false;
  r.critical = false;
  r.charge_percent = charge;
  return r;
}

UpsBatteryReading OnBattery(bool critical = false) {
  UpsBatteryReading r = OnLine(critical ? 3 : 60);
  r.on_line = false;
  r.discharging = true;
  r.critical = critical;
  r.runtime_s = critical ? 40 : 600;
  return r;
}

TEST(BatteryState, PowerStateAndCriticalMapToTheAlarmsAndTheFiguresCarryOver) {
  core::UpsState mains = UpsStateOfBattery(OnLine(97));
  EXPECT_FALSE(mains.mains_failure || mains.battery_critical || mains.signal_fault || mains.bypass);
  EXPECT_EQ(mains.charge_percent, 97);
  EXPECT_EQ(mains.runtime_s, std::nullopt);

  core::UpsState failure = UpsStateOfBattery(OnBattery());
  EXPECT_TRUE(failure.mains_failure);
  EXPECT_FALSE(failure.battery_critical || failure.signal_fault);
  EXPECT_EQ(failure.runtime_s, 600);

  core::UpsState critical = UpsStateOfBattery(OnBattery(true));
  EXPECT_TRUE(critical.mains_failure && critical.battery_critical);
  EXPECT_FALSE(critical.signal_fault);

  UpsBatteryReading recharging = OnLine(3);
  recharging.critical = true;
  EXPECT_FALSE(UpsStateOfBattery(recharging).battery_critical) << "critical only counts on battery";
}

TEST(BatteryState, WithoutOnLineTheDischargeDecidesAndWithoutEitherItIsAFaultNeverAFailure) {
  UpsBatteryReading discharging = OnBattery();
  discharging.on_line.reset();
  EXPECT_TRUE(UpsStateOfBattery(discharging).mains_failure);

  UpsBatteryReading charging = OnLine();
  charging.on_line.reset();
  EXPECT_FALSE(UpsStateOfBattery(charging).mains_failure);

  // On line says mains even while the UPS says it discharges (a calibration).
  UpsBatteryReading calibrating = OnLine();
  calibrating.discharging = true;
  EXPECT_FALSE(UpsStateOfBattery(calibrating).mains_failure);

  UpsBatteryReading unknown = OnBattery(true);
  unknown.on_line.reset();
  unknown.discharging.reset();
  UpsBatteryReading absent = OnBattery(true);
  absent.present = false;
  for (const std::optional<UpsBatteryReading>& reading :
       {std::optional<UpsBatteryReading>(), std::optional(unknown), std::optional(absent)}) {
    core::UpsState state = UpsStateOfBattery(reading);
    EXPECT_TRUE(state.signal_fault);
    EXPECT_FALSE(state.mains_failure || state.battery_critical);
  }
}

TEST(BatteryState, AlarmsGoIntoTheRecordAndNothingElse) {
  core::CState record{};
  record.autonomyEnd = 1;
  record.remainingAutonomy = 321;
  record.bypass = 1;
  core::PutAlarmsInRecord(UpsStateOfBattery(OnBattery(true)), &record);
  EXPECT_EQ(record.powerFailure, 1);
  EXPECT_EQ(record.batteryCritical, 1);
  EXPECT_EQ(record.bypass, 0);
  EXPECT_EQ(record.signalFault, 0);
  EXPECT_EQ(record.autonomyEnd, 1);
  EXPECT_EQ(record.remainingAutonomy, 321);
  core::PutAlarmsInRecord(UpsStateOfBattery(std::nullopt), &record);
  EXPECT_EQ(record.powerFailure + record.batteryCritical, 0);
  EXPECT_EQ(record.signalFault, 1);
}

class UsbMonitorTest : public MonitorFixture {
 protected:
  void SetUp() override {
    MonitorFixture::SetUp();
    config.usbPort = "usb";
    host.battery = OnLine();
    // The serial lines say mains failure: a monitor of the USB UPS never reads them.
    host.dsr = host.cts = 0;
    monitor.Reset();
  }
};

TEST_F(UsbMonitorTest, FailureAndReturnPassTheFilterOnTheFourthTickAndAGlitchIsNothing) {
  ASSERT_TRUE(monitor.WatchesUsbUps());
  Ticks(3);
  EXPECT_EQ(host.events, Events{});
  host.battery = OnBattery();
  Ticks(2);
  host.battery = OnLine();
  Ticks(4);
  EXPECT_EQ(host.events, Events{}) << "two ticks are shorter than the filter";

  host.battery = OnBattery();
  Ticks(3);
  EXPECT_EQ(host.events, Events{});
  Ticks(1);
  EXPECT_EQ(host.events, Events{1});
  EXPECT_EQ(monitor.currentState.powerFailure, 1);
  host.battery = OnLine();
  Ticks(4);
  EXPECT_EQ(host.events, (Events{1, 2}));
  EXPECT_TRUE(host.calls.empty());
}

TEST_F(UsbMonitorTest, ACriticalBatteryIsEvent4AndTheShutdownThatFollows) {
  config.signalFilter = 0;
  monitor.SetShutdownAllowed(true);
  Ticks(1);
  host.battery = OnBattery();
  Ticks(1);
  host.battery = OnBattery(true);
  Ticks(1);
  EXPECT_EQ(host.events, (Events{1, 4}));
  EXPECT_EQ(monitor.lowBatteryCountdown, 3);
  Ticks(3);
  EXPECT_EQ(host.events, (Events{1, 4, 6}));
  ASSERT_FALSE(host.calls.empty());
  EXPECT_EQ(host.calls.back(), "shutdown forced");
}

// The figures for the gateways go with the battery and come back with it.
TEST_F(UsbMonitorTest, NoBatteryAnsweringIsCommunicationLostToldOnceNeverAMainsFailure) {
  config.signalFilter = 0;
  host.battery = OnLine(88);
  Ticks(2);
  ASSERT_FALSE(host.figures.empty());
  ASSERT_TRUE(host.figures.back());
  EXPECT_EQ(host.figures.back()->charge_percent, 88);
  host.battery.reset();
  Ticks(5);
  EXPECT_EQ(host.events, Events{});
  EXPECT_EQ(monitor.currentState.powerFailure, 0);
  EXPECT_EQ(host.calls, std::vector<std::string>{"lines lost"});
  EXPECT_FALSE(host.figures.back()) << "nothing is measured while no battery answers";
  host.battery = OnLine();
  Ticks(2);
  EXPECT_EQ(host.events, Events{});
  EXPECT_EQ(host.calls, (std::vector<std::string>{"lines lost", "lines back"}));
  ASSERT_TRUE(host.figures.back());
  EXPECT_EQ(host.figures.back()->charge_percent, 100);
}

TEST_F(UsbMonitorTest, LostInADischargeTheAutonomyRunsOnToItsShutdown) {
  config.signalFilter = 0;
  config.autonomiaNominal = 10;
  config.modoAutonomia = 1;  // the linear model's ten seconds, not the UPS's 600
  monitor.Reset();
  Ticks(1);
  host.battery = OnBattery();
  Ticks(1);
  ASSERT_EQ(host.events, Events{1});
  int32_t left = monitor.currentState.remainingAutonomy;
  host.battery.reset();
  Ticks(3);
  EXPECT_EQ(monitor.currentState.powerFailure, 1);
  EXPECT_EQ(monitor.currentState.remainingAutonomy, left - 3);
  Ticks(10);
  EXPECT_EQ(host.events, (Events{1, 20})) << "the end of autonomy comes while the UPS is not heard";
}

TEST_F(UsbMonitorTest, ABatteryAnsweringWithoutAPowerStateIsASignalFaultAndNoEvent) {
  config.signalFilter = 0;
  Ticks(1);
  UpsBatteryReading mute = OnBattery(true);
  mute.on_line.reset();
  mute.discharging.reset();
  host.battery = mute;
  Ticks(3);
  EXPECT_EQ(host.events, Events{});
  EXPECT_EQ(monitor.currentState.signalFault, 1);
  EXPECT_EQ(monitor.currentState.powerFailure + monitor.currentState.batteryCritical, 0);
  EXPECT_TRUE(host.calls.empty()) << "it answers: nothing is lost";
}

// "Modo Autonomia" 0: the UPS's own estimate is the autonomy, and its end
// comes a minute before the estimate runs out, counting down on its own
// while the UPS is not heard.
TEST_F(UsbMonitorTest, TheAutonomyFollowsTheUpsEstimateToItsEnd) {
  config.signalFilter = 0;
  config.autonomiaNominal = 3000;
  monitor.Reset();
  host.battery = OnLine();
  host.battery->runtime_s = 1800;
  Ticks(1);
  EXPECT_EQ(monitor.currentState.remainingAutonomy, 1800) << "on mains: what a discharge now would give";
  host.battery = OnBattery();  // 600 s
  Ticks(1);
  ASSERT_EQ(host.events, Events{1});
  EXPECT_EQ(monitor.currentState.remainingAutonomy, 600);
  EXPECT_EQ(monitor.currentState.fullAutonomy, 600);
  host.battery->runtime_s = 70;
  Ticks(1);
  EXPECT_EQ(monitor.currentState.remainingAutonomy, 70);
  EXPECT_EQ(monitor.currentState.autonomyEnd, 0);
  host.battery.reset();  // lost: the estimate runs down on its own
  Ticks(5);
  EXPECT_EQ(monitor.currentState.remainingAutonomy, 65);
  Ticks(5);
  EXPECT_EQ(monitor.currentState.autonomyEnd, 1);
  EXPECT_EQ(host.events, (Events{1, 20}));
}

// A critical battery and an estimate under the minute in one reading: the
// critical battery's forced shutdown, even while the filter still holds it.
TEST_F(UsbMonitorTest, ACriticalBatteryRulesOverTheEstimatesEnd) {
  host.battery = OnBattery();
  Ticks(5);
  ASSERT_EQ(host.events, Events{1});
  host.battery = OnBattery(true);  // 40 s left, critical
  Ticks(5);
  EXPECT_EQ(host.events, (Events{1, 4}));
  EXPECT_EQ(monitor.currentState.autonomyEnd, 0);
}

TEST_F(UsbMonitorTest, ModoAutonomia1KeepsTheLinearModel) {
  config.signalFilter = 0;
  config.autonomiaNominal = 3000;
  config.modoAutonomia = 1;
  monitor.Reset();
  host.battery = OnBattery();  // says 600 s
  Ticks(1);
  ASSERT_EQ(host.events, Events{1});
  Ticks(2);
  EXPECT_EQ(monitor.currentState.remainingAutonomy, 2998);
  EXPECT_EQ(monitor.currentState.autonomyEnd, 0);
}

TEST_F(UsbMonitorTest, WithoutAUsbNameTheLinesAreReadAsBefore) {
  config.usbPort.clear();
  config.signalFilter = 0;
  ASSERT_FALSE(monitor.WatchesUsbUps());
  Ticks(1);
  EXPECT_EQ(host.events, Events{4});
}

}  // namespace
