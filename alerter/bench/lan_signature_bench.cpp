// Cost of signing one datagram (the longest, 32 name bytes) and of checking
// one on a keyed station: accepted, and refused for a wrong MAC.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>

#include "alerter/lan_datagram.h"
#include "alerter/lan_signature.h"

namespace {

const std::string kKey = "uma chave compartilhada da rede local";

size_t Longest(uint8_t out[kLanSignedMax]) {
  LanDatagram d;
  std::memset(d.name, 'n', kLanNameMax);
  d.name_len = kLanNameMax;
  d.power_fail = 1;
  return EncodeLanDatagram(d, out);
}

void BM_Sign(benchmark::State& state) {
  uint8_t buffer[kLanSignedMax];
  size_t size = Longest(buffer);
  LanSender sender;
  uint64_t now = LanWallClockMs();
  for (auto _ : state) {
    size_t n = SignLanDatagram(buffer, size, sizeof buffer, kKey.data(), kKey.size(), &sender, now);
    benchmark::DoNotOptimize(n);
    benchmark::DoNotOptimize(buffer);
  }
}
BENCHMARK(BM_Sign);

void BM_VerifyAccepted(benchmark::State& state) {
  auto verifier = std::make_unique<LanVerifier>();
  SetLanKey(verifier.get(), kKey.data(), kKey.size());
  uint8_t buffer[kLanSignedMax];
  size_t size = Longest(buffer);
  LanSender sender;
  uint64_t now = LanWallClockMs();
  size_t n = 0;
  for (auto _ : state) {
    // A new datagram each time, as a receiver sees them; signing is paused.
    state.PauseTiming();
    n = SignLanDatagram(buffer, size, sizeof buffer, kKey.data(), kKey.size(), &sender, now);
    state.ResumeTiming();
    LanVerdict v = VerifyLanDatagram(verifier.get(), buffer, n, now);
    benchmark::DoNotOptimize(v);
  }
}
BENCHMARK(BM_VerifyAccepted);

void BM_VerifyForged(benchmark::State& state) {
  auto verifier = std::make_unique<LanVerifier>();
  SetLanKey(verifier.get(), kKey.data(), kKey.size());
  uint8_t buffer[kLanSignedMax];
  size_t size = Longest(buffer);
  LanSender sender;
  uint64_t now = LanWallClockMs();
  size_t n = SignLanDatagram(buffer, size, sizeof buffer, kKey.data(), kKey.size(), &sender, now);
  buffer[n - 1] ^= 1;
  for (auto _ : state) {
    LanVerdict v = VerifyLanDatagram(verifier.get(), buffer, n, now);
    benchmark::DoNotOptimize(v);
  }
}
BENCHMARK(BM_VerifyForged);

}  // namespace

BENCHMARK_MAIN();
