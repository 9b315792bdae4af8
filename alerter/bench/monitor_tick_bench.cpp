// Cost of one monitor tick: the monitor's own work (lines from a fake
// host), and a whole tick as the program runs it, with the three line
// reads through LineTap on the line simulator's file.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "alerter/monitor.h"
#include "alerter/tests/fake_host.h"
#include "linesim/line_sim.h"
#include "lineshare/line_tap.h"
#include "platform/shared_section_linux.h"

namespace {

// The monitoring program's reads of the lines, the rest as in FakeHost.
class LineTapHost : public FakeHost {
 public:
  int32_t ReadDsr() override { return serialGetDsr(); }
  int32_t ReadCts() override { return serialGetCts(); }
  int32_t ReadRing() override { return serialGetRing(); }
};

void Configure(CAplConfig& config) {
  config.SetRootKey(platform::kLocalMachine, kAplConfigKey);
  config.RegisterValues();
}

void BM_MonitorTickOnMains(benchmark::State& state) {
  CAplConfig config;
  Configure(config);
  FakeHost host;
  CUpsMonitor monitor(config, host);
  monitor.Reset();
  for (auto _ : state) {
    ++host.now;
    monitor.OnMonitorTimer();
  }
}
BENCHMARK(BM_MonitorTickOnMains);

void BM_MonitorTickDischarging(benchmark::State& state) {
  CAplConfig config;
  Configure(config);
  FakeHost host;
  host.dsr = 0;
  CUpsMonitor monitor(config, host);
  monitor.Reset();
  for (auto _ : state) {
    // Seconds stand still: the discharge never ends.
    monitor.OnMonitorTimer();
    benchmark::DoNotOptimize(monitor.currentState.remainingAutonomy);
  }
}
BENCHMARK(BM_MonitorTickDischarging);

void BM_TickWithLineTapOnTheSimulator(benchmark::State& state) {
  char pattern[] = "/tmp/vigil-bench-XXXXXX";
  if (!mkdtemp(pattern)) {
    state.SkipWithError("mkdtemp failed");
    return;
  }
  std::string root = pattern;
  setenv("VIGIL20_HOST_ROOT", root.c_str(), 1);
  setenv("VIGIL20_SIMLINES", (root + "/lines").c_str(), 1);
  linesim::WriteInputs(root + "/lines", linesim::kDsr | linesim::kCts | linesim::kRi);
  if (serialOpen(1, 0) != 1) {
    state.SkipWithError("serialOpen failed");
    return;
  }
  CAplConfig config;
  Configure(config);
  LineTapHost host;
  CUpsMonitor monitor(config, host);
  monitor.Reset();
  for (auto _ : state) {
    ++host.now;
    monitor.OnMonitorTimer();
  }
  serialClose();
  platform::RemoveSharedSection("LineTap");
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_TickWithLineTapOnTheSimulator);

}  // namespace

BENCHMARK_MAIN();
