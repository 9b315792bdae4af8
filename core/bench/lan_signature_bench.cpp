// Cost of signing one datagram (the longest, 32 name bytes) and of checking
// one on a keyed station: accepted, and refused for a wrong MAC.
#include <benchmark/benchmark.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/lan_datagram.h"
#include "core/lan_signature.h"

using core::EncodeLanDatagram;
using core::LanDatagram;
using core::LanSender;
using core::LanVerdict;
using core::LanVerifier;
using core::LanWallClockMs;
using core::SetLanKey;
using core::SignLanDatagram;
using core::VerifyLanDatagram;
using core::kLanNameMax;
using core::kLanSignedMax;

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
  // Datagrams signed beforehand, each newer than the last, as a receiver
  // sees them; after the last the verifier starts afresh (untimed).
  constexpr size_t kBatch = 4096;
  std::vector<std::array<uint8_t, kLanSignedMax>> batch(kBatch);
  LanSender sender;
  uint64_t now = LanWallClockMs();
  size_t n = 0;
  for (auto& datagram : batch) {
    size_t size = Longest(datagram.data());
    n = SignLanDatagram(datagram.data(), size, datagram.size(), kKey.data(), kKey.size(), &sender, now);
  }
  size_t next = kBatch;
  for (auto _ : state) {
    if (next == kBatch) {
      state.PauseTiming();
      SetLanKey(verifier.get(), kKey.data(), kKey.size());
      next = 0;
      state.ResumeTiming();
    }
    LanVerdict v = VerifyLanDatagram(verifier.get(), batch[next++].data(), n, now);
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
