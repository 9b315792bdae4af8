// A UPS monitor on the default settings of a fresh registry and a fake host
// whose clock the test moves.
#pragma once

#include <gtest/gtest.h>

#include "alerter/monitor.h"
#include "alerter/tests/fake_host.h"

class MonitorFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    config.SetRootKey(platform::kLocalMachine, kAplConfigKey);
    config.RegisterValues();
  }
  // `n` ticks of the monitor timer, one second apart.
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) {
      ++host.now;
      monitor.OnMonitorTimer();
    }
  }

  CAplConfig config;
  FakeHost host;
  CUpsMonitor monitor{config, host};
};
