// Cost of logging one message (open, count, append, fsync, close) with a
// short log and with a full one, where every message also trims the oldest
// record by rewriting the log beside itself.
#include <benchmark/benchmark.h>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "linux/log_file.h"

namespace fs = std::filesystem;

static void BM_Printl(benchmark::State& state) {
  const int records = static_cast<int>(state.range(0));
  char tmpl[] = "/tmp/vigil-bench-XXXXXX";
  if (!mkdtemp(tmpl)) {
    state.SkipWithError("mkdtemp failed");
    return;
  }
  std::string dir = tmpl, log = dir + "/vigil20.log", tmp = dir + "/vigil20.logtmp";
  std::string line = FormatLogLine(0, "estacao1", "Falta de Rede");
  // A log of `records` records that stays that size: with 1000 it is full
  // and each message trims; with 10 a fresh copy is put back every 100.
  auto refill = [&] {
    fs::remove(log);
    for (int i = 0; i < records; ++i) AppendLogRecord(log.c_str(), tmp.c_str(), 1000, line);
  };
  refill();
  int written = 0;
  for (auto _ : state) {
    if (records < 1000 && ++written % 100 == 0) {
      state.PauseTiming();
      refill();
      state.ResumeTiming();
    }
    if (AppendLogRecord(log.c_str(), tmp.c_str(), 1000, line) != 1) state.SkipWithError("append failed");
  }
  fs::remove_all(dir);
}
BENCHMARK(BM_Printl)->Arg(10)->Arg(1000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
